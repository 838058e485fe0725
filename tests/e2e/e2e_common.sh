# Shared by the on-screen tests; sourced, not run. Each test script calls
# e2e_enter_screen "$@" first, on the virtual X screen the suite starts for it
# (tests/e2e/CMakeLists.txt), to check its arguments and set up the helpers
# below.
#
# Usage of every test script: SCRIPT PROGRAM ARTIFACT_DIR [SCREENSHOT_DIR]

e2e_enter_screen() {
  [ -n "${DISPLAY:-}" ] || { echo "FAIL: no X display (run it by ctest -L e2e)" >&2; exit 2; }
  [ $# -ge 2 ] || { echo "usage: $0 PROGRAM ARTIFACT_DIR [SCREENSHOT_DIR]" >&2; exit 2; }
  [ -x "$1" ] || { echo "FAIL: no program at $1 (was the install step run?)" >&2; exit 1; }
  case $2 in /|"") echo "refusing artifact folder '$2'" >&2; exit 2 ;; esac
  rm -rf "$2"
  mkdir -p "$2"
  E2E_PROGRAM=$1
  E2E_ART=$2
  E2E_SHOTS=${3:-}
  APP_PID=""
  trap e2e_cleanup EXIT
  E2E_SCALE=$(e2e_screen_scale)
  E2E_MENU=$(px 24)
  E2E_T0=$(date +%s.%N)
  log "display $DISPLAY, layout scale $E2E_SCALE, menu bar $E2E_MENU px"
}

e2e_cleanup() {
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
    kill "$APP_PID" 2>/dev/null
    sleep 0.3
    kill -9 "$APP_PID" 2>/dev/null
  fi
}

log() { awk -v t="$(date +%s.%N)" -v t0="${E2E_T0:-0}" -v m="$*" 'BEGIN { printf "[%6.2fs] %s\n", t0 ? t - t0 : 0, m }'; }

fail() {
  echo "FAIL: $*" >&2
  if [ -n "${E2E_ART:-}" ] && [ -d "$E2E_ART" ]; then
    import -window root "$E2E_ART/failure.png" 2>/dev/null && echo "screen at failure: $E2E_ART/failure.png" >&2
    [ -f "$E2E_ART/program.log" ] && { echo "--- program output:" >&2; cat "$E2E_ART/program.log" >&2; }
  fi
  exit 1
}

# The view scales layouts by screen dpi / 120, the dpi being the mean of the
# horizontal and vertical pixels per inch the server reports (1 when absurd).
e2e_screen_scale() {
  xdpyinfo | awk '/dimensions:/ {
      split($2, px, "x"); s = $4; gsub(/[()]/, "", s); split(s, mm, "x");
      h = mm[1] ? px[1] * 25.4 / mm[1] : 0; v = mm[2] ? px[2] * 25.4 / mm[2] : 0;
      dpi = (h + v) / 2; if (!(dpi >= 30 && dpi <= 1000)) dpi = 120;
      printf "%.9f\n", dpi / 120; exit }'
}

# Layout pixels to screen pixels, rounded to nearest as the view does.
px() { awk -v v="$1" -v s="$E2E_SCALE" 'BEGIN { t = v * s; printf "%d\n", (t >= 0 ? int(t + 0.5) : -int(-t + 0.5)) }'; }

# A control's rectangle in window pixels: "X Y W H". Edges are scaled
# separately, like the view does. MENU is the menu bar height (0 for none).
layout_rect() {  # LEFT TOP WIDTH HEIGHT MENU
  awk -v l="$1" -v t="$2" -v w="$3" -v h="$4" -v m="$5" -v s="$E2E_SCALE" '
    function r(v) { return int(v * s + 0.5) }
    BEGIN { printf "%d %d %d %d\n", r(l), m + r(t), r(l + w) - r(l), r(t + h) - r(t) }'
}

# The centre of a control in window pixels: "X Y".
layout_centre() {  # LEFT TOP WIDTH HEIGHT MENU
  local x y w h
  read -r x y w h < <(layout_rect "$@")
  echo "$((x + w / 2)) $((y + h / 2))"
}

