#!/usr/bin/env bash
# Installs every Debian package Tavimo needs to build, run, test and benchmark.
# Idempotent: when everything is present it returns without touching apt.
# With --fuzz it also installs clang and libFuzzer for the targets under fuzz/;
# with --desktop a window manager and xdotool, to drive the program under Xvfb
# as a person would (tools/screenshots, trying windows out by hand).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins libqt6svg6
  qt6-qpa-plugins libgl-dev
  libsqlcipher-dev sqlcipher
  zlib1g-dev nettle-dev
  libfreetype-dev libfontconfig-dev fonts-liberation
  libbenchmark-dev
  qpdf poppler-utils
  xvfb xauth imagemagick
)
for option in "$@"; do
  case "$option" in
    --fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    --desktop) packages+=(openbox xdotool x11-utils) ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
