#!/usr/bin/env bash
# Starts the app under a virtual X display on a fresh copy of the demo machine and saves a
# picture of the main window to docs/main-window.png. The user's own machine file is not used.
# Usage: scripts/screenshot.sh [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/main-window.png}"

scripts/setup.sh xvfb x11-utils x11-xserver-utils xcompmgr imagemagick fonts-noto-cjk fonts-noto-color-emoji

if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja
fi
cmake --build build --target tessaline

work="$(mktemp -d)"
app_pid=""
xvfb_pid=""
compositor_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$compositor_pid" ] && kill "$compositor_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1400x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
  DISPLAY=":$display" xwininfo -root >/dev/null 2>&1 && break
  sleep 0.1
done
# A plain desktop and a compositor, so the window's rounded, translucent corners look as they
# do on a real desktop instead of black.
DISPLAY=":$display" xsetroot -solid "#dfe5ec"
DISPLAY=":$display" xcompmgr >"$work/xcompmgr.log" 2>&1 &
compositor_pid=$!

# No machine file at this path yet: the app creates it from the built-in demo machine.
DISPLAY=":$display" QT_QPA_PLATFORM=xcb TESSALINE_SIM_MACHINE="$work/machine.json" \
  build/bin/tessaline >"$work/app.log" 2>&1 &
app_pid=$!

# Wait for the first tree rebuild, then for the status popup to go away and the window to paint.
for _ in $(seq 150); do
  grep -q "refreshDiskList completed" "$work/app.log" && break
  sleep 0.1
done
if ! grep -q "refreshDiskList completed" "$work/app.log"; then
  echo "The app did not finish its first refresh; its output:" >&2
  cat "$work/app.log" >&2
  exit 1
fi
sleep 1.5

window="$(DISPLAY=":$display" xwininfo -root -tree | awk '/"Disk Management - Storage Management API Edition"/ {print $1; exit}')"
if [ -z "$window" ]; then
  echo "The main window was not found on the display." >&2
  exit 1
fi
geometry="$(DISPLAY=":$display" xwininfo -id "$window" | awk '
  /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
  /Width:/ {w=$NF} /Height:/ {h=$NF} END {m=12; printf "%dx%d+%d+%d", w+2*m, h+2*m, x-m, y-m}')"

# The screen is grabbed (what a user sees) and cut to the window with a small margin of desktop.
mkdir -p "$(dirname "$out")"
DISPLAY=":$display" import -window root "$work/screen.png"
convert "$work/screen.png" -crop "$geometry" +repage "$out"
echo "Saved $out ($geometry)"
