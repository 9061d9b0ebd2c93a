#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need (Debian 12).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libusb-1.0-0-dev libpng-dev libumockdev-dev umockdev
  clang-14 clang-format clang-tidy libclang-rt-14-dev
  libwxgtk3.2-dev xvfb xauth x11-utils fonts-wqy-microhei imagemagick
  libfreetype-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
