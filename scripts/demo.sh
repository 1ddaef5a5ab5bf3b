#!/usr/bin/env bash
# First command of the README: install what is missing, build, and run the guided demo against the
# simulated display (no hardware needed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target zolctl zolsim
if build/release/tools/zolctl/zolctl demo --help >/dev/null 2>&1; then
    exec build/release/tools/zolctl/zolctl demo
fi
exec build/release/tools/zolctl/zolctl --help
