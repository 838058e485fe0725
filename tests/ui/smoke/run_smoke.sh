#!/bin/sh
# Shows the demo form, photographs the screen and clicks the form's button.
# Runs on the virtual X screen the suite starts for it (tests/ui).
# Usage: run_smoke.sh DEMO OUTPUT_DIR
set -u
demo=$1
out=$2
rm -rf "$out"
mkdir -p "$out"

"$demo" "$out" >"$out/demo.log" 2>&1 &
pid=$!
i=0
while [ ! -f "$out/ready.txt" ]; do
  i=$((i + 1))
  if [ $i -gt 100 ] || ! kill -0 $pid 2>/dev/null; then
    echo "FAIL: the demo form did not come up"; cat "$out/demo.log"; kill $pid 2>/dev/null; exit 1
  fi
  sleep 0.2
done
sleep 1
import -window root "$out/screenshot.png" || { echo "FAIL: no screenshot"; kill $pid; exit 1; }
read -r x y rest <"$out/ready.txt"
echo "button at $x,$y ($rest)"
xdotool mousemove "$x" "$y" click 1
wait $pid
rc=$?
if [ $rc -ne 0 ]; then
  echo "FAIL: demo exited with $rc"; cat "$out/demo.log"; exit 1
fi
if ! grep -q "clicked lines=2 slot=00" "$out/clicked.txt" 2>/dev/null; then
  echo "FAIL: the click did not reach the button's state"; exit 1
fi
echo "PASS: screenshot $out/screenshot.png; click and posted message handled"
