#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop needs: the files in their
# usual places (no stand-in on the PATH), the menu entry and the metadata valid.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
id=com.morvane.Tessaline
for f in bin/tessaline bin/tessaline-sim libexec/tessaline/diskpart libexec/tessaline/cmd libexec/tessaline/fsutil \
         libexec/tessaline/fat32format.exe share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
[ ! -e "$prefix/bin/diskpart" ] || { echo "a stand-in landed on the PATH"; exit 1; }

desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net --strict "$prefix/share/metainfo/$id.metainfo.xml"
grep -q "^Exec=tessaline$" "$prefix/share/applications/$id.desktop"
grep -q "^Icon=$id$" "$prefix/share/applications/$id.desktop"
echo "install layout, desktop entry and metadata are valid"
