#!/usr/bin/env bash
# Installs the Debian packages the program and its build need, and with
# "test" also those the tests, benchmarks and fuzzers need.
# Idempotent, and silent when nothing is missing. Usage: install-deps.sh [run|test]
set -euo pipefail

packages=(
  cmake g++ make pkg-config libtomlplusplus-dev
  libfltk1.3-dev fonts-ipafont-gothic
  libhdf5-dev
  libgrpc++-dev protobuf-compiler-grpc libprotobuf-dev protobuf-compiler
)
if [ "${1:-test}" = test ]; then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev libtsan2
    xvfb xauth xdotool x11-utils imagemagick
    clang libclang-rt-14-dev
    dpkg-dev fakeroot binutils
    python3-numpy python3-pytest python3-h5py python3-matplotlib python3-dask
    openssl
  )
fi

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
