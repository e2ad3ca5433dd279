#!/usr/bin/env bash
# Installs what Korvex needs on Debian 12. Idempotent: packages already present are left
# alone. Run as root (or with sudo).
#   scripts/install-deps.sh           # build, test, benchmark and fuzz on this machine
#   scripts/install-deps.sh --tool    # only what building and running krv needs
#   scripts/install-deps.sh --cross   # all of the above and the 32-bit x86 and Windows targets
set -euo pipefail
group=${1:-}
case "$group" in '' | --tool | --cross) ;; *) echo "usage: $0 [--tool | --cross]" >&2; exit 2 ;; esac
tool_packages=(
  build-essential cmake ninja-build pkg-config
  libcli11-dev libpng-dev libfontconfig-dev fonts-dejavu-core
  python3 pngcheck
)
packages=(
  "${tool_packages[@]}" git
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libssl-dev libpcre2-dev
  sharutils unicode-data
  x11-common
  xvfb zenity xdotool
  groff-base man-db
)
# The other targets: 32-bit x86 Linux run under qemu-i386, Windows x86-64 run under Wine,
# GoogleTest built for each from Debian's sources.
cross_packages=(
  googletest g++-multilib qemu-user libpng-dev:i386 libfontconfig-dev:i386
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64
)
case "$group" in
  --tool) packages=("${tool_packages[@]}") ;;
  --cross) packages+=("${cross_packages[@]}") ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  # The i386 libraries come from Debian's multiarch archive.
  if [ "$group" = --cross ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
