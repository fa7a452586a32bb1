#!/usr/bin/env bash
# Sets everything up, builds what changed, installs into build/install and
# starts the editor from its bin folder (it finds the examples and documents
# beside that folder).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/setup.sh"

build="$repo/build"
prefix="$build/install"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$build" -j"$(nproc)" --target vestra-code-editor vestra-sensor-viewer vestra-docs
cmake --install "$build" >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    echo "No display found: run it under a virtual one instead: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi

cd "$prefix/bin"
exec ./vestra-code-editor "$@"
