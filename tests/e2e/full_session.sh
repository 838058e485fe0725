#!/bin/bash
# An operator's whole session with the installed program and the simulated
# board, driven by clicks and keys only, checked from the screen:
# Create (Auto), GetVersion, GetResource, SetMode over channels 0..3,
# StartSampling, the driver's notifications, GetSamplingStatus, GetData
# (Auto, then a typed count) into the graph window, resizing the graph,
# StopSampling, Clear, Close, GetLastError and Alt+X.
# Usage: full_session.sh PROGRAM ARTIFACT_DIR [SCREENSHOT_DIR]
set -u
source "$(dirname "$0")/e2e_common.sh"
e2e_enter_screen "$@"

# Main-window rectangles (layout pixels).
ERR_LIST="8 448 265 73"
ETC_LIST="8 544 553 65"
VXD_LIST="280 448 281 73"
RESOURCE_LIST="192 103 369 49"
SETMODE_LIST="192 163 369 49"
STATUS_LIST="192 263 369 49"
ALL_LISTS=("$ERR_LIST" "$ETC_LIST" "$VXD_LIST" "$RESOURCE_LIST" "$SETMODE_LIST" "$STATUS_LIST"
           "192 379 369 49" "360 320 121 49")
# Channel colours of the graph, channels 0 to 3.
CHANNEL_COLOURS=("#0000FF" "#FFFF00" "#008000" "#FF0000")
CHANNEL_NAMES=(blue yellow green red)

step=0
shot=""
snap() { step=$((step + 1)); shot="$E2E_ART/$(printf '%02d' $step)-$1.png"; window_shot "$MAIN" "$shot"; }

inner_of() { read -r l t w h <<<"$1"; main_geom "$l" "$t" "$w" "$h" 2; }

# Clicks a main-window button and waits until the list WATCH changes. The
# window is double-buffered and a command's lines are all added before it
# is redrawn, so the first changed picture is the command's whole outcome.
# The last screenshot serves as the picture before: only commands change
# the watched lists.
press() {  # NAME LEFT TOP WIDTH HEIGHT WATCH
  local name=$1 watch before
  watch=$(inner_of "$6")
  if [ -n "${GRAPH:-}" ] && graph_over_main; then
    # The graph window may cover the button: bring the main window up as
    # a window manager would on the click.
    xdotool windowraise "$MAIN"
    sleep 0.3
    window_shot "$MAIN" "$shot"
  fi
  before=$(digest "$shot" "$watch")
  click_main "$MAIN" "$2" "$3" "$4" "$5"
  step=$((step + 1))
  shot="$E2E_ART/$(printf '%02d' $step)-$name.png"
  wait_change "$MAIN" "$watch" "$before" "$shot" 10 || fail "$name: nothing changed in the list at $6"
  log "$name done ($shot)"
}

graph_over_main() {
  local mx my mw mh
  window_geometry "$MAIN"; mx=$WX my=$WY mw=$WW mh=$WH
  window_geometry "$GRAPH"
  [ $((WX < mx + mw && mx < WX + WW && WY < my + mh && my < WY + WH)) -eq 1 ]
}

has_text() {  # FILE LIST
  [ "$(count_other "$1" "$(inner_of "$2")" 0 white)" -gt 0 ]
}

# Every command so far succeeded: the error-code list shows its earlier
# lines in blue (status 0) and nothing in red, and the other-messages list
# has no error line (which would turn it red).
check_success() {  # WHAT
  local err etc blue red etc_red
  err=$(inner_of "$ERR_LIST")
  etc=$(inner_of "$ETC_LIST")
  { read -r blue; read -r red; read -r etc_red; } < <(count_batch "$shot" \
    "near $err 20 blue" "near $err 20 red" "near $etc 20 red")
  log "$1: error-code list blue $blue, red $red; other messages red $etc_red"
  [ "$red" -eq 0 ] || fail "$1: the error-code list shows a failure status in red"
  [ "$blue" -ge 5 ] || fail "$1: the error-code list shows no TAMRIX_SUCCESS line in blue"
  [ "$etc_red" -eq 0 ] || fail "$1: the other-messages list shows an error line"
}

