#!/usr/bin/env bash
# Builds and installs the check program, its library, the simulated board
# driver and the help file under build/install (no tests, no benchmarks),
# then starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" run
build=$root/build
prefix=$build/install
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_TESTING=OFF -DTAMRIX_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cmake --install "$build" >/dev/null
program=$prefix/bin/tamrix
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: run it on a desktop, or under a virtual one with" >&2
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' $program" >&2
  exit 1
fi
exec "$program"
