#!/usr/bin/env bash
# Builds hfamp and starts the development bench: the program in a sandbox
# against the simulated hardware. Extra arguments go to hfamp-sim.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec ./build/sim/hfamp-sim "$@"
