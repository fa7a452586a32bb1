#!/usr/bin/env bash
# Sets everything up, builds what changed, installs into build/install and
# starts the editor from its bin folder (it finds the examples and documents
# beside that folder).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

# Said before anything is set up or built, which takes minutes the first time.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    echo "No display found. Run it under a virtual one instead:" >&2
    echo "    xvfb-run -a scripts/run.sh" >&2
    if ! command -v xvfb-run >/dev/null; then
        echo "xvfb-run comes with the Debian package xvfb: sudo apt-get install xvfb" >&2
    fi
    exit 1
fi

"$repo/scripts/setup.sh"

build="$repo/build"
prefix="$build/install"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$build" -j"$(nproc)" --target vestra-code-editor vestra-sensor-viewer vestra-docs
cmake --install "$build" >/dev/null

cd "$prefix/bin"
exec ./vestra-code-editor "$@"
