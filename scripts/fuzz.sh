#!/usr/bin/env bash
# Runs every fuzz target (libFuzzer, clang, ASan+UBSan, logging silenced) for a
# number of inputs each, two at a time, and prints each target's final figures.
#   scripts/fuzz.sh [RUNS] [TARGET...]      default 10000000 inputs, all targets
# FUZZ_ARGS adds libFuzzer flags, e.g. FUZZ_ARGS=-max_len=512 for the table
# readers, whose cost grows with the number of lines in an input.
# Findings are written to build-fuzz/findings/<target>/; add any to
# fuzz/corpus/<target>/ so the test suite replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-10000000}"
shift || true
bash scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(ls fuzz/corpus))
fi
work=build-fuzz/fuzz-work
mkdir -p "$work"

run() {
  local t=$1
  mkdir -p "$work/$t" "build-fuzz/findings/$t"
  local start=$SECONDS
  "build-fuzz/fuzz/fuzz_$t" -runs="$runs" -print_final_stats=1 -timeout=10 ${FUZZ_ARGS:-} \
    -artifact_prefix="build-fuzz/findings/$t/" "$work/$t" "fuzz/corpus/$t" >"$work/$t.out" 2>"$work/$t.err" || true
  {
    echo "== $t: $((SECONDS - start)) s"
    grep -E "DONE" "$work/$t.err" | tail -1
    grep -E "^stat::(number_of_executed_units|average_exec_per_sec)" "$work/$t.err"
    ls "build-fuzz/findings/$t"
  } >"$work/$t.summary"
}

# Two lanes: the machine has two cores.
lane() { for t in "$@"; do run "$t"; done; }
half=$(( (${#targets[@]} + 1) / 2 ))
lane "${targets[@]:0:$half}" &
lane "${targets[@]:$half}" &
wait
cat "$work"/*.summary
