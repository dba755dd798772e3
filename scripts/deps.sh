#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with. Quiet and quick when
# everything is there already.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git procps
  qt6-base-dev libgl-dev libqcustomplot-dev libqcustomplot2.1-qt6
  libusb-dev umockdev libumockdev-dev
  libgtest-dev libgmock-dev clang libclang-rt-14-dev
  dosfstools mtools fdisk
  fonts-noto-cjk fonts-dejavu-core xvfb xauth imagemagick xdotool poppler-utils
  libreoffice-calc-nogui libreoffice-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