# Lines of a list stand one item height (15 layout pixels) apart; line N
# selected shows a navy bar in its band.
line_band() {  # LIST N
  local l t w h x y pw ph line
  read -r l t w h <<<"$1"
  read -r x y pw ph < <(layout_rect "$l" "$t" "$w" "$h" "$E2E_MENU")
  line=$(px 15)
  geom $((x + 4)) $((y + 2 + ($2 - 1) * line + 2)) $((pw - 8)) $((line - 4))
}

line_selected() {  # FILE LIST N
  local band
  band=$(line_band "$2" "$3")
  [ "$(count_exact "$1" "$band" navy)" -ge $(($(area "$band") * 40 / 100)) ]
}

# A status label that sized itself to a longer text than " -- " or " NG "
# is white at OFFSET layout pixels from its left edge.
label_reaches() {  # FILE TOP OFFSET
  [ "$(count_exact "$1" "$(main_geom $((152 + $3)) "$2" 4 15 0 2)" white)" -gt 0 ]
}

start_program
MAIN=$(wait_window "Tamrix Check Soft" 20) || fail "no main window appeared"
deadline=$(($(date +%s) + 10))
until snap start && has_text "$shot" "$ETC_LIST"; do
  [ "$(date +%s)" -gt "$deadline" ] && fail "the main window was not painted"
  sleep 0.2
done
log "main window $MAIN up"

# --- Create with "Auto": the 17th item of the slot box, 16 below "00".
create_box=$(main_geom 268 8 65 23 3)
box_before=$(digest "$shot" "$create_box")
read -r x y < <(layout_centre 268 8 65 23 "$E2E_MENU")
choose_in_list "$MAIN" "$x" "$y" 16
press Create 8 7 137 25 "$ERR_LIST"
[ "$(digest "$shot" "$create_box")" != "$box_before" ] || fail "the Create slot box still shows its first item"
label_reaches "$shot" 12 40 || fail "Create: the label does not show a slot (it reads ' NG ' or ' -- ')"
has_text "$shot" "$ETC_LIST" || fail "Create: no line in the other-messages list"

# --- GetVersion: the label grows to " Version DLL=.. DRV=.. ".
press GetVersion 8 72 137 25 "$ERR_LIST"
check_success GetVersion
label_reaches "$shot" 76 80 || fail "GetVersion: the label shows no versions"

# --- GetResource: the report fills its list.
press GetResource 8 115 137 25 "$ERR_LIST"
check_success GetResource
has_text "$shot" "$RESOURCE_LIST" || fail "GetResource: the resource list stays empty"

# --- SetMode: ChFirst 00, ChLast 03, BuffSize 1024, Timer 200, Enter.
click_main "$MAIN" 8 175 137 25
DIALOG=$(wait_window ModeSetForm 10) || fail "SetMode: the mode dialog did not appear"
log "mode dialog $DIALOG"
window_geometry "$DIALOG"
log "mode dialog ${WW}x${WH} at $WX,$WY"
read -r x y < <(layout_centre 81 40 81 23 0); choose_in_list "$DIALOG" "$x" "$y" 0
read -r x y < <(layout_centre 81 72 81 23 0); choose_in_list "$DIALOG" "$x" "$y" 3
# The buffer size by mouse, 256 -> 1024 (its fourth row): the box keeps the
# keyboard, and shows it with its text highlighted.
read -r bx by bw bh < <(layout_rect 81 104 81 23 0)
pick_with_mouse "$DIALOG" $((bx + bw / 3)) $((by + bh / 2)) $((by + bh)) 3
sleep 0.3
window_shot "$DIALOG" "$E2E_ART/mode-buffer-picked.png"
lit=$(count_exact "$E2E_ART/mode-buffer-picked.png" "$(geom "$bx" "$by" $((bw / 2)) "$bh" 3)" navy)
log "buffer size picked by mouse: $lit highlight pixels in its box"
[ "$lit" -ge 20 ] || fail "SetMode: the buffer-size box picked with the mouse does not show the focus"
read -r x y < <(layout_centre 80 136 81 23 0); type_into "$DIALOG" "$x" "$y" 200
sleep 0.3
[ "$(visible_windows ModeSetForm)" -eq 1 ] || fail "SetMode: the dialog closed before OK"
window_shot "$DIALOG" "$E2E_ART/mode-dialog.png"
before=$(digest "$shot" "$(inner_of "$ERR_LIST")")
xdotool key Return
wait_window_gone ModeSetForm 10 || fail "SetMode: Enter did not close the dialog"
step=$((step + 1)); shot="$E2E_ART/$(printf '%02d' $step)-SetMode.png"
wait_change "$MAIN" "$(inner_of "$ERR_LIST")" "$before" "$shot" 10 || fail "SetMode: no status line after OK"
setmode_step=$step
check_success SetMode
has_text "$shot" "$SETMODE_LIST" || fail "SetMode: the accepted mode is not listed"
[ "$(visible_windows Graph)" -eq 0 ] || fail "SetMode: the graph window came up before any data"

