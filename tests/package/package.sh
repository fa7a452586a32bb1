#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and uses it as
# an ordinary user with a fresh home would: the launcher makes the user's
# tree and starts the installed editor (offscreen) in it, and an example
# of that tree builds and runs.
#   package.sh SOURCE_DIR WORK_DIR
# Exits 77 (skipped) where there is no dpkg or no other user to be.
set -euo pipefail
source_dir=$1
work=$2
skip() { echo "skipped: $1"; exit 77; }
command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null || skip "no dpkg tools"
[ "$(id -u)" -eq 0 ] && id nobody >/dev/null 2>&1 || skip "needs root and the user nobody"

rm -rf "$work" && mkdir -p "$work"
cmake -S "$source_dir" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DVESTRA_SYSTEM_INSTALL=ON -DVESTRA_BUILD_TESTS=OFF -DVESTRA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$work/build" -j"$(nproc)" >/dev/null
(cd "$work/build" && cpack -G DEB >/dev/null)
package=$(ls "$work"/build/vestra-code-editor_*_*.deb)
dpkg-deb -f "$package" Depends | grep -q "make, gcc | c-compiler, fonts-liberation, libc6"

root="$work/root"
dpkg-deb -x "$package" "$root"
# The launcher and the desktop entries name /usr; here they live in $root.
sed -i "s|\"/usr/|\"$root/usr/|" "$root/usr/bin/vestra-code-editor"
grep -q "^Exec=vestra-code-editor$" "$root/usr/share/applications/vestra-code-editor.desktop"
grep -q "^Exec=vestra-code-editor --viewer %F$" "$root/usr/share/applications/vestra-sensor-viewer.desktop"
for entry in "$root"/usr/share/applications/*.desktop; do
    ! grep -q '^$' "$entry" || { echo "$entry has an empty line"; exit 1; }
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$entry"
    fi
done
[ -e "$root/usr/share/icons/hicolor/128x128/apps/vestra-sensor-viewer.png" ]

home="$work/home"
mkdir -p "$home"
chown -R nobody "$work"
chmod -R a+rX "$work"
as_user() { runuser -u nobody -- env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin" QT_QPA_PLATFORM=offscreen "$@"; }
# Starts a program through the launcher; it must stay up until ended.
stays_up() {
    local status=0
    as_user timeout -s TERM "$@" >"$work/editor.log" 2>&1 || status=$?
    [ "$status" -eq 124 ] || { cat "$work/editor.log"; echo "$2 $3 ended by itself ($status)"; exit 1; }
}

# First start: the tree is made and the editor runs in it; the viewer too.
stays_up 4 "$root/usr/bin/vestra-code-editor"
tree="$home/.local/share/vestra-code-editor"
[ -x "$tree/bin/vestra-code-editor" ] && [ -e "$tree/doc/KVQ-VESTRA-SD001.pdf" ]
example="$tree/examples/thermo_monitor"
[ -w "$example/thermo_monitor.c" ]
[ -r "$tree/examples/sensor_demo/recording.txt" ]

# An edited example survives the next start.
echo "/* mine */" | as_user tee -a "$example/thermo_monitor.c" >/dev/null
stays_up 2 "$root/usr/bin/vestra-code-editor"
stays_up 2 "$root/usr/bin/vestra-code-editor" --viewer
tail -n 1 "$example/thermo_monitor.c" | grep -q "mine"

# What Build and Run do in the user's tree.
as_user make -C "$example" "CARTRIX_BOARD=TH100" all >/dev/null
as_user "$example/thermo_monitor.exe" </dev/null | grep -q "Done: 20 readings."
echo "package installs, starts and builds as a user"
