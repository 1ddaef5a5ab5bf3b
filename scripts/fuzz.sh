#!/usr/bin/env bash
# Runs every libFuzzer target under AddressSanitizer + UBSan, one after another, starting from the
# committed seed corpus. New inputs go to build/fuzz/tests/fuzz/corpus/<target>/; a crash, a leak, a
# timeout or a broken invariant leaves its input in build/fuzz/findings/ and makes the script fail.
# Prints one row per target: executions, executions per second, coverage (libFuzzer's cov and ft at the
# end) and the findings of this run.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]          each target SECONDS seconds (default 60)
#   scripts/fuzz.sh --total SECONDS [TARGET...]    SECONDS shared out over the targets (at least 5 each)
#   scripts/fuzz.sh --merge [TARGET...]            minimise the committed corpus with what runs found
set -euo pipefail
cd "$(dirname "$0")/.."

mode=each
seconds=60
case "${1:-}" in
--total)
    mode=total
    seconds=${2:?--total takes SECONDS}
    shift 2
    ;;
--merge)
    mode=merge
    shift
    ;;
"") ;;
*)
    seconds=$1
    shift
    ;;
esac

build=build/fuzz
cmake --preset fuzz >/dev/null
mapfile -t all < <(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
targets=("${@:-${all[@]}}")
cmake --build "${build}" -j "$(nproc)" --target "${targets[@]}"

if [[ ${mode} == merge ]]; then
    # The committed corpus becomes the smallest set of its inputs and the run's that keeps every feature.
    for target in "${targets[@]}"; do
        stem=${target#fuzz_}
        committed=tests/fuzz/corpus/${stem}
        merged=$(mktemp -d)
        mkdir -p "${committed}" "${build}/tests/fuzz/corpus/${stem}"
        "${build}/tests/fuzz/${target}" -merge=1 -max_len=4096 -timeout=10 "${merged}" "${committed}" \
            "${build}/tests/fuzz/corpus/${stem}" 2>/dev/null
        rm -f "${committed}"/*
        cp "${merged}"/* "${committed}/"
        rm -rf "${merged}"
        echo "${target}: $(find "${committed}" -type f | wc -l) inputs, $(du -s --apparent-size --block-size=1 "${committed}" | cut -f1) bytes"
    done
    exit 0
fi

if [[ ${mode} == total ]]; then
    seconds=$((seconds / ${#targets[@]}))
    ((seconds >= 5)) || seconds=5
fi

findings=${build}/findings
mkdir -p "${findings}"
failed=0
rows=()
for target in "${targets[@]}"; do
    stem=${target#fuzz_}
    work="${build}/tests/fuzz/corpus/${stem}"
    log="${findings}/${stem}.log"
    mkdir -p "${work}"
    start=$(mktemp)
    echo "=== ${target}: ${seconds} s" >&2
    status=ok
    # A target's words (commands, keys) start its search when it has a dictionary.
    dictionary=()
    [[ -f tests/fuzz/${stem}.dict ]] && dictionary=(-dict="tests/fuzz/${stem}.dict")
    if ! ASAN_OPTIONS=detect_leaks=1 "${build}/tests/fuzz/${target}" -max_total_time="${seconds}" \
        -max_len=4096 -timeout=10 -print_final_stats=1 -artifact_prefix="${findings}/${stem}-" \
        "${dictionary[@]}" "${work}" "tests/fuzz/corpus/${stem}" 2>"${log}"; then
        status="FAILED (${log})"
        failed=1
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "${log}")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "${log}")
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "${log}" | tail -1 | awk '{print $2 "/" $4}')
    found=$(find "${findings}" -maxdepth 1 -newer "${start}" \
        \( -name "${stem}-crash-*" -o -name "${stem}-leak-*" -o -name "${stem}-timeout-*" \
        -o -name "${stem}-oom-*" \) | wc -l)
    rm -f "${start}"
    rows+=("$(printf '%-26s %12s %9s %13s %8s  %s' "${target}" "${executions:-?}" "${rate:-?}" \
        "${coverage:-?}" "${found}" "${status}")")
done

printf '%-26s %12s %9s %13s %8s  %s\n' target executions exec/s cov/ft findings status
printf '%s\n' "${rows[@]}"
exit ${failed}
