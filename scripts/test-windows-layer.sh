#!/usr/bin/env bash
# Cross-builds the Windows platform layer with mingw-w64 into build-windows/ and runs its
# contract tests against it under Wine. Installs the cross compiler and Wine when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh g++-mingw-w64-x86-64-posix wine64

dir=build-windows
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DTESSALINE_WINDOWS_LAYER_ONLY=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$dir" --parallel "$(nproc)"

. scripts/wine-prefix.sh
unset DISPLAY WAYLAND_DISPLAY
wine_prefix "$dir"
trap 'timeout 30 "$wineserver" -k 2>/dev/null || true' EXIT

# Wine's own complaints (devices it cannot read) go to standard error; the verdict is the exit code.
timeout 300 "$wine" "$dir/bin/platform_contract_windows.exe" 2>"$dir/wine-stderr.log"
