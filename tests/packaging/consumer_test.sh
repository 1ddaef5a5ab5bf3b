#!/usr/bin/env bash
# Builds the host example against the build tree's package files and runs it.
set -euo pipefail
source_dir=$1 build_dir=$2 work=$3 sanitize=${4:-}
flags=""
if [ -n "$sanitize" ]; then flags="-fsanitize=${sanitize}"; fi
rm -rf "$work"
cmake -S "$source_dir/tests/packaging/consumer" -B "$work" -G Ninja \
      -DZOLSystemUtility_DIR="$build_dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$work" >/dev/null
out=$("$work/consumer")
echo "$out"
[ "$(echo $out)" = "AA 0D 01 00 0E" ]