# An ImageMagick crop geometry for a rectangle shrunk by INSET on the left
# and right and by VINSET (default INSET) at the top and bottom.
geom() {  # X Y W H [INSET [VINSET]]
  local i=${5:-0}
  local j=${6:-$i}
  local w=$(($3 - 2 * i)) h=$(($4 - 2 * j))
  # A zero size would mean "everything" to ImageMagick.
  [ "$w" -gt 0 ] && [ "$h" -gt 0 ] || fail "empty region $*"
  echo "${w}x${h}+$(($1 + i))+$(($2 + j))"
}

# Geometry of a layout rectangle of the main window, shrunk in screen pixels.
main_geom() {  # LEFT TOP WIDTH HEIGHT [INSET [VINSET]]
  local x y w h
  read -r x y w h < <(layout_rect "$1" "$2" "$3" "$4" "$E2E_MENU")
  geom "$x" "$y" "$w" "$h" "${5:-0}" "${6:-${5:-0}}"
}

start_program() {
  # Started from the root folder: nothing may depend on where it runs from.
  (cd / && exec "$E2E_PROGRAM") >"$E2E_ART/program.log" 2>&1 &
  APP_PID=$!
  log "program started, pid $APP_PID"
}

# Waits for a visible window whose title matches the pattern exactly and
# prints its id.
wait_window() {  # TITLE TIMEOUT_SECONDS
  local deadline id
  deadline=$(($(date +%s) + $2))
  while [ "$(date +%s)" -le "$deadline" ]; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    if [ -n "$APP_PID" ] && ! kill -0 "$APP_PID" 2>/dev/null; then return 1; fi
    sleep 0.1
  done
  return 1
}

visible_windows() {  # TITLE
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l
}

wait_window_gone() {  # TITLE TIMEOUT_SECONDS
  local deadline
  deadline=$(($(date +%s) + $2))
  while [ "$(date +%s)" -le "$deadline" ]; do
    [ "$(visible_windows "$1")" -eq 0 ] && return 0
    sleep 0.1
  done
  return 1
}

# Sets WX WY WW WH to a window's position and size.
window_geometry() {  # WINDOW
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}

# Photographs the screen and keeps the window's part as FILE.
window_shot() {  # WINDOW FILE
  window_geometry "$1"
  import -window root -crop "${WW}x${WH}+${WX}+${WY}" +repage "$2" 2>/dev/null ||
    fail "no screenshot of window $1"
}

# Pixels of FILE inside GEOM within FUZZ (percent) of COLOR.
count_near() {  # FILE GEOM COLOR FUZZ
  convert "$1" -crop "$2" +repage -alpha off -fuzz "$4%" -transparent "$3" \
    -alpha extract -negate -format '%[fx:round(mean*w*h)]' info:
}

count_exact() { count_near "$1" "$2" "$3" 0; }

