#!/usr/bin/env bash
# Builds hfamp and runs every benchmark under perf/, printing their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default
for b in build/perf/bench_*; do
  echo "== $(basename "$b")"
  "$b" "$@"
done