# --- StartSampling, then the driver's notifications: with 4096 words
# filled at one per 200 us, half full, full and overflow arrive in a second.
press StartSampling 8 208 137 25 "$ERR_LIST"
check_success StartSampling
deadline=$(($(date +%s) + 8))
until line_selected "$shot" "$VXD_LIST" 3; do
  [ "$(date +%s)" -gt "$deadline" ] && fail "fewer than three driver notifications were listed"
  sleep 0.3
  snap notifications
done
log "three driver notifications listed ($shot)"

# --- GetSamplingStatus: a status line, no error line.
press GetSamplingStatus 8 275 137 25 "$STATUS_LIST"
check_success GetSamplingStatus

# --- GetData with "Auto": the graph window opens.
press GetData-auto 8 320 137 25 "$ERR_LIST"
check_success GetData-auto
GRAPH=$(wait_window Graph 10) || fail "GetData: the graph window did not appear"
log "graph window $GRAPH"

# Regions of the graph window from its current size: the drawing area 3
# pixels inside the black panel's edges (its bevel), the key on the left,
# the right-hand strip as wide as at the designed size, however wide the
# window. The graph's arithmetic and the key work in the area's own pixels.
graph_regions() {
  window_geometry "$GRAPH"
  local px0 py0 pw ph
  px0=$(px 49) py0=$(px 9)
  pw=$((WW - ($(px 630) - $(px 603)) - px0)) ph=$((WH - py0))
  PANEL="$px0 $py0 $pw $ph"
  PLOT_X=$((px0 + 3)) PLOT_Y=$((py0 + 3)) PLOT_W=$((pw - 6)) PLOT_H=$((ph - 6))
  PLOT=$(geom "$PLOT_X" "$PLOT_Y" "$PLOT_W" "$PLOT_H")
  GRAPH_HEIGHT=$PLOT_H
}

