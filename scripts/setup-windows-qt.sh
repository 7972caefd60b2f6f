#!/usr/bin/env bash
# Makes Qt for 64-bit Windows (mingw-w64, posix threads) available for the cross build of the app:
# Core, Gui, Widgets and Test as DLLs, trimmed to what the app uses, built from Debian's own
# qt6-base source of the version installed here, so the host's Qt serves as its tools.
#
# Installs into $TESSALINE_WINDOWS_QT (default /tmp/winapp/qt6-mingw). A prebuilt archive of
# exactly this configuration, when found beside the repository (../shared/cache) or in
# /work/shared/cache and matching its checksum, is unpacked instead of building (seconds
# instead of about an hour on 2 cores); TESSALINE_QT_FROM_SOURCE=1 builds even then. A second run
# finds the stamp and does nothing; runs take a lock, so one started in the background and one in
# the foreground do not collide.
# Everything goes to standard output; nothing asks a question.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

prefix="${TESSALINE_WINDOWS_QT:-/tmp/winapp/qt6-mingw}"
work="$(dirname "$prefix")/qt6-mingw-work"
qt_version=6.4.2
archive_name="qt6.4.2-mingw64-posix-trimmed.tar.gz"
archive_sha256=bb552ad20321d443c671f2654acb355000402e1deda6161d88b666b1bdfb47b8

# Everything that decides what gets built; the stamp records it so a changed recipe rebuilds.
configure_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_freetype=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_png=OFF -DFEATURE_system_doubleconversion=OFF
)
stamp_text="qtbase $qt_version x86_64-w64-mingw32 posix ${configure_options[*]}"
stamp="$prefix/.tessaline-qt-stamp"

say() { echo "[setup-windows-qt $(date +%H:%M:%S)] $*"; }

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]; then
  say "Qt $qt_version for Windows is ready in $prefix"
  exit 0
fi

mkdir -p "$(dirname "$prefix")"
exec 9>"$(dirname "$prefix")/.qt6-mingw.lock"
if ! flock -n 9; then
  say "another run is preparing Qt; waiting for it"
  flock 9
fi
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]; then
  say "Qt $qt_version for Windows is ready in $prefix"
  exit 0
fi

scripts/setup.sh g++-mingw-w64-x86-64-posix

installed="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
# Unpacks into a fresh folder beside the prefix and moves it into place last, so an interrupted
# run never leaves a half prefix that looks finished.
install_tree() { # $1: the finished qt6-mingw folder
  rm -rf "$prefix.old"
  [ -e "$prefix" ] && mv "$prefix" "$prefix.old"
  mv "$1" "$prefix"
  rm -rf "$prefix.old"
  printf '%s' "$stamp_text" >"$stamp"
}

for dir in "$repo/../shared/cache" /work/shared/cache; do
  [ "${TESSALINE_QT_FROM_SOURCE:-0}" = 1 ] && break
  tarball="$dir/$archive_name"
  [ -f "$tarball" ] || continue
  [ "${installed%%+*}" = "$qt_version" ] || { say "the host's Qt is $installed, not $qt_version: not using $tarball"; break; }
  say "checking $tarball"
  if [ "$(sha256sum "$tarball" | cut -d' ' -f1)" != "$archive_sha256" ]; then
    say "checksum differs: not using $tarball"
    continue
  fi
  start=$(date +%s)
  rm -rf "$prefix.unpack" && mkdir -p "$prefix.unpack"
  tar -xzf "$tarball" -C "$prefix.unpack"
  install_tree "$prefix.unpack/qt6-mingw"
  rmdir "$prefix.unpack"
  say "restored the prebuilt Qt into $prefix in $(($(date +%s) - start)) s"
  exit 0
done

# From source. apt-get source needs the Debian archive's source lines.
say "building Qt $installed for Windows from source (about an hour on 2 cores); log: $work/build.log"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
if ! apt-get source --print-uris "qt6-base=$installed" >/dev/null 2>&1; then
  say "adding the Debian source archive to apt"
  codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$codename" "$codename" | $sudo tee /etc/apt/sources.list.d/tessaline-deb-src.sources >/dev/null
  $sudo apt-get update -qq
fi
scripts/setup.sh dpkg-dev xz-utils

mkdir -p "$work"
cd "$work"
if [ ! -f "qt6-base_${installed%-*}.orig.tar.xz" ]; then
  say "downloading the qt6-base $installed source"
  apt-get source --download-only "qt6-base=$installed"
fi
src="qtbase-everywhere-src-$qt_version"
rm -rf "$src" qt-build
say "unpacking"
tar -xf "qt6-base_${installed%-*}.orig.tar.xz"

# Qt 6.4.2's Windows plugin does not build with OpenGL or Direct2D turned off without these guards.
guard() { # file line old new
  if ! sed -n "${2}p" "$1" | grep -qF "$3"; then
    say "unexpected source at $1:$2 (not a $qt_version tree?)"; exit 1
  fi
  sed -i "${2}s/$3/$4/" "$1"
}
Q="$src/src/plugins/platforms/windows"
guard "$Q/qwindowswindow.cpp" 2296 '#if QT_CONFIG(dynamicgl)' '#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)'
guard "$Q/qwindowsintegration.cpp" 506 '#if QT_CONFIG(directwrite3)' '#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)'

cat >qt-mingw-toolchain.cmake <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   /usr/bin/${_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/${_prefix}-g++-posix)
set(CMAKE_RC_COMPILER  /usr/bin/${_prefix}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
EOF

staging="$prefix.build"
rm -rf "$staging"
say "configuring"
cmake -S "$src" -B qt-build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/qt-mingw-toolchain.cmake" \
  -DQT_HOST_PATH=/usr -DQt6HostInfo_DIR=/usr/lib/x86_64-linux-gnu/cmake/Qt6HostInfo \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${configure_options[@]}" >build.log 2>&1
start=$(date +%s)
say "building (progress: tail -f $work/build.log)"
cmake --build qt-build --parallel 2 >>build.log 2>&1
# Installed through a staging folder, then moved into the prefix it was configured for.
DESTDIR="$staging" cmake --install qt-build >>build.log 2>&1
install_tree "$staging$prefix"
rm -rf "$staging"
say "built and installed Qt into $prefix in $(( ($(date +%s) - start) / 60 )) min"
