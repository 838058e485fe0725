#!/usr/bin/env bash
# The Debian package: built by cpack from a build configured for /usr, it
# installs every part of the install tree under /usr and depends on what the
# program needs at run time.
# Usage: debian_package.sh SOURCE_DIR WORK_DIR
set -euo pipefail
source=$1 work=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb is not installed"; exit 77; }
rm -rf "$work"
cmake -S "$source" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DTAMRIX_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$work/build" -j"$(nproc)" >/dev/null
(cd "$work/build" && cpack -G DEB >/dev/null)
package=$(ls "$work"/build/tamrix_*.deb)
contents=$(dpkg-deb -c "$package" | awk '{print $6}' | sed 's|^\./|/|')
libdir=/usr/$(grep -o 'lib/[^/]*-linux-gnu' <<<"$contents" | head -1)
[ "$libdir" != /usr/ ] || libdir=/usr/lib
for file in /usr/bin/tamrix "$libdir"/libtamrix.so.1.0.0 "$libdir"/libtamrix.so.1 \
    "$libdir"/libtamrix.so "$libdir"/libtamrix_platform.so.1.0.0 \
    "$libdir"/tamrix/tamrix.vxd.so "$libdir"/tamrix/tamrix-replay-hdf5.so \
    "$libdir"/tamrix/tamrix-help "$libdir"/tamrix/tamrix-probe \
    /usr/share/tamrix/Tamrix.hlp \
    /usr/include/tamrix.h /usr/include/tamrix_window.h "$libdir"/pkgconfig/tamrix.pc \
    "$libdir"/cmake/tamrix/tamrixConfig.cmake /usr/share/applications/tamrix.desktop \
    /usr/share/icons/hicolor/32x32/apps/tamrix.png /usr/share/man/man1/tamrix.1 \
    /usr/bin/tamrix-cli /usr/share/man/man1/tamrix-cli.1 \
    /usr/sbin/tamrixd /usr/share/man/man8/tamrixd.8 "$libdir"/tamrix/tamrix-remote.so \
    /usr/share/tamrix/tamrix_device.proto /usr/lib/systemd/system/tamrixd.service \
    /usr/lib/sysusers.d/tamrix.conf \
    /usr/lib/python3/dist-packages/tamrix/__init__.py; do
  grep -qx "$file" <<<"$contents" || fail "the package lacks $file"
done
grep -v -e '^/usr' -e '^/$' <<<"$contents" && fail "the package installs outside /usr"
depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
for needed in libfltk1.3 fonts-ipafont-gothic libc6 libstdc++6 libgrpc++; do
  grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed"
done
grep -q python3-numpy <<<"$(dpkg-deb -f "$package" Recommends)" ||
  fail "the package does not recommend python3-numpy"
# The program looks for its help file where the package puts it.
strings "$work/build/bin/tamrix" | grep -x /usr/share/tamrix/Tamrix.hlp >/dev/null ||
  fail "the help file's path is not /usr/share/tamrix/Tamrix.hlp"
# The unit starts the service where the package puts it, and the group the
# socket is given is made at install.
dpkg-deb --fsys-tarfile "$package" | tar -xO ./usr/lib/systemd/system/tamrixd.service |
  grep -x 'ExecStart=/usr/sbin/tamrixd --listen unix:/run/tamrix/tamrixd.sock' >/dev/null ||
  fail "the unit does not start /usr/sbin/tamrixd"
dpkg-deb --ctrl-tarfile "$package" | tar -xO ./postinst | grep -q 'systemd-sysusers tamrix.conf' ||
  fail "the package does not make the group tamrix"
# As systemd reads them: the unit has no key it does not know and starts a
# program that is there; the sysusers entry makes the group.
if command -v systemd-analyze >/dev/null && command -v systemd-sysusers >/dev/null; then
  root=$work/root
  dpkg-deb -x "$package" "$root"
  sed "s|=/usr/sbin/tamrixd|=$root/usr/sbin/tamrixd|" "$root/usr/lib/systemd/system/tamrixd.service" \
    >"$work/tamrixd.service"
  report=$(systemd-analyze verify --man=no "$work/tamrixd.service" 2>&1) ||
    fail "systemd refuses the unit: $report"
  [ -z "$report" ] || fail "systemd finds fault with the unit: $report"
  mkdir -p "$work/sysroot/etc"
  groups=$(systemd-sysusers --root="$work/sysroot" --dry-run "$root/usr/lib/sysusers.d/tamrix.conf" 2>&1)
  grep -q "Creating group 'tamrix'" <<<"$groups" ||
    fail "the sysusers entry does not make the group tamrix: $groups"
fi
echo "PASS: $(basename "$package")"
