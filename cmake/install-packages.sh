#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when any is missing: the host
# and mingw-w64 toolchains, GoogleTest, zlib, CLI11 (vntpack), zip, unzip and python3 (the
# archives of the extraction tests), clang with libFuzzer for the fuzz targets, and Wine (32-bit
# and 64-bit) with Xvfb and xdotool (real input) for the runs of SETUP.EXE, with the x86-64
# cross compiler for the build that 64-bit Wine runs where the kernel runs no 32-bit programs,
# and CUPS with Ghostscript for the printing test.
# Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  cmake make g++ googletest libgtest-dev zlib1g-dev libcli11-dev zip unzip python3 file
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine32:i386 wine64 fonts-wine xvfb xauth imagemagick xdotool cups ghostscript
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
