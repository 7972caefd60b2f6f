#!/usr/bin/env bash
# Installs what is missing, builds, and starts the app on the simulated machine
# (the demo machine on first run; TESSALINE_SIM_MACHINE names another machine file).
set -euo pipefail
cd "$(dirname "$0")/.."

# The action list's icons are colour emoji; without such a font they show as empty boxes.
scripts/setup.sh fonts-noto-color-emoji
scripts/build.sh

if [ ! -x build/bin/tessaline ]; then
  echo "The app itself is not built yet: build/bin/tessaline does not exist."
  echo "What exists so far is in build/bin/:"; ls build/bin 2>/dev/null || true
  exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Start one, for example:"
  echo "  sudo apt-get install xvfb && Xvfb :99 & export DISPLAY=:99"
  echo "or run with QT_QPA_PLATFORM=offscreen to start without showing a window."
  if [ -z "${QT_QPA_PLATFORM:-}" ]; then exit 1; fi
fi

exec build/bin/tessaline
