#!/usr/bin/env bash
# Installs the Debian packages the editor needs to build, run and test, and
# only those that are missing. Safe to run again and again.
#   scripts/setup.sh           what building and running the editor needs
#   scripts/setup.sh --tests   and what the test suite needs besides
#   scripts/setup.sh --package and what building the Debian package needs
set -euo pipefail

packages=(
    cmake g++ gcc make pkg-config
    qtbase5-dev qtbase5-dev-tools
    fonts-liberation fonts-dejavu-core
    libbenchmark-dev
)
# The test suite also cross-compiles the examples for Windows, builds the
# fuzzing harnesses with clang, builds the Debian package and checks its
# desktop entries.
if [ "${1:-}" = "--tests" ]; then
    packages+=(gcc-mingw-w64-x86-64 clang dpkg-dev desktop-file-utils)
fi
# CPack asks dpkg-shlibdeps for the libraries' packages; lintian checks it.
if [ "${1:-}" = "--package" ]; then
    packages+=(dpkg-dev lintian)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
