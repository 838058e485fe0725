#!/bin/bash
# The main window on screen against its layout: size and place from the
# screen's scale, fixed size, menu bar, status labels and empty lists where
# the layout puts them.
# Usage: main_window_layout.sh PROGRAM ARTIFACT_DIR
set -u
source "$(dirname "$0")/e2e_common.sh"
e2e_enter_screen "$@"

start_program
MAIN=$(wait_window "Tamrix Check Soft" 20) || fail "no main window appeared"
shot="$E2E_ART/layout.png"
# Wait for the first paint: the other-messages list gets its start line.
deadline=$(($(date +%s) + 10))
until window_shot "$MAIN" "$shot" && [ "$(count_other "$shot" "$(main_geom 8 544 553 65 2)" 0 white)" -gt 0 ]; do
  [ "$(date +%s)" -gt "$deadline" ] && fail "the main window was not painted"
  sleep 0.2
done
sleep 0.3
window_shot "$MAIN" "$shot"
read -r sw sh < <(xdpyinfo | awk '/dimensions:/ { split($2, p, "x"); print p[1], p[2]; exit }')
window_geometry "$MAIN"
want_w=$(px 571)
want_h=$(($(px 625) + E2E_MENU))
log "window ${WW}x${WH} at $WX,$WY; layout gives ${want_w}x${want_h} centred on ${sw}x${sh}"
[ "$WW" -eq "$want_w" ] && [ "$WH" -eq "$want_h" ] || fail "window is ${WW}x${WH}, layout gives ${want_w}x${want_h}"
dx=$((WX - (sw - WW) / 2)) dy=$((WY - (sh - WH) / 2))
[ "${dx#-}" -le 1 ] && [ "${dy#-}" -le 1 ] || fail "window at $WX,$WY is not centred on the screen"

# Fixed border: the size hints allow exactly one size.
if command -v xprop >/dev/null 2>&1; then
  hints=$(xprop -id "$MAIN" WM_NORMAL_HINTS)
  echo "$hints" | grep -q "minimum size: $WW by $WH" && echo "$hints" | grep -q "maximum size: $WW by $WH" ||
    fail "the main window can be resized: $hints"
fi

# Menu bar: window face colour over the full width, captions at its left.
bar_right=$(geom $((WW / 2)) 0 $((WW / 2)) "$E2E_MENU")
[ "$(count_other "$shot" "$bar_right" 0 silver)" -eq 0 ] || fail "the menu bar does not span the window in the face colour"
captions=$(count_near "$shot" "$(geom 0 0 $(px 100) "$E2E_MENU")" black 40)
[ "$captions" -ge 20 ] || fail "the menu bar shows no captions ($captions dark pixels)"

# Status labels: white, starting with a blank, holding the dark dashes of
# " -- ", with the face colour between them and their buttons.
probes=() what=() want=()
for top in 12 44 76 120 180 212 244 280 324 356 396; do
  probes+=("other $(main_geom 152 "$top" 3 15 0 1) 0 white"); what+=("no white status label at 152,$top"); want+=(0)
  probes+=("other $(main_geom 152 "$top" 22 15 1) 8 white silver"); what+=("the status label at 152,$top shows no text"); want+=(+3)
  probes+=("other $(main_geom 150 "$top" 2 15) 0 silver"); what+=("no face colour left of the status label at 152,$top"); want+=(0)
  read -r x y pw ph < <(layout_rect 152 "$top" 3 15 "$E2E_MENU")
  probes+=("other $(geom "$x" "$y" "$pw" 1) 0 white"); what+=("the status label at 152,$top starts below its top"); want+=(0)
  probes+=("other $(geom "$x" $((y - 1)) "$pw" 1) 0 silver"); what+=("the status label at 152,$top starts above its top"); want+=(0)
done

# Lists that start empty: a white interior, a sunken edge at the layout's
# left edge, the face colour just outside it.
for box in "192 103 369 49" "192 163 369 49" "192 263 369 49" "360 320 121 49" \
           "192 379 369 49" "8 448 265 73" "280 448 281 73"; do
  read -r l t w h <<<"$box"
  read -r x y pw ph < <(layout_rect "$l" "$t" "$w" "$h" "$E2E_MENU")
  probes+=("other $(geom "$x" "$y" "$pw" "$ph" 2) 0 white"); what+=("the list at $l,$t is not empty and white"); want+=(0)
  probes+=("near $(geom "$x" $((y + 2)) 1 $((ph - 4))) 3 silver"); what+=("no sunken edge at the left of the list at $l,$t"); want+=(0)
  probes+=("other $(geom $((x - 1)) $((y + 2)) 1 $((ph - 4))) 0 silver"); what+=("the list at $l,$t starts left of its layout position"); want+=(0)
done

mapfile -t counts < <(count_batch "$shot" "${probes[@]}")
[ "${#counts[@]}" -eq "${#probes[@]}" ] || fail "ImageMagick gave ${#counts[@]} counts for ${#probes[@]} regions"
for i in "${!probes[@]}"; do
  case ${want[$i]} in
    +*) [ "${counts[$i]}" -ge "${want[$i]#+}" ] || fail "${what[$i]} (${counts[$i]} pixels)" ;;
    *) [ "${counts[$i]}" -eq "${want[$i]}" ] || fail "${what[$i]} (${counts[$i]} pixels)" ;;
  esac
done
log "${#probes[@]} region checks passed"

keep_screenshot "$shot" main-window-start.png
point_at "$MAIN" 5 $((E2E_MENU + 5))
xdotool key alt+x
wait_exit 10 || fail "the program did not end after Alt+X"
[ "$EXIT_STATUS" -eq 0 ] || fail "the program ended with status $EXIT_STATUS"
log "PASS: main window ${WW}x${WH} at scale $E2E_SCALE matches its layout"
