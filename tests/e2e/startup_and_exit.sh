#!/bin/bash
# The installed program starts with only its main window on screen, shows
# the library-load line, and ends with status 0 on Alt+X.
# Usage: startup_and_exit.sh PROGRAM ARTIFACT_DIR
set -u
source "$(dirname "$0")/e2e_common.sh"
e2e_enter_screen "$@"

start_program
MAIN=$(wait_window "Tamrix Check Soft" 20) || fail "no window titled 'Tamrix Check Soft' appeared"
log "main window $MAIN"
[ "$(xdotool getwindowname "$MAIN")" = "Tamrix Check Soft" ] || fail "main window title is '$(xdotool getwindowname "$MAIN")'"
for hidden in Graph ModeSetForm; do
  [ "$(visible_windows "$hidden")" -eq 0 ] || fail "the $hidden window is on screen at start"
done

# The other-messages list: its interior, and the band of its first line.
line=$(px 15)
read -r lx ly lw lh < <(layout_rect 8 544 553 65 "$E2E_MENU")
inner=$(geom "$lx" "$ly" "$lw" "$lh" 2)
first_line=$(geom $((lx + 2)) $((ly + 2)) $((lw - 4)) "$line")
below_first=$(geom $((lx + 2)) $((ly + 4 + line + 2)) $((lw - 4)) $((lh - 8 - line - 2)))
shot="$E2E_ART/startup.png"
deadline=$(($(date +%s) + 10))
while :; do
  window_shot "$MAIN" "$shot"
  [ "$(count_other "$shot" "$inner" 0 white)" -gt 0 ] && break
  [ "$(date +%s)" -gt "$deadline" ] && fail "the other-messages list stays blank"
  sleep 0.2
done
sleep 0.3
window_shot "$MAIN" "$shot"
log "screenshot $shot"

# Line 001 is selected (a navy bar) and carries text; nothing is below it.
band_area=$(area "$first_line")
navy=$(count_exact "$shot" "$first_line" navy)
text=$(count_other "$shot" "$first_line" 0 navy)
log "first line: $navy of $band_area pixels selection colour, $text text pixels"
[ $((navy * 100)) -ge $((band_area * 40)) ] || fail "the first line of the other-messages list is not selected"
[ "$text" -ge 30 ] || fail "the first line of the other-messages list shows no text"
rest=$(count_other "$shot" "$below_first" 0 white)
[ "$rest" -eq 0 ] || fail "the other-messages list holds more than one line ($rest pixels below line 1)"

# A successful library load adds nothing to the error-code list.
errs=$(count_other "$shot" "$(main_geom 8 448 265 73 2)" 0 white)
[ "$errs" -eq 0 ] || fail "the error-code list is not empty at start ($errs pixels)"

# Alt+X with the pointer (and so the keyboard focus) on the main window.
read -r cx cy < <(layout_centre 8 528 106 15 "$E2E_MENU")
point_at "$MAIN" "$cx" "$cy"
xdotool key alt+x
wait_exit 10 || fail "the program still runs 10 s after Alt+X"
[ "$EXIT_STATUS" -eq 0 ] || fail "the program ended with status $EXIT_STATUS"
[ "$(visible_windows "Tamrix Check Soft")" -eq 0 ] || fail "the main window outlived the program"
log "PASS: window, first message line and Alt+X exit (status 0)"
