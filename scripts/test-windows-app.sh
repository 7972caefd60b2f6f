#!/usr/bin/env bash
# Cross-builds the whole app for Windows with mingw-w64 and Qt for Windows into build-windows-app/,
# deploys it, runs every Qt test program under Wine, starts the app on a demo machine and once on
# the (Wine) system, and packs the deployed folder into an MSI that it installs and starts.
#   TESSALINE_WINDOWS_QT   Qt for Windows (default /tmp/winapp/qt6-mingw; scripts/setup-windows-qt.sh)
#   TESSALINE_SKIP_TESTS=1 only build, deploy, start and package
set -euo pipefail
cd "$(dirname "$0")/.."

qt="${TESSALINE_WINDOWS_QT:-/tmp/winapp/qt6-mingw}"
export TESSALINE_WINDOWS_QT="$qt"
scripts/setup-windows-qt.sh
scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 xvfb xauth x11-utils xdotool imagemagick msitools wixl

dir=build-windows-app
say() { echo "[windows-app $(date +%H:%M:%S)] $*"; }

# The host's fonts as Wine sees them, less the colour bitmap emoji font: Qt 6.4's GDI font
# engine crashes reading its metrics when its fallback reaches it (real Windows has none such).
mkdir -p "$dir"
export FONTCONFIG_FILE="$PWD/$dir/fonts.conf"
cat >"$FONTCONFIG_FILE" <<FONTS
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <dir>/usr/share/fonts/opentype/noto</dir>
  <dir>/usr/share/wine/fonts</dir>
  <cachedir>$PWD/$dir/fontconfig-cache</cachedir>
</fontconfig>
FONTS

. scripts/wine-prefix.sh
unset WAYLAND_DISPLAY
wine_prefix "$dir"
# No window manager runs on the X server here: Wine would wait 2 s for each window it hides to
# be withdrawn by one. Windows it does not hand to a manager hide at once.
timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQt6HostInfo_DIR=/usr/lib/x86_64-linux-gnu/cmake/Qt6HostInfo \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" -DTESSALINE_TEST_QPA=windows
fi
start=$(date +%s)
cmake --build "$dir" --parallel "$(nproc)"
say "built in $(($(date +%s) - start)) s"

