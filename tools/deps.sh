#!/usr/bin/env bash
# Installs the Debian 12 packages Kelvra needs to build, run and test.
# Usage: tools/deps.sh [extra-package...]
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-tools-dev
    qt6-l10n-tools qt6-translations-l10n libgl-dev xvfb xauth
    desktop-file-utils appstream dpkg-dev ccache "$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo apt-get update -qq
    sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
else
    echo "Cannot install packages without root. Run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
