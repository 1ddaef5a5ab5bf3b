#!/usr/bin/env bash
# Runs clang-tidy with the repo's checks over the library, the host libraries and the tools, and fails
# when it reports anything. Uses the debug build's compilation database (configured when missing).
#
#   scripts/tidy.sh [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-$(nproc)}
cmake --preset debug >/dev/null
log=$(mktemp)
trap 'rm -f "${log}"' EXIT
run-clang-tidy -p build/debug -j "${jobs}" -quiet 'ZOLSystemUtility/|WallDataLib/|Logger/|tools/' >"${log}" 2>&1 || true
if grep -E "(warning|error):" "${log}" | sed 's/\x1b\[[0-9;]*m//g' | sort -u; then
    echo "clang-tidy: findings above"
    exit 1
fi
echo "clang-tidy: clean"
