#!/usr/bin/env bash
# The whole program as a user meets it: first start without a settings file,
# Options, a restart that keeps them, Open through the real dialog, No Labels
# twice, a drag, Print to a PDF file, Save as JPEG, Exit.
# Usage: whole_program.sh VESK_BINARY EXAMPLES_DIR
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
vesk=$(readlink -f "$1") examples=$(readlink -f "$2")

work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; [ -n "${VESK_E2E_SHOTS:-}" ] && cp "$work"/*.png "$VESK_E2E_SHOTS"/ 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config HOME=$work/home
mkdir -p "$HOME/data"
cp "$examples"/*.dat "$HOME/data/"
cd "$HOME"
ini=$XDG_CONFIG_HOME/dorvesk.ini
ini_has() { tr -d '\r' < "$ini" | grep -qxF -- "$1"; }

# Menu entries: the menu bar is at the top of the client area; File's entries
# follow one another at a fixed height.
start() {
  "$vesk" & pid=$!
  win=$(wait_for_window '^Vesk$') || fail "the main window did not appear"
  sleep 0.5
  geometry "$win"
  menu=$((WH - 478)) cx=$WX cy=$((WY + WH - 478))
}
file_entry() {  # 0 Open, 1 Print, 2 Save as JPEG, 3 Options, 4 Exit
  click $((WX + 15)) $((WY + menu / 2))
  click $((WX + 40)) $((WY + menu + 11 + 22 * $1))
}
quit() {
  file_entry 4
  for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  ! kill -0 $pid 2>/dev/null || fail "Exit did not end the program"
  pid=
}

# First start: the settings file is created with the defaults.
start
[ -f "$ini" ] || fail "no settings file after the first start"
ini_has "Default Directory=$(dirname "$(readlink -f "$vesk")")" || fail "default folder not written: $(cat "$ini")"
ini_has 'Default Font Size=9.0' || fail "default size not written"

# Options: a folder and a size, OK.
file_entry 3
dlg=$(wait_for_window '^Options$') || fail "no Options dialog"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$dlg" | sed -n 's/^X=/DX=/p;s/^Y=/DY=/p')"
click $((DX + 112 + 100)) $((DY + 8 + 9))
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 5 "$HOME/data"
click $((DX + 112 + 25)) $((DY + 40 + 10))
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 5 "12"
click $((DX + 368 + 28)) $((DY + 48 + 8))
wait_gone '^Options$' || fail "OK did not hide the dialog"
ini_has "Default Directory=$HOME/data" || fail "folder not saved: $(cat "$ini")"
ini_has 'Default Font Size=12' || fail "size not saved: $(cat "$ini")"
quit

# A restart keeps them: the open dialog starts in the chosen folder.
start
ini_has 'Default Font Size=12' || fail "size lost at restart"
file_entry 0
wait_dialog $pid
xdotool key --clearmodifiers Return
wait_no_dialog $pid
sleep 0.5
shot "$work/opened.png"
graph="640x407+$((cx + 72))+$((cy + 8))"
ink=$(dark_pixels "$work/opened.png" "$graph")
[ "$ink" -gt 300 ] || fail "no graph drawn after Open ($ink)"

# No Labels twice.
nolabels_x=$((WX + 180)) nolabels_y=$((WY + menu / 2))
click $nolabels_x $nolabels_y
shot "$work/nolabels.png"
[ "$(dark_pixels "$work/nolabels.png" "$graph")" -lt "$ink" ] || fail "No Labels left the labels"
click $nolabels_x $nolabels_y
shot "$work/labels.png"
[ "$(dark_pixels "$work/labels.png" "$graph")" -eq "$ink" ] || fail "Labels did not bring them back"

# A drag: one rectangle where the pointer went.
xdotool mousemove --sync $((cx + 150)) $((cy + 150)) mousedown 3
xdotool mousemove --sync $((cx + 350)) $((cy + 300)) mouseup 3
sleep 0.5
shot "$work/drag.png"
[ "$(darkest "$work/drag.png" "5x20+$((cx + 348))+$((cy + 200))")" -lt 100 ] || fail "no rectangle after the drag"

# Print to a PDF file through the print dialog (Qt's PDF printer, output in $HOME).
file_entry 1
wait_dialog $pid
xdotool key --clearmodifiers Return
wait_file "$HOME/print.pdf" || fail "Print wrote no PDF"
pdfinfo "$HOME/print.pdf" | grep -qE '^Pages: +1$' || fail "the PDF does not have one page"
pdfimages -list "$HOME/print.pdf" | grep -qE ' image +720 +478 ' || fail "the page does not hold the 720 x 478 window image"

# Save as JPEG: the dialog proposes the chosen folder's vesk.jpg.
wait_no_dialog $pid
file_entry 2
wait_dialog $pid
xdotool key --clearmodifiers Return
wait_file "$HOME/data/vesk.jpg" || fail "Save as JPEG wrote no file"
[ "$(identify -format '%w %h %Q' "$HOME/data/vesk.jpg")" = "720 478 90" ] || fail "JPEG not 720 x 478 at quality 90"
# The JPEG shows what the window shows.
shot "$work/saved.png"
$IM_CONVERT "$work/saved.png" -crop "720x478+$cx+$cy" +repage "$work/client.png"
err=$(compare -metric RMSE "$work/client.png" "$HOME/data/vesk.jpg" null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)
awk -v e="$err" 'BEGIN { exit !(e < 0.05) }' || fail "the JPEG differs from the window (RMSE $err)"

quit
echo "the whole program behaved as expected"
