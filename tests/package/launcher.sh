#!/usr/bin/env bash
# The package's launcher as a user meets it, with stand-ins for the two
# programs that write down how they were started: its arguments, the folder
# it starts in and what the launcher could not do.
#   launcher.sh LAUNCHER_IN WORK_DIR
# Runs as the user nobody where it runs as root (the superuser passes over
# the permissions some cases need); a small full disk only as root.
set -euo pipefail
launcher_in=$1
work=$2
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*"; exit 1; }

shared="$work/usr/share/vestra-code-editor"
mkdir -p "$shared/doc" "$work/usr/lib"
echo pdf >"$shared/doc/KVQ-VESTRA-SD001.pdf"
for name in accel_tracker sensor_demo thermo_monitor; do
    mkdir -p "$shared/examples/$name"
    # Large enough that a small disk fills up while copying them.
    head -c 200000 /dev/urandom | base64 >"$shared/examples/$name/$name.c"
    echo "#VCE_Board_Definitions: A" >"$shared/examples/$name/Makefile"
done
for program in editor viewer; do
    cat >"$work/usr/lib/$program" <<EOF
#!/bin/sh
{
    echo "program: $program"
    echo "folder: \$(pwd)"
    for arg in "\$@"; do echo "argument: \$arg"; done
    echo "problem: \${VESTRA_LAUNCH_PROBLEM:-none}"
} >"\$RECORD"
EOF
    chmod 755 "$work/usr/lib/$program"
done
launcher="$work/usr/bin/vestra-code-editor"
mkdir -p "$(dirname "$launcher")"
sed -e "s|@VESTRA_SHARED_TREE@|$shared|" -e "s|@VESTRA_PROGRAM@|$work/usr/lib/editor|" \
    -e "s|@VESTRA_VIEWER_PROGRAM@|$work/usr/lib/viewer|" "$launcher_in" >"$launcher"
chmod 755 "$launcher"

chmod -R a+rX "$work"
if [ "$(id -u)" -eq 0 ]; then
    id nobody >/dev/null 2>&1 || { echo "skipped: no user nobody"; exit 77; }
    owner=nobody
    as_user() { runuser -u nobody -- "$@"; }
else
    owner=$(id -un)
    as_user() { "$@"; }
fi
# A fresh home of the user's; prints its path.
fresh_home() {
    local home
    home=$(mktemp -d "$work/home.XXXXXX")
    chown "$owner" "$home"
    chmod 755 "$home"
    echo "$home"
}
# Starts the launcher as the user in `home` from the folder `from`.
launch() {
    local home=$1 from=$2
    shift 2
    as_user env -i HOME="$home" PATH=/usr/bin:/bin RECORD="$home/record" ${DATA:+XDG_DATA_HOME=$DATA} \
        sh -c 'cd "$1" && shift && exec "$@"' sh "$from" "$launcher" "$@"
}
record() { cat "$1/record"; }
# The examples of the tree under `home` are whole copies, nothing nested.
examples_whole() {
    local home=$1
    for name in accel_tracker sensor_demo thermo_monitor; do
        cmp -s "$shared/examples/$name/$name.c" "$home/.local/share/vestra-code-editor/examples/$name/$name.c" ||
            fail "$name is not a whole copy"
        [ ! -e "$home/.local/share/vestra-code-editor/examples/$name/$name" ] || fail "$name nested in itself"
    done
    [ -z "$(ls -A "$home/.local/share/vestra-code-editor/examples" | grep -v -E '^(accel_tracker|sensor_demo|thermo_monitor)$')" ] ||
        fail "something else in the examples: $(ls -A "$home/.local/share/vestra-code-editor/examples")"
}

# First start: the tree is made and the editor starts in it.
home=$(fresh_home)
launch "$home" / 
record "$home" | grep -qx "folder: $home/.local/share/vestra-code-editor/bin" || fail "first start: $(record "$home")"
record "$home" | grep -qx "problem: none" || fail "first start told a problem: $(record "$home")"
examples_whole "$home"

# Two starts at once, ten times over: no copy nested in another.
for try in $(seq 10); do
    home=$(fresh_home)
    launch "$home" / & launch "$home" / & wait
    examples_whole "$home"
done

# Help and version make nothing.
for option in --help --version; do
    home=$(fresh_home)
    launch "$home" / "$option"
    [ ! -e "$home/.local" ] || fail "$option made the tree"
    record "$home" | grep -qx "argument: $option" || fail "$option not passed on"
done

# The viewer finds a file named relative to where it was started.
home=$(fresh_home)
launch "$home" "$work" --viewer rec.txt --keep 10 --max-memory 512 - /abs.txt -- -odd.txt
expected="program: viewer
folder: $home/.local/share/vestra-code-editor/bin
argument: $work/rec.txt
argument: --keep
argument: 10
argument: --max-memory
argument: 512
argument: -
argument: /abs.txt
argument: --
argument: $work/-odd.txt
problem: none"
[ "$(record "$home")" = "$expected" ] || fail "viewer: $(record "$home")"

# A relative XDG_DATA_HOME, or one that reads as an option, is not used.
for data in relative/data -data; do
    home=$(fresh_home)
    DATA=$data launch "$home" /
    record "$home" | grep -qx "folder: $home/.local/share/vestra-code-editor/bin" || fail "XDG_DATA_HOME=$data: $(record "$home")"
done

# Where the tree cannot be made, the editor starts from the shared tree and
# says why.
for what in "a read-only home" "a plain file" "a dangling link"; do
    home=$(fresh_home)
    as_user mkdir -p "$home/.local/share"
    case $what in
        "a read-only home") chmod 555 "$home/.local/share" ;;
        "a plain file") as_user touch "$home/.local/share/vestra-code-editor" ;;
        "a dangling link") as_user ln -s "$home/nowhere/at/all" "$home/.local/share/vestra-code-editor" ;;
    esac
    launch "$home" /
    record "$home" | grep -qx "folder: $shared/examples" || fail "$what: $(record "$home")"
    record "$home" | grep -q "problem: The folder '$home/.local/share/vestra-code-editor'.*could not be made" ||
        fail "$what: $(record "$home")"
    record "$home" | grep -q -i "mkdir\|denied\|exists\|directory" || fail "$what: no reason given: $(record "$home")"
done

# A disk that fills up while the examples are copied: the start says so,
# and no part of a copy is left for a later start to take as the user's.
if [ "$(id -u)" -eq 0 ] && command -v mount >/dev/null; then
    home=$(fresh_home)
    disk="$work/disk"
    mkdir -p "$disk"
    if mount -t tmpfs -o size=300k tmpfs "$disk" 2>/dev/null; then
        trap 'umount "$disk" 2>/dev/null || true' EXIT
        chown "$owner" "$disk"
        for start in first second; do
            DATA=$disk launch "$home" /
            record "$home" | grep -q "problem: The examples in '$disk/vestra-code-editor' could not all" ||
                fail "full disk, $start start: $(record "$home")"
            for copy in "$disk"/vestra-code-editor/examples/*; do
                name=$(basename "$copy")
                cmp -s "$shared/examples/$name/$name.c" "$copy/$name.c" || fail "full disk: $name is a part of a copy"
            done
        done
        umount "$disk"
        trap - EXIT
    else
        echo "no small disk can be made here: that case is left out"
    fi
fi
echo "the launcher starts, shares, falls back and says why"
