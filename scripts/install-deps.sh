#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the demo need. Safe to run again:
# packages already present are not fetched, and apt's lists are refreshed only when something
# is missing.
#   scripts/install-deps.sh            the Linux build (scripts/test.sh, scripts/demo.sh)
#   scripts/install-deps.sh --windows  the Windows cross build and Wine (scripts/test-windows.sh)
set -euo pipefail

if [ "${1:-}" = "--windows" ]; then
  packages=(
    cmake ninja-build
    g++-mingw-w64-x86-64 googletest
    libz-mingw-w64-dev libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev
    wine wine64
    xvfb xauth
  )
else
  packages=(
    build-essential cmake ninja-build pkg-config
    clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libicu-dev
    zlib1g-dev libgcrypt20-dev
    libgtk-3-dev
    xvfb xauth xdotool imagemagick libx11-dev libxtst-dev fonts-dejavu-core
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
