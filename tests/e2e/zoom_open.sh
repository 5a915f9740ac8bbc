#!/usr/bin/env bash
# Starts Vesk with the worked example on its command line, drags over the
# graph, zooms with Z and resets with Escape, then reloads an edited file with
# F5, checking what the screen shows after each step.
# Usage: zoom_open.sh VESK_BINARY EXAMPLES_DIR
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
vesk=$(readlink -f "$1") examples=$(readlink -f "$2")
export QT_QPA_PLATFORM=xcb

work_folder
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME" "$work/data"
cp "$examples/vesk.dat" "$work/data/"
printf '[Options]\r\nDefault Directory=%s\r\nDefault Font Size=9.0\r\n' "$work/data" > "$XDG_CONFIG_HOME/dorvesk.ini"

# poll SECONDS COMMAND...: runs COMMAND until it succeeds; fails after SECONDS.
poll() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# Number of pixels that differ between two PNGs within a rectangle w x h + x + y.
differing() {
  /usr/bin/convert "$1" "$2" -crop "$3" +repage miff:- |
    /usr/bin/compare -metric AE miff:- null: 2>&1 | sed 's/ .*//'
}

"$vesk" "$work/data/vesk.dat" & pid=$!
win=$(wait_for_window 'Vesk$') || fail "the main window did not appear"
geometry "$win"
[ "$WW" -eq 720 ] || fail "client width $WW, expected 720"
menu=$((WH - 478 - STATUS_BAR))
cx=$WX cy=$((WY + menu))   # top-left of the client area
client="720x478+$cx+$cy"
graph="640x407+$((cx + 72))+$((cy + 8))"
xstrip="664x57+$((cx + 56))+$((cy + 416))"

drawn() { shot "$work/full.png" && [ "$(dark_pixels "$work/full.png" "$graph")" -gt 300 ]; }
poll 10 drawn || fail "the file given on the command line was not drawn"
[ "$(dark_pixels "$work/full.png" "$xstrip")" -gt 50 ] || fail "no x tick labels"

# A drag from lower right to upper left; the window orders the corners itself.
pointer_to $((cx + 72 + 500)) $((cy + 8 + 300)); xdotool mousedown 1
pointer_to $((cx + 72 + 300)) $((cy + 8 + 200))
pointer_to $((cx + 72 + 100)) $((cy + 8 + 60)); xdotool mouseup 1
xdotool windowfocus --sync "$win"

xdotool key z
zoomed() { shot "$work/zoomed.png" && [ "$(differing "$work/full.png" "$work/zoomed.png" "$xstrip")" -gt 100 ]; }
poll 10 zoomed || fail "Z did not change the x tick labels"
[ "$(dark_pixels "$work/zoomed.png" "$graph")" -gt 300 ] || fail "nothing drawn in the zoomed view"

xdotool key Escape
reset() { shot "$work/reset.png" && [ "$(differing "$work/full.png" "$work/reset.png" "$client")" -eq 0 ]; }
poll 10 reset || fail "Escape did not bring back the full view's pixels"

# F5 reads the file again: a new x range changes the tick labels.
sed -i 's/^0 10 -5 5/0 1000 -5 5/' "$work/data/vesk.dat"
xdotool key F5
reloaded() { shot "$work/reloaded.png" && [ "$(differing "$work/full.png" "$work/reloaded.png" "$xstrip")" -gt 100 ]; }
poll 10 reloaded || fail "F5 did not reload the edited file"

echo "command line, zoom, reset and reload behaved as expected"
