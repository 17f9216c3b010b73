#!/usr/bin/env bash
# Installs what the ARM cross-builds need: Debian's cross compilers, the
# arm64 and armhf development packages of hfamp's libraries (multiarch) and
# qemu-user, which runs the ARM test binaries on this machine.
# Kept apart from install-deps.sh so the ordinary build stays light.
# Packages already present are skipped; apt-get runs only as root.
set -euo pipefail

arches=(arm64 armhf)
libs=(
  libpng-dev libfreetype-dev libusb-1.0-0-dev libasound2-dev libopus-dev
  libssl-dev libglib2.0-dev libjpeg62-turbo-dev libturbojpeg0-dev libfftw3-dev
  libgtest-dev libgmock-dev
)
packages=(g++-aarch64-linux-gnu g++-arm-linux-gnueabihf qemu-user)
for a in "${arches[@]}"; do
  for l in "${libs[@]}"; do packages+=("$l:$a"); done
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-cross-deps: all packages present"
  exit 0
fi

echo "install-cross-deps: missing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-cross-deps: not root; as root run: dpkg --add-architecture arm64;" \
    "dpkg --add-architecture armhf; apt-get update; apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
for a in "${arches[@]}"; do
  dpkg --print-foreign-architectures | grep -qx "$a" || dpkg --add-architecture "$a"
done
# A mirror in mid-sync can fail one index; what did arrive is enough to go on.
apt-get update -qq || echo "install-cross-deps: apt-get update reported errors; trying the install anyway" >&2
apt-get install -y -qq --no-install-recommends "${missing[@]}"
