#!/usr/bin/env bash
# The bundled Makefiles on the platform the editor is mainly used on: make
# there runs recipes with cmd.exe and the compiler is called gcc. Where the
# MinGW cross compiler is installed, each example also builds a Windows
# program with the Windows branch.
#   examples.sh SOURCE_DIR WORK_DIR
# Exits 77 (skipped) without GNU make.
set -euo pipefail
source_dir=$1
work=$2
command -v make >/dev/null || { echo "skipped: GNU make is not installed"; exit 77; }
rm -rf "$work" && mkdir -p "$work"
fail() { echo "$1: $2"; exit 1; }

for example in thermo_monitor accel_tracker sensor_demo; do
    folder="$work/$example"
    cp -r "$source_dir/examples/$example" "$folder"
    build=$(make -s -C "$folder" -n OS=Windows_NT all)
    [[ $build == gcc\ * ]] || fail "$example" "the Windows build does not call gcc: $build"
    clean=$(make -s -C "$folder" -n OS=Windows_NT clean)
    [[ $clean == *"del /Q $example.exe"* ]] || fail "$example" "the Windows clean does not delete: $clean"
    [[ $clean != *"rm "* ]] || fail "$example" "the Windows clean calls rm: $clean"

    if command -v x86_64-w64-mingw32-gcc >/dev/null; then
        # The Windows branch with this machine's shell: the build recipe
        # reads the same in both.
        make -s -C "$folder" OS=Windows_NT SHELL=/bin/sh CC=x86_64-w64-mingw32-gcc 'CARTRIX_BOARD=Board "7"' all
        [ "$(head -c 2 "$folder/$example.exe")" = MZ ] || fail "$example" "no Windows program was made"
    fi
done
echo "examples: all Makefiles have their Windows branch"
