#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh

dir=build
case "${TESSALINE_SANITIZER:-}" in
  asan) dir=build-asan ;;
  tsan) dir=build-tsan ;;
esac

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)" --timeout 600
