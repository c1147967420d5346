#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing both targets.
# Safe to run again: it only asks apt for packages that are missing.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

pkgs=(build-essential cmake ninja-build pkg-config git
      mingw-w64 g++-mingw-w64-i686-win32
      wine wine32:i386 xvfb xauth x11-apps imagemagick xdotool
      libcurl4-openssl-dev googletest libgtest-dev
      libpalm-perl clang libclang-rt-14-dev llvm
      python3 tmux procps psmisc ccache nsis)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
