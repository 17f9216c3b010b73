#!/usr/bin/env bash
# Installs the Debian packages hfamp needs to build, test and run in the sandbox.
# Packages already present are skipped; apt-get runs only as root.
set -euo pipefail

packages=(
  g++ clang cmake ninja-build pkg-config make
  libpng-dev libfreetype-dev libusb-1.0-0-dev libasound2-dev libopus-dev
  libssl-dev libglib2.0-dev libjpeg62-turbo-dev libturbojpeg0-dev libfftw3-dev
  libjpeg-turbo-progs
  fonts-dejavu-core fonts-paratype
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  libhamlib-utils
  chromium nodejs
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: missing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: not root; install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