# Every channel of 0..3 is drawn in its colour, and nothing else is in the
# plot, framed by a bevel 3 pixels wide on every side; the key shows
# CH00..CH03 at their rows and nothing below.
check_graph() {  # FILE WHAT
  local c g n probes=() counts band_top key_top key_w px0 py0 pw ph
  for c in 0 1 2 3; do probes+=("near $PLOT 0 ${CHANNEL_COLOURS[$c]}"); done
  probes+=("other $PLOT 0 black ${CHANNEL_COLOURS[*]}")
  key_w=$(px 49)
  for c in 0 1 2 3; do
    band_top=$(($(px 9) + (GRAPH_HEIGHT / 16) * c + 10))
    probes+=("near $(geom 8 "$band_top" $((key_w - 8)) "$(px 13)") 20 ${CHANNEL_COLOURS[$c]}")
  done
  key_top=$(($(px 9) + (GRAPH_HEIGHT / 16) * 3 + 10 + $(px 16)))
  probes+=("other $(geom 0 "$key_top" "$key_w" $((WH - key_top))) 0 silver")
  read -r px0 py0 pw ph <<<"$PANEL"
  for g in "$(geom "$px0" "$py0" 3 "$ph")" "$(geom $((px0 + pw - 3)) "$py0" 3 "$ph")" \
           "$(geom "$px0" "$py0" "$pw" 3)" "$(geom "$px0" $((py0 + ph - 3)) "$pw" 3)"; do
    probes+=("near $g 0 black")
  done
  mapfile -t counts < <(count_batch "$1" "${probes[@]}")
  [ "${#counts[@]}" -eq "${#probes[@]}" ] || fail "$2: ImageMagick gave ${#counts[@]} counts for ${#probes[@]} regions"
  for c in 0 1 2 3; do
    n=${counts[$c]}
    log "$2: channel $c (${CHANNEL_NAMES[$c]}) $n pixels, key label ${counts[$((5 + c))]} pixels"
    [ "$n" -ge 20 ] || fail "$2: channel $c is not drawn in ${CHANNEL_NAMES[$c]} ($n pixels)"
    [ "${counts[$((5 + c))]}" -ge 5 ] || fail "$2: no CH0$c label in ${CHANNEL_NAMES[$c]} at its key row"
  done
  [ "${counts[4]}" -eq 0 ] || fail "$2: ${counts[4]} pixels in the plot are neither black nor a colour of channels 0..3"
  [ "${counts[9]}" -eq 0 ] || fail "$2: the key shows more than four channels (${counts[9]} pixels below CH03)"
  for c in 10 11 12 13; do
    [ "${counts[$c]}" -eq 0 ] || fail "$2: the graph's bevel is not 3 pixels on every side (${counts[$c]} black pixels in it)"
  done
}

# Photographs the graph window once its new picture is up: all four colours
# in the plot (in its right quarter with "right"), and a plot that differs
# from NOT_DIGEST when one is given. Then checks the picture.
graph_shot() {  # FILE WHAT [NOT_DIGEST] [right]
  local deadline c ready frame previous="" g probes counts
  xdotool windowraise "$GRAPH"
  deadline=$(($(date +%s) + 10))
  while :; do
    window_shot "$GRAPH" "$1"
    graph_regions
    # Two equal pictures in a row: the repaint after raising is complete.
    frame=$(digest "$1" "${WW}x${WH}+0+0")
    ready=1
    [ "$frame" = "$previous" ] || ready=0
    previous=$frame
    if [ -n "${3:-}" ] && [ "$(digest "$1" "$PLOT")" = "$3" ]; then ready=0; fi
    if [ $ready -eq 1 ]; then
      g=$PLOT
      [ "${4:-}" = right ] && g=$(geom $((PLOT_X + PLOT_W * 3 / 4)) "$PLOT_Y" $((PLOT_W / 4)) "$PLOT_H")
      probes=()
      for c in 0 1 2 3; do probes+=("near $g 0 ${CHANNEL_COLOURS[$c]}"); done
      mapfile -t counts < <(count_batch "$1" "${probes[@]}")
      for c in 0 1 2 3; do [ "${counts[$c]:-0}" -ge 5 ] || ready=0; done
    fi
    [ $ready -eq 1 ] && break
    [ "$(date +%s)" -gt "$deadline" ] && fail "$2: the graph did not show its new picture in time"
    sleep 0.1
  done
  log "$2: graph ${WW}x${WH}, plot ${PLOT}, graph height $GRAPH_HEIGHT pixels"
  check_graph "$1" "$2"
}

