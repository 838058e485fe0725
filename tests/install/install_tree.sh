#!/usr/bin/env bash
# An install into a fresh prefix, used as a third party would: every file in
# its place, only our names exported, and the two examples built with
# pkg-config and with find_package, run with no environment of ours.
# Usage: install_tree.sh BUILD_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
build=$1 source=$2 work=$3
rm -rf "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(cd "$prefix" && ls -d lib/x86_64-linux-gnu 2>/dev/null || echo lib)
fail() { echo "FAIL: $*" >&2; exit 1; }

for file in bin/tamrix "$libdir"/libtamrix.so.1.0.0 "$libdir"/libtamrix_platform.so.1.0.0 \
    "$libdir"/tamrix/tamrix.vxd.so "$libdir"/tamrix/tamrix-replay-hdf5.so \
    "$libdir"/tamrix/tamrix-help "$libdir"/tamrix/tamrix-probe \
    share/tamrix/Tamrix.hlp \
    include/tamrix.h include/tamrix_window.h include/tamrix_protocol.h \
    include/tamrix_platform/driver_module.h include/tamrix_platform/types.h \
    "$libdir"/pkgconfig/tamrix.pc "$libdir"/cmake/tamrix/tamrixConfig.cmake \
    "$libdir"/cmake/tamrix/tamrixConfigVersion.cmake share/applications/tamrix.desktop \
    share/icons/hicolor/32x32/apps/tamrix.png share/man/man1/tamrix.1 \
    bin/tamrix-cli share/man/man1/tamrix-cli.1 \
    sbin/tamrixd share/man/man8/tamrixd.8 "$libdir"/tamrix/tamrix-remote.so \
    share/tamrix/tamrix_device.proto lib/systemd/system/tamrixd.service lib/sysusers.d/tamrix.conf; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done
for link in libtamrix.so libtamrix.so.1 libtamrix_platform.so libtamrix_platform.so.1; do
  [ -L "$prefix/$libdir/$link" ] || fail "$libdir/$link is not a link"
