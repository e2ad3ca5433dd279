#!/usr/bin/env bash
# Installs what Korvex needs to build, test, benchmark and fuzz on Debian 12.
# Idempotent: packages already present are left alone. Run as root (or with sudo).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libssl-dev libpcre2-dev
  sharutils unicode-data
  libcli11-dev python3
  x11-common
  xvfb zenity xdotool
  libpng-dev libfontconfig-dev fonts-dejavu-core pngcheck
  # The other targets: 32-bit x86 Linux run under qemu-i386, Windows x86-64 run under Wine,
  # GoogleTest built for each from Debian's sources.
  googletest g++-multilib qemu-user libpng-dev:i386 libfontconfig-dev:i386
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  # The i386 libraries come from Debian's multiarch archive.
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
