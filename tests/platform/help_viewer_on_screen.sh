#!/bin/sh
# Runs inside an X server: starts the help viewer, waits for its window,
# prints the window's title and takes a screenshot of the screen.
# Usage: help_viewer_on_screen.sh VIEWER HELP_FILE TITLE_PATTERN SCREENSHOT [OPTION...]
viewer="$1" file="$2" pattern="$3" shot="$4"
shift 4
"$viewer" "$@" "$file" &
pid=$!
window=""
i=0
while [ -z "$window" ] && [ $i -lt 100 ]; do
  sleep 0.1
  window=$(xdotool search --name "$pattern" 2>/dev/null | head -n 1)
  i=$((i + 1))
done
status=0
if [ -n "$window" ]; then
  sleep 1  # let it draw
  xdotool getwindowname "$window"
  import -window root "$shot" || status=3
else
  echo "no window named '$pattern'" >&2
  status=2
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