done
for library in libtamrix libtamrix_platform; do
  soname=$(readelf -d "$prefix/$libdir/$library.so.1.0.0" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
  [ "$soname" = "$library.so.1" ] || fail "$library has soname '$soname'"
done

# The installed headers are C, and define only our names: a driver writer's
# own BOOL or ERROR_SUCCESS, or another library's, must not clash with them.
cat >"$work/headers.c" <<'EOF'
#include <stddef.h>
#include <stdint.h>
#ifdef ALL_HEADERS
#include <tamrix.h>
#include <tamrix_platform/driver_module.h>
#include <tamrix_platform/types.h>
#include <tamrix_protocol.h>
#include <tamrix_window.h>
typedef char BOOL, DWORD, UINT, HANDLE, HWND, WPARAM, LPARAM;
#endif
int main(void) { return 0; }
EOF
cc -std=c11 -Wall -Wextra -Wpedantic -Werror -DALL_HEADERS -I"$prefix/include" \
  "$work/headers.c" -o "$work/headers" || fail "the installed headers are no clean C"
macros() {
  cc -std=c11 -E -dM "$@" "$work/headers.c" | awk '{ sub(/\(.*/, "", $2); print $2 }' | sort
}
foreign=$(comm -13 <(macros) <(macros -DALL_HEADERS -I"$prefix/include") |
  grep -v -e '^TAMRIX_' -e '^TMX_' -e '^ALL_HEADERS$' || true)
[ -z "$foreign" ] || fail "the installed headers define foreign names: $foreign"

# Dynamic symbols of every installed library and module.
exports() { nm -D --defined-only "$1" | awk '{print $3}' | sort; }
expected_library=$(printf '%s\n' DllMain TamrixClose TamrixCreate TamrixGetData TamrixGetExIn \
  TamrixGetLastError TamrixGetResource TamrixGetSamplingStatus TamrixGetVersion TamrixSetMode \
  TamrixStartSampling TamrixStopSampling | sort)
[ "$(exports "$prefix/$libdir/libtamrix.so.1")" = "$expected_library" ] ||
  fail "libtamrix exports: $(exports "$prefix/$libdir/libtamrix.so.1" | tr '\n' ' ')"
foreign=$(nm -D --defined-only "$prefix/$libdir/libtamrix_platform.so.1" | awk '{print $3}' |
  c++filt | grep -v -e '^tmx_' -e '^tmx::' || true)
[ -z "$foreign" ] || fail "libtamrix_platform exports foreign names: $foreign"
nm -D --defined-only "$prefix/$libdir/libtamrix_platform.so.1" | awk '{print $3}' |
  grep -x tmx_window_wait >/dev/null || fail "libtamrix_platform lacks tmx_window_wait"
[ "$(exports "$prefix/$libdir/tamrix/tamrix.vxd.so")" = tmx_driver_entry ] ||
  fail "the driver module exports: $(exports "$prefix/$libdir/tamrix/tamrix.vxd.so" | tr '\n' ' ')"
[ "$(exports "$prefix/$libdir/tamrix/tamrix-replay-hdf5.so")" = tmx_capture_reader_entry ] ||
  fail "the capture reader exports: $(exports "$prefix/$libdir/tamrix/tamrix-replay-hdf5.so" | tr '\n' ' ')"
[ "$(exports "$prefix/$libdir/tamrix/tamrix-remote.so")" = tmx_remote_entry ] ||
  fail "the forwarding client exports: $(exports "$prefix/$libdir/tamrix/tamrix-remote.so" | tr '\n' ' ')"

# The program never links the access library; it finds it at run time.
if readelf -d "$prefix/bin/tamrix" | grep 'NEEDED.*libtamrix\.so' >/dev/null; then
  fail "the program links libtamrix"
fi

# pkg-config and a C program, run with an empty environment.
pc=(env PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config)
[ "$("${pc[@]}" --modversion tamrix)" = 1.0.0 ] || fail "pkg-config does not find tamrix"
mkdir -p "$work/list_boards"
# shellcheck disable=SC2046
cc -Wall -Wextra -Werror "$source/examples/list_boards/list_boards.c" \
  $("${pc[@]}" --cflags --libs tamrix) -o "$work/list_boards/list_boards"
listing=$(env -i "$work/list_boards/list_boards")
echo "$listing"
for slot in 0 1 2 5; do
  grep -q "^slot $slot: " <<<"$listing" || fail "list_boards does not list slot $slot"
done
grep -q '^4 boards$' <<<"$listing" || fail "list_boards does not count four boards"
grep -q '^slot 2: .*no DMA' <<<"$listing" || fail "slot 2 should have no DMA"

# find_package and the notification-driven stream.
cmake -S "$source/examples/stream_samples" -B "$work/stream_samples" \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/stream_samples" >/dev/null
samples=$(env -i "$work/stream_samples/stream_samples" 4096 0-3)
rows=$(grep -vc '^#' <<<"$samples")
[ "$rows" -eq 1024 ] || fail "stream_samples printed $rows scans, not 1024"
# Channel 3 is a sawtooth rising by 32 per scan; channel 14 would be 3072.
awk '!/^#/ { if (NR > 2 && $5 != (last + 32) % 4096) bad++; last = $5 } END { exit bad > 0 }' \
  <<<"$samples" || fail "channel 3 is not the rising sawtooth"

# The same stream through the installed board service: the service finds its
# driver, and the program's device layer its forwarding client, in the tree.
socket=$work/tamrixd.sock
"$prefix/sbin/tamrixd" --listen "unix:$socket" 2>"$work/tamrixd.log" &
service=$!
trap 'kill $service 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -S "$socket" ] && break; sleep 0.1; done
served=$(env -i TAMRIX_DEVICE="unix:$socket" "$work/stream_samples/stream_samples" 4096 0-3) ||
  fail "stream_samples through the service failed: $(cat "$work/tamrixd.log")"
[ "$served" = "$samples" ] || fail "the service gave other samples than the driver in the process"
grep -q 'session .* started from unix' "$work/tamrixd.log" ||
  fail "the program did not reach the service: $(cat "$work/tamrixd.log")"
echo "PASS"
