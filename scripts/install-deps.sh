#!/usr/bin/env bash
# Installs every Debian package Harvex needs to build, test and benchmark.
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ pkg-config git clang-format
  qt6-base-dev
  libarchive-dev libzip-dev libssl-dev libb2-dev zlib1g-dev
  libgtest-dev libgmock-dev googletest
  libarchive-tools zip unzip p7zip-full bc time
  xvfb xauth imagemagick trayer
  clang libclang-rt-14-dev
  libglib2.0-dev desktop-file-utils appstream librsvg2-bin dpkg-dev lintian
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
