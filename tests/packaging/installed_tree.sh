#!/usr/bin/env bash
# Uses an installed tree as a person and a host program would, with nothing of the build tree on any
# path: the installed zolctl against the installed zolsim, the examples built through find_package, and
# one built through pkg-config, each run against a simulated display.
#   installed_tree.sh PREFIX SOURCE_DIR WORK ADDRESS FIRST-LAST
# ADDRESS serves one display; the addresses FIRST-LAST (on one /24) serve a wall.
set -euo pipefail
prefix=$1 source_dir=$2 work=$3 address=$4 range=$5
unset LD_LIBRARY_PATH
mkdir -p "$work"
lib=$(find "$prefix" -name libZOLSystemUtility.so.1 -print -quit)
libdir=$(dirname "$lib")

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
# Starts the installed zolsim with the arguments given and waits (up to 5 s) for its first line.
start_zolsim() { # output file, arguments...
    local out=$1
    shift
    "$prefix/bin/zolsim" "$@" >"$out" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do
        if [ -s "$out" ]; then return 0; fi
        sleep 0.1
    done
    echo "zolsim $* did not start"; cat "$out"; return 1
}
expect() { # what, expected text, actual text
    if [[ $3 != *"$2"* ]]; then echo "$1: expected [$2] in [$3]"; exit 1; fi
}

start_zolsim "$work/display.out" --tcp "$address:1515"
start_zolsim "$work/wall.out" --tcp "$range:1515"
start_zolsim "$work/pty.out" --pty --id 3
pty=$(head -1 "$work/pty.out")

echo "--- installed zolctl"
expect "zolctl --version" "zolctl " "$("$prefix/bin/zolctl" --version)"
expect "zolctl status" "Power: true" "$("$prefix/bin/zolctl" --host "$address" status)"

echo "--- the examples through find_package"
cmake -S "$source_dir/examples" -B "$work/examples" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$work/examples" >/dev/null
expect "display_status" "power on, responding yes" "$("$work/examples/display_status" "$address")"
first=${range%-*} last=${range#*-}
wall=()
for ((i = ${first##*.}; i <= ${last##*.}; i++)); do wall+=("${first%.*}.$i"); done
sweep=$("$work/examples/wall_sweep" "${wall[@]}")
expect "wall_sweep" "${#wall[@]} displays: ${#wall[@]} ok, 0 failed" "$sweep"
head -c 3000 /dev/zero | tr '\0' '\7' >"$work/image.bin"
update=$("$work/examples/firmware_update" "$work/image.bin" "$pty:3" 2>"$work/progress.txt")
expect "firmware_update" "updated (query 1, set 1)" "$update"
expect "firmware_update progress" "firmware: 100%" "$(cat "$work/progress.txt")"

echo "--- a host through pkg-config"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
pc_prefix=$(pkg-config --variable=prefix zolsystemutility)
if [ "$(realpath "$pc_prefix")" != "$(realpath "$libdir/..")" ] && \
   [ "$(realpath "$pc_prefix")" != "$(realpath "$libdir/../..")" ]; then
    echo "pkg-config prefix $pc_prefix is not the installed tree's"; exit 1
fi
# shellcheck disable=SC2046 # the flags are words
g++ -std=c++20 "$source_dir/examples/display_status.cpp" -o "$work/pc_status" \
    $(pkg-config --cflags --libs zolsystemutility) -Wl,-rpath,"$libdir"
expect "pkg-config display_status" "power on, responding yes" "$("$work/pc_status" "$address")"
echo "the installed tree at $prefix works"
