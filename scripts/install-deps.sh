#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tonzettel need.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libglx-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  lame python3 python3-mutagen kid3-cli time
  fuse3 fusefat exfat-fuse ntfs-3g dosfstools exfatprogs e2fsprogs util-linux
  locales
  dpkg-dev file appstream desktop-file-utils man-db
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
# The size cell follows the locale's decimal separator; tests check it under German.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  $SUDO locale-gen
fi
