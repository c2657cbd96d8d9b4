#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine; does
# nothing when everything is present. Run as root (or with sudo available).
set -euo pipefail

packages=(cmake make g++ googletest g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb xdotool
          x11-utils imagemagick fonts-wqy-microhei fonts-wine python3 curl ca-certificates nsis
          clang-14 libclang-rt-14-dev python3-cryptography osslsigncode)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null
echo "setup: done"
