#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS seconds each (default 60) under AddressSanitizer + UBSan,
# starting from the committed seed corpus. New inputs go to build/fuzz/tests/fuzz/corpus/<target>/;
# a crash or a broken invariant leaves its input in build/fuzz/findings/ and makes the script fail.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

build=build/fuzz
cmake --preset fuzz >/dev/null
mapfile -t all < <(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
targets=("${@:-${all[@]}}")
cmake --build "${build}" -j "$(nproc)" --target "${targets[@]}"

mkdir -p "${build}/findings"
failed=0
for target in "${targets[@]}"; do
    stem=${target#fuzz_}
    work="${build}/tests/fuzz/corpus/${stem}"
    mkdir -p "${work}"
    echo "=== ${target}: ${seconds} s"
    if ! ASAN_OPTIONS=detect_leaks=1 "${build}/tests/fuzz/${target}" -max_total_time="${seconds}" \
        -max_len=4096 -timeout=10 -print_final_stats=1 -artifact_prefix="${build}/findings/${stem}-" \
        "${work}" "tests/fuzz/corpus/${stem}" 2>"${build}/findings/${stem}.log"; then
        echo "    FAILED: see ${build}/findings/${stem}.log"
        failed=1
    fi
    grep -E "^(stat::number_of_executed_units|stat::new_units_added)|cov: " "${build}/findings/${stem}.log" | tail -3 |
        sed 's/^/    /'
done
exit ${failed}
