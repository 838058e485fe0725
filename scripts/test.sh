#!/usr/bin/env bash
# Builds everything (tests and benchmarks included) and runs every test.
# Usage: scripts/test.sh [build-dir] [cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" test
build=${1:-$root/build}
shift || true
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DTAMRIX_BUILD_BENCHMARKS=ON "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
# Only read by sanitizer builds: the font and X libraries' lifetime caches.
export LSAN_OPTIONS="suppressions=$root/tests/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# The tests bring their own drivers and services, whatever this machine's
# board service configuration says.
export TAMRIX_DEVICE=module:
# TAMRIX_CTEST_REPEAT (e.g. until-pass:2) reruns a failed test: .ci/run sets
# it for the sanitizer pass only, whose leak check at exit now and then dies
# in the sanitizer's own tracer ("Tracer caught signal 11").
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" \
  ${TAMRIX_CTEST_REPEAT:+--repeat "$TAMRIX_CTEST_REPEAT"}
