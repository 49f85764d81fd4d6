#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing the suite need,
# skipping those already present. Runs apt-get through sudo when not root.
# Packages named as arguments are installed too (tools/run-fuzzers.sh adds
# clang that way; it is not a main dependency).
# Usage: tools/install-deps.sh [extra package ...]
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config git
  libgtest-dev libgmock-dev
  python3 tzdata locales
  libssl-dev
  qt6-base-dev
  libjpeg62-turbo-dev libturbojpeg0-dev
  libjpeg-turbo-progs libtiff-tools libimage-exiftool-perl python3-pil
  libusb-1.0-0-dev libudev-dev
  iproute2
  python3-pyftpdlib curl vsftpd
  clang-format
  desktop-file-utils
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
