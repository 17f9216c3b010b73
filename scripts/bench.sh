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
# The served unit's front panel opens in any browser on the LAN.
args=("$@")
for ((i = 0; i < ${#args[@]} - 1; i++)); do
  if [ "${args[i]}" = "--serve" ]; then
    port=${args[i + 1]}
    lan=$(hostname -I 2>/dev/null | awk '{print $1}')
    echo "bench: front panel at http://127.0.0.1:${port}/ (on the LAN: http://${lan:-<this machine>}:${port}/)"
  fi
done
exec ./build/sim/hfamp-sim "$@"
