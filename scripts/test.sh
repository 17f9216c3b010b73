#!/usr/bin/env bash
# Builds hfamp and runs the whole test suite in the sandbox.
#   scripts/test.sh          normal build
#   scripts/test.sh asan     AddressSanitizer + UndefinedBehaviorSanitizer
#   scripts/test.sh tsan     ThreadSanitizer
#   scripts/test.sh cross    arm64 and armhf cross-builds: unit tests under
#                            qemu-user, then their Debian packages
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
bash scripts/install-deps.sh

if [ "$preset" = cross ]; then
  bash scripts/install-cross-deps.sh
  # Two whole builds on a small machine: share compiled objects where ccache is.
  if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  fi
  notes=()
  status=0
  for arch in arm64 armhf; do
    start=$SECONDS
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch"
    built=$((SECONDS - start))
    start=$SECONDS
    result=0
    ctest --preset "$arch" 2>&1 | tee "build-$arch/ctest.log" || result=$?
    tested=$((SECONDS - start))
    (cd "build-$arch" && cpack -G DEB >/dev/null) || result=1
    [ "$result" -eq 0 ] || status=1
    counts="$(grep -E 'tests passed, [0-9]+ tests failed' "build-$arch/ctest.log" | tail -1)"
    notes+=("$arch: ${counts:-no test summary}; build ${built} s, tests ${tested} s; $(ls build-"$arch"/hfamp_*.deb 2>/dev/null)")
  done
  echo "--- cross summary"
  printf '%s\n' "${notes[@]}"
  exit "$status"
fi

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
