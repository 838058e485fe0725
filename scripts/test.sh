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
# The runtime's __tls_get_addr hook (GCC up to 13) takes a module's thread
# storage that malloc put 16 bytes into a page for glibc 2.19's, reads a
# range out of the allocator's header before it, and the leak check at exit
# dies scanning it ("Tracer caught signal 11"); that storage is reachable
# through the thread's vector of them anyway.
export LSAN_OPTIONS="suppressions=$root/tests/lsan-suppressions.txt:intercept_tls_get_addr=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# The tests bring their own drivers and services, whatever this machine's
# board service configuration says.
export TAMRIX_DEVICE=module:
# TAMRIX_CTEST_REPEAT (e.g. until-pass:2) runs a failed test once more:
# .ci/run sets it for the sanitizer pass, as a net while the fix above is
# new (the failure of the first run stays in the log).
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" \
  ${TAMRIX_CTEST_REPEAT:+--repeat "$TAMRIX_CTEST_REPEAT"}