area() { local g=${1%%+*}; echo $((${g%x*} * ${g#*x})); }

# Pixels of FILE inside GEOM that are not within FUZZ of any of the colours.
count_other() {  # FILE GEOM FUZZ COLOR...
  local file=$1 g=$2 fuzz=$3
  shift 3
  local args=() c
  for c in "$@"; do args+=(-fuzz "$fuzz%" -transparent "$c"); done
  convert "$file" -crop "$g" +repage -alpha off "${args[@]}" -alpha extract \
    -format '%[fx:round(mean*w*h)]' info:
}

digest() {  # FILE GEOM
  convert "$1" -crop "$2" +repage -alpha off -depth 8 rgb:- | md5sum | cut -d' ' -f1
}

# Clicks at window pixels; the pointer stays there, so the keyboard focus
# (which follows the pointer without a window manager) is on that window.
click_at() {  # WINDOW X Y
  xdotool mousemove --window "$1" "$2" "$3" sleep 0.05 click 1
}

point_at() {  # WINDOW X Y
  xdotool mousemove --window "$1" "$2" "$3"
}

# Clicks the centre of a main-window control given in layout pixels.
click_main() {  # WINDOW LEFT TOP WIDTH HEIGHT
  local x y
  read -r x y < <(layout_centre "$2" "$3" "$4" "$5" "$E2E_MENU")
  click_at "$1" "$x" "$y"
}

# Waits until the picture of a window region differs from DIGEST; leaves the
# last screenshot in FILE.
wait_change() {  # WINDOW GEOM DIGEST FILE TIMEOUT_SECONDS
  local deadline
  deadline=$(($(date +%s) + $5))
  while [ "$(date +%s)" -le "$deadline" ]; do
    window_shot "$1" "$4"
    [ "$(digest "$4" "$2")" != "$3" ] && return 0
    sleep 0.05
  done
  return 1
}

# Waits up to TIMEOUT seconds for the program to end and sets EXIT_STATUS.
wait_exit() {  # TIMEOUT_SECONDS
  local deadline
  deadline=$(($(date +%s) + $1))
  while kill -0 "$APP_PID" 2>/dev/null; do
    [ "$(date +%s)" -gt "$deadline" ] && return 1
    sleep 0.1
  done
  wait "$APP_PID"
  EXIT_STATUS=$?
  APP_PID=""
}

keep_screenshot() {  # FILE NAME
  if [ -n "$E2E_SHOTS" ]; then
    mkdir -p "$E2E_SHOTS" && cp "$1" "$E2E_SHOTS/$2" && log "kept $E2E_SHOTS/$2"
  fi
}

all_visible_windows() { xdotool search --onlyvisible --name '.*' 2>/dev/null | wc -l; }

# Clicks the drop-down list at X,Y open and waits until it shows; keeps the
# count of windows before it in windows_before_list, for wait_list_closed.
open_list() {  # WINDOW X Y
  local deadline
  windows_before_list=$(all_visible_windows)
  click_at "$1" "$2" "$3"
  deadline=$(($(date +%s) + 5))
  while [ "$(all_visible_windows)" -le "$windows_before_list" ]; do
    [ "$(date +%s)" -gt "$deadline" ] && fail "the drop-down list at $2,$3 did not open"
    sleep 0.05
  done
}

# Waits until the list open_list opened at X,Y has gone again.
wait_list_closed() {  # X Y
  local deadline=$(($(date +%s) + 5))
  while [ "$(all_visible_windows)" -gt "$windows_before_list" ]; do
    [ "$(date +%s)" -gt "$deadline" ] && fail "the drop-down list at $1,$2 did not close"
    sleep 0.05
  done
}

# Opens a drop-down list by clicking it and picks the item DOWNS lines below
# the one it shows, with the arrow keys and Enter, as an operator would.
choose_in_list() {  # WINDOW X Y DOWNS
  local keys=() i
  open_list "$1" "$2" "$3"
  for ((i = 0; i < $4; i++)); do keys+=(Down); done
  xdotool key --delay 25 "${keys[@]}" Return
  wait_list_closed "$2" "$3"
}

# Opens a drop-down list by clicking it and clicks its row ROW (0 for the
# first) in the open list, which drops down below the box's BOTTOM edge.
pick_with_mouse() {  # WINDOW X Y BOTTOM ROW
  local row_h
  open_list "$1" "$2" "$3"
  row_h=$(px 15)
  click_at "$1" "$2" $(($4 + 1 + $5 * row_h + row_h / 2))
  wait_list_closed "$2" "$3"
}

# Replaces the text of a field: click into it, clear it from the end, type.
type_into() {  # WINDOW X Y TEXT
  local keys=() i
  click_at "$1" "$2" "$3"
  for ((i = 0; i < 12; i++)); do keys+=(BackSpace); done
  xdotool key --delay 15 End "${keys[@]}"
  xdotool type --delay 30 "$4"
}

# Many counts from one picture in one ImageMagick run, one number a line.
# Each PROBE is "near GEOM FUZZ COLOUR" (pixels within FUZZ of the colour)
# or "other GEOM FUZZ COLOUR..." (pixels within FUZZ of none of them).
count_batch() {  # FILE PROBE...
  local file=$1 probe kind g fuzz c rest args=()
  shift
  for probe in "$@"; do
    read -r kind g fuzz rest <<<"$probe"
    args+=("(" +clone -crop "$g" +repage -fuzz "$fuzz%")
    for c in $rest; do args+=(-transparent "$c"); done
    args+=(-alpha extract)
    [ "$kind" = near ] && args+=(-negate)
    args+=(-format '%[fx:round(mean*w*h)]\n' -write info:- +delete ")")
  done
  convert "$file" -alpha off "${args[@]}" null:
}
