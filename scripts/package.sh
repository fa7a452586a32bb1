#!/usr/bin/env bash
# Sets everything up and builds the Debian package in build-package/, then
# checks it with lintian:
#   scripts/package.sh
# Install it with: sudo apt install ./build-package/vestra-code-editor_*.deb
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/setup.sh" --package

build="$repo/build-package"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DVESTRA_SYSTEM_INSTALL=ON \
      -DVESTRA_BUILD_TESTS=OFF -DVESTRA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
cpack -G DEB
lintian --fail-on error vestra-code-editor_*.deb
