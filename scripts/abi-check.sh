#!/usr/bin/env bash
# Compares the binary interface of a built libZOLSystemUtility with the baseline committed in abi/:
# the exported functions and variables, the layout of every exported type and the order of every
# virtual table. Any difference fails, additions included, until the baseline is taken again on purpose,
# in the same commit as the change (docs/abi.md says when that also bumps the SONAME).
#
#   scripts/abi-check.sh [BUILD_DIR]            check (BUILD_DIR defaults to build/release)
#   scripts/abi-check.sh --update [BUILD_DIR]   take the baseline anew from BUILD_DIR's library
set -euo pipefail
cd "$(dirname "$0")/.."

update=0
if [ "${1:-}" = "--update" ]; then
    update=1
    shift
fi
build="${1:-build/release}"
library="${build}/ZOLSystemUtility/libZOLSystemUtility.so"
baseline="abi/libZOLSystemUtility.abi.xz"

if [ ! -e "${library}" ]; then
    echo "abi-check: ${library} is not built" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "${work}"' EXIT

# Only what the exported headers declare; no source locations, so moving a declaration is no change.
abidw --headers-dir ZOLSystemUtility/include --headers-dir "${build}/generated" \
      --drop-private-types --drop-undefined-syms --no-show-locs --no-corpus-path \
      --out-file "${work}/built.abi" "${library}"

if [ "${update}" -eq 1 ]; then
    xz -9 -c "${work}/built.abi" > "${baseline}"
    echo "abi-check: baseline taken from ${library} into ${baseline}"
    exit 0
fi

xz -d -c "${baseline}" > "${work}/baseline.abi"
status=0
abidiff --no-show-locs "${work}/baseline.abi" "${work}/built.abi" > "${work}/report.txt" || status=$?
if [ "${status}" -eq 0 ]; then
    echo "abi-check: the binary interface of ${library} matches ${baseline}"
    exit 0
fi
cat "${work}/report.txt"
echo "abi-check: the binary interface changed (abidiff status ${status})." >&2
echo "abi-check: if that is intended, run scripts/abi-check.sh --update and commit the baseline with it." >&2
exit 1
