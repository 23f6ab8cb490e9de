#!/usr/bin/env bash
# Installs every Debian package that Telvane's build and tests need. Idempotent: packages
# already present are not touched, and apt-get runs only when something is missing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config git python3
    clang libclang-rt-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    libpugixml-dev libinih-dev
    libosmocore-dev
    qt6-base-dev fonts-noto-cjk
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