graph_shot "$E2E_ART/graph-auto.png" "graph after GetData Auto"
window_geometry "$GRAPH"
design_w=$(px 630) design_h=$(px 373)
[ "$WW" -eq "$design_w" ] && [ "$WH" -eq "$design_h" ] || fail "graph window is ${WW}x${WH}, layout gives ${design_w}x${design_h}"
[ "$WX" -eq "$(px 111)" ] && [ "$WY" -eq "$(px 138)" ] || fail "graph window at $WX,$WY, layout puts it at $(px 111),$(px 138)"
auto_digest=$(digest "$E2E_ART/graph-auto.png" "$PLOT")

# --- GetData with a typed count of 400: 100 samples per channel.
graph_over_main && xdotool windowraise "$MAIN" && sleep 0.2
read -r x y < <(layout_centre 192 320 110 23 "$E2E_MENU")
type_into "$MAIN" "$x" "$y" 400
press GetData-400 8 320 137 25 "$ERR_LIST"
check_success GetData-400
graph_shot "$E2E_ART/graph-400.png" "graph after GetData 400" "$auto_digest"

# --- Resize the graph: wider and lower than designed, moved into the strip
# above the main window so that no button of it is covered.
window_geometry "$MAIN"
new_h=$((WY - 8))
[ "$new_h" -gt 200 ] && new_h=200
new_w=$(px 1000)
xdotool windowmove "$GRAPH" 0 0 windowsize "$GRAPH" "$new_w" "$new_h"
sleep 0.2
window_geometry "$GRAPH"
[ "$WW" -eq "$new_w" ] && [ "$WH" -eq "$new_h" ] || fail "graph window is ${WW}x${WH} after resizing to ${new_w}x${new_h}"
# The lines must now reach the right quarter of the wider plot.
graph_shot "$E2E_ART/graph-resized.png" "graph resized" "" right

# --- StopSampling, then the session's main window.
press StopSampling 8 240 137 25 "$ERR_LIST"
check_success StopSampling
sleep 0.3
snap session
cp "$shot" "$E2E_ART/main-window.png"

# --- Clear empties every list.
press Clear 408 8 153 57 "$ETC_LIST"
probes=()
for box in "${ALL_LISTS[@]}"; do probes+=("other $(inner_of "$box") 0 white"); done
mapfile -t counts < <(count_batch "$shot" "${probes[@]}")
for i in "${!ALL_LISTS[@]}"; do
  [ "${counts[$i]:-1}" -eq 0 ] || fail "Clear: the list at ${ALL_LISTS[$i]} is not empty"
done

# --- Every window is the program's own to a task bar.
for win in "$MAIN" "$GRAPH"; do
  class=$(xprop -id "$win" WM_CLASS)
  [ "$class" = 'WM_CLASS(STRING) = "tamrix", "Tamrix"' ] || fail "window $win has the class: $class"
done

# --- The mode dialog by keyboard. Its Mode list, clicked open with the
# dialog at the screen's top edge, drops down below itself; Esc closes it
# and leaves the mode. Shift+Tab from there reaches ｷｬﾝｾﾙ, and Enter on it
# cancels: nothing is listed. Opened again, Tab reaches the Mode list, Down
# on it closed picks the next mode and Enter runs OK: the mode listed
# differs from the session's first (03).
setmode_line1=$(digest "$E2E_ART/$(printf '%02d' $setmode_step)-SetMode.png" "$(line_band "$SETMODE_LIST" 1)")
open_dialog() {
  click_main "$MAIN" 8 175 137 25
  DIALOG=$(wait_window ModeSetForm 10) || fail "SetMode: the mode dialog did not appear"
}
open_dialog
xdotool windowmove "$DIALOG" 200 0
sleep 0.3
window_geometry "$DIALOG"
[ "$WY" -eq 0 ] || fail "the mode dialog did not move to the screen's top edge (at $WY)"
before=$(xdotool search --onlyvisible --name '.*' 2>/dev/null | sort)
read -r x y < <(layout_centre 81 8 81 23 0)
click_at "$DIALOG" "$x" "$y"
popup=""
deadline=$(($(date +%s) + 5))
while [ -z "$popup" ]; do
  [ "$(date +%s)" -gt "$deadline" ] && fail "the Mode list did not open"
  sleep 0.05
  popup=$(comm -13 <(echo "$before") <(xdotool search --onlyvisible --name '.*' 2>/dev/null | sort) | head -n 1)
