#!/usr/bin/env bash
# Installs what the build needs on Debian 12 / Ubuntu 24.04, skipping what is already there.
# Usage: scripts/setup.sh [extra-package ...]
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-translations-l10n
          desktop-file-utils appstream libgl-dev libglx-dev libopengl-dev ccache "$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
