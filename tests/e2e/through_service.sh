#!/bin/bash
# Runs an on-screen test with the program's boards from a board service:
# the installed tamrixd on a socket of its own, the program pointed at it by
# TAMRIX_DEVICE. Passes when the test passes and the program's session
# reached the service and ended.
# Usage: through_service.sh TAMRIXD TEST_SCRIPT PROGRAM ARTIFACT_DIR [SCREENSHOT_DIR]
set -u
tamrixd=$1 script=$2
shift 2
folder=$(mktemp -d /tmp/tamrix-e2e-service-XXXXXX)
"$tamrixd" --listen "unix:$folder/tamrixd.sock" 2>"$folder/tamrixd.log" &
service=$!
trap 'kill $service 2>/dev/null; wait $service 2>/dev/null; rm -rf "$folder"' EXIT
for _ in $(seq 100); do [ -S "$folder/tamrixd.sock" ] && break; sleep 0.1; done
[ -S "$folder/tamrixd.sock" ] || { echo "FAIL: tamrixd did not start"; cat "$folder/tamrixd.log"; exit 1; }
TAMRIX_DEVICE="unix:$folder/tamrixd.sock" bash "$script" "$@"
status=$?
[ $status -eq 0 ] || { cat "$folder/tamrixd.log"; exit $status; }
for _ in $(seq 50); do grep -q ' ended, ' "$folder/tamrixd.log" && break; sleep 0.1; done
cat "$folder/tamrixd.log"
grep -q 'session .* started from unix' "$folder/tamrixd.log" || { echo "FAIL: no session"; exit 1; }
grep -q ' ended, ' "$folder/tamrixd.log" || { echo "FAIL: the session did not end"; exit 1; }
echo "PASS: through the service"
