#!/usr/bin/env bash
# Builds hfamp and runs the whole test suite in the sandbox.
#   scripts/test.sh          normal build
#   scripts/test.sh asan     AddressSanitizer + UndefinedBehaviorSanitizer
#   scripts/test.sh tsan     ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
