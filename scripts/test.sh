#!/usr/bin/env bash
# Second command of the README: install what is missing, then build and run the whole suite under
# AddressSanitizer + UBSan and in the release build, a short soak under the sanitizers, the threaded
# subset under ThreadSanitizer, and every fuzz target for a bounded time; the release library's binary
# interface is checked against the committed baseline, and the API reference must build without a warning.
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

echo "=== docs (API reference, every exported declaration documented)"
cmake --build build/release --target docs

echo "=== abi (release library against the committed baseline)"
scripts/abi-check.sh build/release

echo "=== soak (short, asan)"
build/asan/tests/soak/soak_commands 2000
build/asan/tests/soak/soak_fleet 30

echo "=== tsan (threaded subset)"
cmake --preset tsan >/dev/null
mapfile -t tsan_targets < <(ctest --preset tsan -N | sed -n 's/^ *Test *#[0-9]*: *//p')
cmake --build --preset tsan -j "${jobs}" --target "${tsan_targets[@]}"
ctest --preset tsan

echo "=== fuzz (bounded: three minutes shared out over the targets)"
scripts/fuzz.sh --total 180
