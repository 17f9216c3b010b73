#!/usr/bin/env bash
# Builds hfamp and starts the development bench: the program in a sandbox
# against the simulated hardware. Extra arguments go to hfamp-sim.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
# The unit is the WebSocket server on port 6666 unless told otherwise, so
# "remote client" can start a second unit beside it.
case " $* " in
  *" --serve "* | *" --client-of "*) ;;
  *) set -- --serve 6666 "$@" ;;
esac
exec ./build/sim/hfamp-sim "$@"