done
sleep 0.2
import -window root "$E2E_ART/mode-list-open.png"
window_geometry "$popup"
read -r bx by bw bh < <(layout_rect 81 8 81 23 0)
read -r sw sh < <(xdpyinfo | awk '/dimensions:/ { split($2, p, "x"); print p[1], p[2]; exit }')
log "Mode list open at $WX,$WY, ${WW}x${WH}; its box ends at $((by + bh))"
[ "$WY" -eq "$((by + bh))" ] || fail "the open Mode list is not just below its box (at $WY, the box ends at $((by + bh)))"
[ $((WY + WH)) -le "$sh" ] || fail "the open Mode list runs off the screen"
[ "$WH" -ge $((10 * $(px 15))) ] || fail "the open Mode list does not show its ten modes (${WH} pixels high)"
class=$(xprop -id "$popup" WM_CLASS)
[ "$class" = 'WM_CLASS(STRING) = "tamrix", "Tamrix"' ] || fail "the open list has the class: $class"
xdotool key Escape
sleep 0.2
[ "$(visible_windows ModeSetForm)" -eq 1 ] || fail "Esc on the open list closed the dialog"
xdotool key shift+Tab Return
wait_window_gone ModeSetForm 10 || fail "Enter on a focused ｷｬﾝｾﾙ did not close the dialog"
sleep 0.5
snap cancelled
probes=()
for box in "$ERR_LIST" "$SETMODE_LIST" "$ETC_LIST"; do probes+=("other $(inner_of "$box") 0 white"); done
mapfile -t counts < <(count_batch "$shot" "${probes[@]}")
[ "${counts[0]}" -eq 0 ] && [ "${counts[1]}" -eq 0 ] && [ "${counts[2]}" -eq 0 ] ||
  fail "Enter on a focused ｷｬﾝｾﾙ ran the command (lists: ${counts[*]} pixels)"
open_dialog
read -r x y < <(layout_centre 8 144 60 15 0)
point_at "$DIALOG" "$x" "$y"
before=$(digest "$shot" "$(inner_of "$ERR_LIST")")
# The dialog kept its focus on ｷｬﾝｾﾙ; Tab reaches the Mode list.
xdotool key Tab Down Return
wait_window_gone ModeSetForm 10 || fail "Enter on the Mode list did not press OK"
step=$((step + 1)); shot="$E2E_ART/$(printf '%02d' $step)-SetMode-keys.png"
wait_change "$MAIN" "$(inner_of "$ERR_LIST")" "$before" "$shot" 10 || fail "SetMode by keys: no status line"
# Only an accepted mode is listed.
has_text "$shot" "$SETMODE_LIST" || fail "SetMode by keys: the mode is not listed"
[ "$(digest "$shot" "$(line_band "$SETMODE_LIST" 1)")" != "$setmode_line1" ] ||
  fail "SetMode by keys: Down on the Mode list did not change the mode"

# --- Close (slot 00), GetLastError: status 0 both times.
press Close 8 39 137 25 "$ERR_LIST"
has_text "$shot" "$ETC_LIST" || fail "Close: no line in the other-messages list"
press GetLastError 8 352 137 25 "$ERR_LIST"
check_success Close

keep_screenshot "$E2E_ART/main-window.png" main-window.png
keep_screenshot "$E2E_ART/graph-400.png" graph-window.png

# --- Alt+X ends the program.
read -r x y < <(layout_centre 8 528 106 15 "$E2E_MENU")
point_at "$MAIN" "$x" "$y"
xdotool key alt+x
wait_exit 10 || fail "the program did not end after Alt+X"
[ "$EXIT_STATUS" -eq 0 ] || fail "the program ended with status $EXIT_STATUS"
[ "$(visible_windows Graph)" -eq 0 ] || fail "the graph window outlived the program"
log "PASS: full session"
