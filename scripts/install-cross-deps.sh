#!/usr/bin/env bash
# Installs what the ARM cross-builds need: Debian's cross compilers, the
# arm64 and armhf development packages of hfamp's libraries and qemu-user,
# which runs the ARM test binaries on this machine.
# Kept apart from install-deps.sh so the ordinary build stays light.
#
# The libraries come as multiarch packages (dpkg --add-architecture). Those
# must have the very version the host has of each shared package, so when a
# mirror serves one architecture's index older or newer than the host's, apt
# cannot install them. The same packages are then unpacked into a private
# sysroot, /var/lib/hfamp-cross/<arch>, which the toolchain files use instead
# (cmake/cross-linux.cmake). Packages already present are skipped.
set -euo pipefail

libs=(
  libpng-dev libfreetype-dev libusb-1.0-0-dev libasound2-dev libopus-dev
  libssl-dev libglib2.0-dev libjpeg62-turbo-dev libturbojpeg0-dev libfftw3-dev
  libgtest-dev libgmock-dev
)
# A sysroot holds the C and C++ run-time too: qemu finds everything there.
sysroot_extra=(libc6-dev libstdc++6)
tools=(g++-aarch64-linux-gnu g++-arm-linux-gnueabihf qemu-user)
sysroots=/var/lib/hfamp-cross

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing_of() {  # missing_of SUFFIX PACKAGE...
  local suffix="$1" p
  shift
  for p in "$@"; do installed "$p$suffix" || echo "$p$suffix"; done
}

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-cross-deps: not root; run it as root (it needs apt-get and dpkg --add-architecture)" >&2
    exit 1
  fi
}

# Unpacks the target's packages (and all they depend on) into its sysroot,
# with absolute links turned to point inside it.
make_sysroot() {
  local arch="$1" root="$sysroots/$1" cache
  cache="$(mktemp -d)"
  mkdir -p "$cache/archives/partial"
  : >"$cache/status"
  apt-get -q -y -o Dir::State::status="$cache/status" -o APT::Architecture="$arch" \
    -o APT::Architectures::="$arch" -o Dir::Cache::archives="$cache/archives" \
    --no-install-recommends install --download-only "${libs[@]}" "${sysroot_extra[@]}" >/dev/null
  rm -rf "$root.new"
  mkdir -p "$root.new"
  for deb in "$cache/archives"/*.deb; do dpkg -x "$deb" "$root.new"; done
  find "$root.new" -type l -lname '/*' | while read -r link; do
    ln -sfn "$root$(readlink "$link")" "$link"
  done
  rm -rf "$root" "$cache"
  mv "$root.new" "$root"
  echo "install-cross-deps: $arch libraries unpacked into $root"
}

missing_tools=($(missing_of "" "${tools[@]}"))
arches=(arm64 armhf)
todo=()
for a in "${arches[@]}"; do
  [ -f "$sysroots/$a/usr/include/png.h" ] && continue
  [ -z "$(missing_of ":$a" "${libs[@]}")" ] && continue
  todo+=("$a")
done
if [ ${#missing_tools[@]} -eq 0 ] && [ ${#todo[@]} -eq 0 ]; then
  echo "install-cross-deps: all packages present"
  exit 0
fi

need_root
export DEBIAN_FRONTEND=noninteractive
for a in "${todo[@]}"; do
  dpkg --print-foreign-architectures | grep -qx "$a" || dpkg --add-architecture "$a"
done
# A mirror in mid-sync can fail one index; what did arrive is enough to go on.
apt-get update -qq || echo "install-cross-deps: apt-get update reported errors; going on" >&2
[ ${#missing_tools[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${missing_tools[@]}"
for a in "${todo[@]}"; do
  mapfile -t want < <(missing_of ":$a" "${libs[@]}")
  if ! apt-get install -y -qq --no-install-recommends "${want[@]}"; then
    echo "install-cross-deps: $a packages do not install beside the host's; using a sysroot" >&2
    make_sysroot "$a"
  fi
done
