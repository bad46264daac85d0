#!/usr/bin/env bash
# Installs the Debian packages Kovrel needs to build, run and test, when missing.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libwxgtk3.2-dev zlib1g-dev libcurl4-openssl-dev libzip-dev libpugixml-dev
    nasm libcapstone-dev libzydis-dev
    g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
    xvfb xdotool x11-utils xclip imagemagick fonts-noto-cjk
    python3 python3-pyftpdlib
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
