#!/usr/bin/env bash
# Takes a screenshot of every button-bar page from the bench into
# docs/screenshots/, pressing the front-panel buttons as an operator would.
#   scripts/gallery.sh [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-docs/screenshots}")"
mkdir -p "$out"
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null
root="$(mktemp -d /tmp/hfamp-gallery-XXXXXX)"
trap 'rm -rf "$root"' EXIT

step() { echo "$1"; sleep "${2:-0.7}"; }
shot() { step "shot $out/$1.png" 1; }

{
  sleep 16                           # start-up and the loading countdown
  shot page00-main
  step "press 5"; shot page01-setup-list
  step "press 6"; shot page02-value-edit
  step "press 6"; step "press 1"
  step "press 4"; shot page03-tune
  # A 2.2:1 antenna and a 5 W carrier; ATU in line, then TUNE.
  step "load 1 100 -30"; step "drive 5"; step "tx on"
  step "press 5"; step "press 4" 8; shot page03-tuned
  step "press 6" 1.5; shot page04-manual-tune
  step "tx off"
  step "press 1"; shot page08-save-tune
  step "press 1"
  step "hold 1 0.9" 1.5; shot page06-utilities
  step "press 6"; shot page07-antenna-edit
  step "press 1"; step "press 5"; shot page09-bank-utilities
  step "press 2"; shot page10-bank-copy
  step "press 1"; step "press 5"; step "press 3"; shot page11-bank-reset
  step "press 1"; step "press 1"
  step "press 5"
  for _ in $(seq 17); do step "press 4" 0.4; done   # down to FILTER SETTINGS
  step "press 6"; step "press 5"; step "press 6"; shot page12-filters
  step "press 1"
  # The information screen (VIEW held), and the setup list over it.
  step "hold 6 0.9" 1.5; shot info-screen
  step "press 5"; shot info-screen-setup-list
  step "press 1"; step "press 1"
  # The LAN address edited from the panel: SET (the list is still on FILTER
  # SETTINGS), up to IP, ENTER, the last byte up twice; ENTER rewrites
  # DIR/etc/network/interfaces.
  step "press 5"
  for _ in $(seq 8); do step "press 3" 0.4; done
  step "press 6"; step "press 5"; step "press 5"; shot page02-network-edit
  step "press 6"; step "press 1"
  # The other views of the main page, with VIEW pressed on the touch panel's
  # soft button.
  for view in 2 3 4 5; do step "touch 733 450"; shot "page00-view$view"; done
  step "touch 733 450"
  step "quit" 2
} | ./build/sim/hfamp-sim --root "$root" >"$root.log" 2>&1 || true

# The failed-link page: the same sandbox without the simulated amplifier, so
# the amplifier port cannot be opened.
rm -f "$root/dev/ttyAMA0"
(cd build && exec ./hfamp --root "$root" >"$root.log2" 2>&1) &
pid=$!
sleep 18
./build/tools/fbshot "$root" "$out/page05-failed-link.png" || true
kill -TERM "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
# Two units: the bench as server with a client unit beside it, the server on
# 40 m and bank 2.
port=$((20000 + RANDOM % 20000))
{
  sleep 3
  step "remote client" 1
  sleep 20
  step "rig freq 7100000" 3
  step "press 1" 3
  shot pair-server
  step "client shot $out/pair-client.png" 1
  # Carriers at the server's receiver, on the client's wide spectrum view.
  step "rx noise -125"; step "rx tone 20000 -45"; step "rx tone -42000 -70"; step "rx tone 61000 -90"
  for _ in 1 2 3; do step "client touch 733 450"; done
  step "client shot $out/pair-client-spectrum.png" 2
  step "quit" 4
} | ./build/sim/hfamp-sim --root "$root-pair" --serve "$port" >"$root.log3" 2>&1 || true
rm -rf "$root-pair" "$root-pair-client"
cp "$root/etc/network/interfaces" "$out/../network-interfaces-after-edit.txt" 2>/dev/null || true
ls "$out"
