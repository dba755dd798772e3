#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with. Quiet and quick when
# everything is there already.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git procps
  qt6-base-dev libgl-dev libqcustomplot-dev libqcustomplot2.1-qt6 libgif-dev
  libusb-dev umockdev libumockdev-dev
  libgtest-dev libgmock-dev clang libclang-rt-14-dev
  dosfstools mtools fdisk
  fonts-noto-cjk fonts-dejavu-core xvfb xauth imagemagick xdotool poppler-utils
  libreoffice-calc-nogui libreoffice-dev
  gnumeric locales
)

# The locales the tests run under: comma decimals, English, Chinese.
LOCALES=(de_DE.UTF-8 en_US.UTF-8 zh_CN.UTF-8)

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

make_locales() {
  local want=()
  for l in "${LOCALES[@]}"; do
    locale -a 2>/dev/null | grep -qix "${l%.UTF-8}.utf8" || want+=("$l")
  done
  [ ${#want[@]} -eq 0 ] && return 0
  for l in "${want[@]}"; do
    grep -qx "$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen > /dev/null
  done
  $SUDO locale-gen > /dev/null
}

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
make_locales