# The deployed folder: what the installer carries.
deploy="$dir/deploy"
rm -rf "$deploy"
cmake --install "$dir" --prefix "$deploy" >/dev/null
# Debug information stays in the build; the compiler's runtime DLLs carry theirs too.
find "$deploy" \( -name '*.dll' -o -name '*.exe' \) -exec x86_64-w64-mingw32-strip --strip-debug {} +
# Every program here must load: the libraries and plugins beside the tests and the stand-ins too
# (Windows looks for a program's DLLs in its own folder).
for d in "$dir/bin" "$dir/tests"; do
  cp -u "$deploy"/*.dll "$qt/bin/Qt6Test.dll" "$d/"
  cp -ru "$deploy/platforms" "$deploy/styles" "$d/"
done
cp -u "$deploy"/simulated/*.dll "$dir/bin/simulated/"

# A display for Wine: the windows platform draws real windows, as on Windows.
xvfb_log="$dir/xvfb.log"
rm -f "$dir/xvfb.display"
Xvfb -displayfd 8 -screen 0 1280x900x24 -nolisten tcp >"$xvfb_log" 2>&1 8>"$dir/xvfb.display" &
xvfb=$!
trap 'timeout 30 "$wineserver" -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$dir/xvfb.display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$dir/xvfb.display")"
say "Xvfb on $DISPLAY"

failed=0
if [ "${TESSALINE_SKIP_TESTS:-0}" != 1 ]; then
  say "running the test programs under Wine"
  # Two GUI programs started together as the first of a run have crashed in Qt's start-up under
  # Wine: one runs alone first.
  timeout 120 "$wine" "$dir/tests/tst_disktree.exe" >/dev/null 2>&1 || true
  ctest --test-dir "$dir" --timeout 600 --parallel 2 --output-on-failure >"$dir/ctest.log" 2>&1 || true
  passed=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' "$dir/ctest.log" || true)
  failed=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(\*\*\*|Failed|Timeout|Exception)' "$dir/ctest.log" || true)
  grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(\*\*\*|Failed|Timeout|Exception)' "$dir/ctest.log" | sed 's/^/  /' || true
  echo "Tests under Wine: $passed passed, $failed failed (log: $dir/ctest.log)"
fi

# Waits up to $2 s for a top-level window whose name contains $1; prints its id.
wait_window() {
  local id=""
  for _ in $(seq "$(($2 * 2))"); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.5
  done
  return 1
}

# simulated_app <machine file> <log> <screenshot or ""> <exe>: starts the exe on a fresh simulated
# machine, succeeds when its main window shows and it still runs 5 s later (the picture taken
# then), and closes it either way.
simulated_app() {
  rm -f "$1"
  TESSALINE_SIM_MACHINE="Z:$PWD/$1" "$wine" "$4" --simulated >"$2" 2>&1 &
  local pid=$! shown=1
  if wait_window "Disk Management" 90 >/dev/null && sleep 5 && kill -0 $pid 2>/dev/null; then
    shown=0
    [ -z "$3" ] || import -window root "$3"
  fi
  timeout 30 "$wine" taskkill /im tessaline.exe >/dev/null 2>&1 || true
  wait $pid || true
  return $shown
}

# The app on a fresh demo machine.
if simulated_app "$dir/demo-machine.json" "$dir/app-simulated.log" docs/windows-under-wine.png "$deploy/tessaline.exe"; then
  say "the main window on the demo machine: docs/windows-under-wine.png"
else
  echo "FAIL: no main window of tessaline.exe --simulated"; failed=$((failed + 1))
fi

# On the system itself: Wine has no storage provider, so the start-up error must show, and the app
# must close cleanly when asked.
"$wine" "$deploy/tessaline.exe" >"$dir/app-system.log" 2>&1 &
app=$!
if wait_window "Refresh Failed" 120 >/dev/null; then
  import -window root "$dir/windows-system-error.png"
  say "the start-up error shows ($dir/windows-system-error.png)"
  timeout 30 "$wine" taskkill /im tessaline.exe >/dev/null 2>&1 || true
else
  echo "FAIL: no start-up error from tessaline.exe without --simulated"; failed=$((failed + 1))
  timeout 30 "$wine" taskkill /f /im tessaline.exe >/dev/null 2>&1 || true
fi
for _ in $(seq 60); do kill -0 $app 2>/dev/null || break; sleep 0.5; done
if kill -0 $app 2>/dev/null; then
  echo "FAIL: tessaline.exe did not close"; failed=$((failed + 1)); kill $app || true
elif wait $app; then
  say "it closed cleanly"
else
  code=$?; echo "FAIL: tessaline.exe ended with $code"; failed=$((failed + 1))
fi

# The installer: every file of the deployed folder, into Program Files, with a Start-menu entry.
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")"
msi="$dir/tessaline-$version-x64.msi"
# wixl takes sources relative to where it runs; top-level files first, then one folder at a time.
(cd "$deploy" && find . -type f | sed 's|^\./||' | awk -F/ '{print NF "\t" $0}' | sort -k1,1n -k2 | cut -f2 |
   wixl-heat --prefix "" --component-group Files --var var.SourceDir --directory-ref INSTALLDIR --win64) >"$dir/files.wxs"
(cd "$dir" && wixl -a x64 -D Version="$version" -D SourceDir=deploy -D Win64=yes -o "$(basename "$msi")" \
   "$OLDPWD/packaging/windows/tessaline.wxs" files.wxs)
rm -rf "$dir/msi-content"
msiextract -C "$dir/msi-content" "$msi" >/dev/null
if diff -r "$deploy" "$dir/msi-content/Tessaline" >/dev/null; then
  say "$msi holds the deployed folder, $(find "$deploy" -type f | wc -l) files, byte for byte"
else
  echo "FAIL: $msi differs from $deploy:"; diff -rq "$deploy" "$dir/msi-content/Tessaline" || true
  failed=$((failed + 1))
fi
msiinfo export "$msi" Shortcut | grep -q '^TessalineShortcut.ProgramMenuFolder' || { echo "FAIL: no Start-menu entry"; failed=$((failed + 1)); }

# Installed, started, uninstalled under Wine.
installed="$WINEPREFIX/drive_c/Program Files/Tessaline"
timeout 300 "$wine" msiexec /i "Z:$PWD/$msi" /qn >/dev/null 2>&1 || true
menu="$(find "$WINEPREFIX/drive_c" -ipath '*start menu/programs/tessaline.lnk' | head -1)"
if [ -x "$installed/tessaline.exe" ] || [ -f "$installed/tessaline.exe" ]; then
  say "installed into C:\\Program Files\\Tessaline${menu:+, with $(basename "$menu") in the Start menu}"
  [ -n "$menu" ] || { echo "FAIL: the Start-menu entry was not installed"; failed=$((failed + 1)); }
  if simulated_app "$dir/installed-machine.json" "$dir/app-installed.log" "" "C:\\Program Files\\Tessaline\\tessaline.exe"; then
    say "the installed app started"
  else
    echo "FAIL: the installed app showed no window"; failed=$((failed + 1))
  fi
  timeout 300 "$wine" msiexec /x "Z:$PWD/$msi" /qn >/dev/null 2>&1 || true
  if [ -e "$installed/tessaline.exe" ]; then
    echo "FAIL: uninstalling left $installed/tessaline.exe"; failed=$((failed + 1))
  else
    say "uninstalled"
  fi
else
  echo "FAIL: msiexec did not install $msi"; failed=$((failed + 1))
fi

exit $((failed > 0))
