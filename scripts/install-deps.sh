#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Idempotent, and silent when nothing is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config libtsan2
  libgtest-dev libgmock-dev libbenchmark-dev
  libfltk1.3-dev fonts-ipafont-gothic
  xvfb xauth xdotool x11-utils imagemagick
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
