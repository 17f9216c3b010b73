#!/usr/bin/env bash
# Builds the Debian package from a finished build and checks what an owner's
# board would get from it: the file list, the control fields (every library
# the program links is a declared dependency), the service file, and that the
# program unpacked from the package starts, finds its pictures and fonts, and
# stops cleanly on SIGTERM.
#   check_package.sh BUILD_DIR VERSION ARCH PICTURE_NAME...
set -uo pipefail
build="$(cd "$1" && pwd)" version="$2" arch="$3"
shift 3
pictures=("$@")

scratch="$(mktemp -d)"
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

passed=0 failed=0
check() {  # check NAME COMMAND...: one named check, counted
  local name="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $name" >&2
    failed=$((failed + 1))
  fi
}

# --- the package ------------------------------------------------------------
if ! (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1); then
  cat "$scratch/cpack.log" >&2
  echo "0 passed, 1 failed"
  exit 1
fi
deb="$scratch/out/hfamp_${version}_${arch}.deb"
check "package file hfamp_${version}_${arch}.deb" test -f "$deb"
[ -f "$deb" ] || { ls "$scratch/out" >&2; echo "$passed passed, $failed failed"; exit 1; }

info="$(dpkg-deb -I "$deb")"
field() { dpkg-deb -f "$deb" "$1"; }
check "Package: hfamp" test "$(field Package)" = hfamp
check "Version: $version" test "$(field Version)" = "$version"
check "Architecture: $arch" test "$(field Architecture)" = "$arch"
depends="$(field Depends)"
for p in fonts-dejavu-core fonts-paratype; do
  check "Depends names $p" grep -qw -- "$p" <<<"$depends"
done
for s in postinst prerm postrm; do
  check "maintainer script $s" grep -qw "$s" <<<"$info"
done

listing="$(dpkg-deb -c "$deb")"
has() { grep -qE -- "$1" <<<"$listing"; }
check "program /opt/hfamp/hfamp, executable" has '^-rwxr-xr-x .* \./opt/hfamp/hfamp$'
for name in "${pictures[@]}"; do
  check "picture $name.png" has " \./opt/hfamp/$name\.png$"
done
check "service file" has '^-rw-r--r-- .* \./lib/systemd/system/hfamp\.service$'
for face in PTS55F PTS75F; do
  check "/opt/fonts/${face}_W.ttf links to fonts-paratype" \
    has " \./opt/fonts/${face}_W\.ttf -> /usr/share/fonts/truetype/paratype/${face}\.ttf$"
done
check "board notes in /usr/share/doc/hfamp" has ' \./usr/share/doc/hfamp/board\.md$'
check "nothing outside the system's folders" bash -c "! grep -qE ' \./(share|bin|lib/[^s])' <<<\"\$0\"" "$listing"
check "nothing under /opt/set (the read-only partition is the board's)" bash -c "! grep -q '\./opt/set' <<<\"\$0\"" "$listing"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"

# Every shared library the program needs comes from a package in Depends.
covered() {
  local lib="$1" path owner
  path="$(ldconfig -p | awk -v l="$lib" '$1 == l && /x86-64|x32|64bit/ { print $NF; exit }')"
  [ -n "$path" ] || path="$(ldconfig -p | awk -v l="$lib" '$1 == l { print $NF; exit }')"
  owner="$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -1 | cut -d: -f1)"
  [ -z "$owner" ] && owner="$(dpkg -S "$path" 2>/dev/null | head -1 | cut -d: -f1)"
  [ -n "$owner" ] && grep -qw -- "$owner" <<<"$depends"
}
while read -r lib; do
  check "Depends covers $lib" covered "$lib"
done < <(readelf -d "$root/opt/hfamp/hfamp" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')

# --- the service ------------------------------------------------------------
unit="$root/lib/systemd/system/hfamp.service"
key() { grep -qx -- "$1" "$unit"; }
check "After=local-fs.target" key 'After=local-fs.target'
check "ExecStart runs the program itself" key 'ExecStart=/opt/hfamp/hfamp'
check "WorkingDirectory is the install folder" key 'WorkingDirectory=/opt/hfamp'
check "Restart=always" key 'Restart=always'
check "never gives up restarting" key 'StartLimitIntervalSec=0'
check "KillSignal=SIGTERM" key 'KillSignal=SIGTERM'
check "TimeoutStopSec set" grep -qE '^TimeoutStopSec=[1-9][0-9]*$' "$unit"
check "logs to the journal" key 'StandardError=journal'
check "no shell wrapper" bash -c "! grep -qE '^Exec.*(/bin/sh|bash| -c )' \"\$0\"" "$unit"
check "WantedBy=multi-user.target" key 'WantedBy=multi-user.target'
if command -v systemd-analyze >/dev/null; then
  # verify looks for ExecStart on this machine: point it into the unpacked root.
  sed "s|=/opt/hfamp|=$root/opt/hfamp|" "$unit" >"$scratch/hfamp.service"
  verify() {
    local out
    out="$(SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no "$scratch/hfamp.service" 2>&1)"
    # Only complaints about our unit count; the host's own units are not ours.
    ! grep -E 'hfamp\.service' <<<"$out" | grep -v 'Documentation' | grep .
  }
  check "systemd-analyze verify" verify
fi

# --- the program from the package starts and stops as the service would -----
sandbox="$scratch/sandbox"
mkdir -p "$sandbox/opt" "$sandbox/usr/share/fonts/truetype"
cp -a "$root/opt/fonts" "$sandbox/opt/fonts"
ln -s /usr/share/fonts/truetype/dejavu "$sandbox/usr/share/fonts/truetype/dejavu"
(cd "$root/opt/hfamp" && exec ./hfamp --root "$sandbox" 2>"$scratch/stderr.txt") &
pid=$!
started() { grep -q 'Time Loading ... 1\.\.' "$scratch/stderr.txt" 2>/dev/null; }
for _ in $(seq 1 250); do started && break; sleep 0.1; done
check "program started from the package (loading countdown ran)" started
timeout_s="$(sed -n 's/^TimeoutStopSec=//p' "$unit")"
start=$(date +%s)
kill -TERM "$pid"
status=124
for _ in $(seq 1 $((timeout_s * 10))); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    status=$?
    break
  fi
  sleep 0.1
done
[ "$status" = 124 ] || pid=""
check "SIGTERM: exit 0 within TimeoutStopSec=${timeout_s}s (took $(($(date +%s) - start)) s)" test "$status" = 0
check "SIGTERM: clean shut-down" grep -q 'Closed!' "$scratch/stderr.txt"
log="$sandbox/var/log/hfamp.log"
check "every picture found in the working directory" bash -c "! grep -q 'image could not be opened' \"\$0\"" "$log"
check "every font face found" bash -c "! grep -q 'FreeType: file' \"\$0\"" "$log"

if [ "$failed" -ne 0 ]; then
  echo "--- program's standard error" >&2
  tail -20 "$scratch/stderr.txt" >&2
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
