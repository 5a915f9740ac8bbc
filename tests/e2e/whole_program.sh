#!/usr/bin/env bash
# The whole program as a user meets it: first start without a settings file,
# the window's layout and its menus at start, Options, a restart that keeps
# them, Open through the real dialog, No Labels twice, a drag, Print to a PDF
# file, Save as JPEG, Exit.
# Usage: whole_program.sh VESK_BINARY EXAMPLES_DIR
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
vesk=$(readlink -f "$1") examples=$(readlink -f "$2")

work_folder
export XDG_CONFIG_HOME=$work/config HOME=$work/home
mkdir -p "$HOME/data"
cp "$examples"/*.dat "$HOME/data/"
cd "$HOME"
ini=$XDG_CONFIG_HOME/dorvesk.ini
ini_has() { tr -d '\r' < "$ini" | grep -qxF -- "$1"; }

# Areas of the screen, once the window's place is known.
graph_ink() { dark_pixels "$1" "640x407+$((cx + 72))+$((cy + 8))"; }
file_title() { darkest "$1" "30x$((menu - 4))+$((WX + 2))+$((WY + 2))"; }
# "No Labels" is the last entry of the menu bar.
nolabels_area() { echo "90x$((menu - 4))+$((WX + 150))+$((WY + 2))"; }

start() {
  "$vesk" & pid=$!
  win=$(wait_for_window 'Vesk$') || fail "the main window did not appear"
  geometry "$win"
  # The status bar lies under the client area.
  menu=$((WH - 478 - STATUS_BAR)) cx=$WX cy=$((WY + WH - 478 - STATUS_BAR))
  [ "$WW" -eq 720 ] || fail "client width $WW, expected 720"
  [ "$menu" -gt 10 ] || fail "no menu bar above the client area (height $WH)"
  # Shown once the menu bar's "File" is drawn.
  shot_until "$work/start.png" 20 eval '[ "$(file_title "$work/start.png")" -lt 100 ]' || fail "the window was not drawn"
}
# File's entries follow one another at a fixed height under the opened menu.
file_entry() {  # 0 Open, 1 Open Recent, 2 Print, 3 Save as JPEG, 4 Export..., 5 Copy Image, 6 Options, 7 Follow File, 8 Exit
  click $((WX + 15)) $((WY + menu / 2))
  until_ok 10 windows_at_least $pid 2 || fail "the File menu did not open"
  popup=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | grep -vx "$win" | head -n 1)
  click $((WX + 40)) $((WY + menu + 11 + 22 * $1))
  # Gone first, so that the menu is not taken for the dialog the entry opens.
  until_ok 10 eval '! xdotool search --onlyvisible --pid $pid 2>/dev/null | grep -qx "$popup"' ||
    fail "the File menu did not close"
}
quit() {
  file_entry 8
  until_ok 10 eval '! kill -0 $pid 2>/dev/null' || fail "Exit did not end the program"
  pid=
}

# First start: the settings file is created with the defaults; only File's
# commands can be used and the graph area is empty.
start
[ -f "$ini" ] || fail "no settings file after the first start"
ini_has "Default Directory=$(dirname "$(readlink -f "$vesk")")" || fail "default folder not written: $(cat "$ini")"
ini_has 'Default Font Size=9.0' || fail "default size not written"
start_ink=$(darkest "$work/start.png" "$(nolabels_area)")
[ "$start_ink" -gt 100 ] || fail "No Labels is not greyed at start ($start_ink)"
[ "$(graph_ink "$work/start.png")" -eq 0 ] || fail "graph area not empty at start"

# Options: a folder and a size, OK.
file_entry 6
dlg=$(wait_for_window '^Options$') || fail "no Options dialog"
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
# The strips are widgets of their own and may be painted a moment after the graph
# area, and the dialog's pixels stay on the screen until the window has drawn over
# them. Under load the dialog may come up only after the File menu has gone, and
# then covers most of the graph area: Return again while it shows.
x_labels() { dark_pixels "$1" "664x57+$((cx + 56))+$((cy + 416))"; }
shot_until "$work/opened.png" 20 eval '{ windows_at_most $pid 1 || xdotool key --clearmodifiers Return; } &&
  [ "$(graph_ink "$work/opened.png")" -gt 300 ] && [ "$(x_labels "$work/opened.png")" -gt 50 ]' ||
  fail "no graph drawn after Open ($(graph_ink "$work/opened.png"))"
ink=$(graph_ink "$work/opened.png")
[ "$(dark_pixels "$work/opened.png" "75x415+$cx+$cy")" -gt 50 ] || fail "no y tick labels"
[ "$(x_labels "$work/opened.png")" -gt 50 ] || fail "no x tick labels"
opened_ink=$(darkest "$work/opened.png" "$(nolabels_area)")
[ "$opened_ink" -lt "$start_ink" ] || fail "No Labels did not become enabled ($start_ink -> $opened_ink)"

# No Labels: fewer dark pixels in the graph area; the second click brings them back.
nolabels_x=$((WX + 180)) nolabels_y=$((WY + menu / 2))
click $nolabels_x $nolabels_y
shot_until "$work/nolabels.png" 10 eval '[ "$(graph_ink "$work/nolabels.png")" -lt "$ink" ]' ||
  fail "No Labels left the labels"
click $nolabels_x $nolabels_y
shot_until "$work/labels.png" 10 eval '[ "$(graph_ink "$work/labels.png")" -eq "$ink" ]' ||
  fail "Labels did not bring them back"

# A drag with the right button leaves one black rectangle whose corner is
# where the pointer stopped; the rectangle of the first move is redrawn away.
pointer_to $((cx + 200)) $((cy + 100)); xdotool mousedown 3
pointer_to $((cx + 300)) $((cy + 200))
pointer_to $((cx + 400)) $((cy + 300)); xdotool mouseup 3
rectangle_done() {
  [ "$(darkest "$work/drag.png" "5x20+$((cx + 398))+$((cy + 240))")" -lt 100 ] &&
    [ "$(darkest "$work/drag.png" "20x5+$((cx + 240))+$((cy + 298))")" -lt 100 ]
}
shot_until "$work/drag.png" 10 rectangle_done || fail "no rectangle at the drag's end"
[ "$(grey "$work/drag.png" $((cx + 300)) $((cy + 150)))" -gt 150 ] || fail "the first move's rectangle is still there"

# Print to a PDF file through the print dialog (Qt's PDF printer, output in $HOME).
file_entry 2
wait_dialog $pid
xdotool key --clearmodifiers Return
wait_pdf "$HOME/print.pdf" || fail "Print wrote no complete PDF"
pdfinfo "$HOME/print.pdf" | grep -qE '^Pages: +1$' || fail "the PDF does not have one page"
pdfimages -list "$HOME/print.pdf" | grep -qE ' image +720 +478 ' || fail "the page does not hold the 720 x 478 window image"

# Save as JPEG: the dialog proposes the chosen folder's vesk.jpg.
wait_no_dialog $pid
file_entry 3
wait_dialog $pid
xdotool key --clearmodifiers Return
wait_image "$HOME/data/vesk.jpg" || fail "Save as JPEG wrote no file"
[ "$(identify -format '%w %h %Q' "$HOME/data/vesk.jpg")" = "720 478 90" ] || fail "JPEG not 720 x 478 at quality 90"
# The JPEG shows what the window shows, once the dialog has gone.
wait_no_dialog $pid
jpeg_matches() {
  $IM_CONVERT "$work/saved.png" -crop "720x478+$cx+$cy" +repage "$work/client.png"
  err=$(compare -metric RMSE "$work/client.png" "$HOME/data/vesk.jpg" null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)
  awk -v e="$err" 'BEGIN { exit !(e < 0.05) }'
}
shot_until "$work/saved.png" 10 jpeg_matches || fail "the JPEG differs from the window (RMSE $err)"

quit
echo "the whole program behaved as expected"
