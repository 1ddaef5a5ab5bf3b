#!/usr/bin/env bash
# Second command of the README: install what is missing, then build and run the whole suite under
# AddressSanitizer + UBSan and in the release build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
for preset in asan release; do
    echo "=== ${preset}"
    cmake --preset "${preset}" >/dev/null
    cmake --build --preset "${preset}" -j "${jobs}"
    ctest --preset "${preset}"
done
