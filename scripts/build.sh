#!/usr/bin/env bash
# Configures (once) and builds incrementally.
# Usage: scripts/build.sh [build-dir] [extra cmake -D options...]
# TESSALINE_SANITIZER=asan|tsan selects a sanitizer build (default dir build-asan / build-tsan).
set -euo pipefail
cd "$(dirname "$0")/.."

san="${TESSALINE_SANITIZER:-}"
default_dir=build
extra=()
case "$san" in
  "") ;;
  asan) default_dir=build-asan; extra+=(-DTESSALINE_ASAN=ON) ;;
  tsan) default_dir=build-tsan; extra+=(-DTESSALINE_TSAN=ON) ;;
  *) echo "TESSALINE_SANITIZER must be asan or tsan" >&2; exit 2 ;;
esac

dir="${1:-$default_dir}"
shift || true

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${extra[@]}" "$@"
fi
cmake --build "$dir" --parallel "$(nproc)"
