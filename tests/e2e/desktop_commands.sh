#!/usr/bin/env bash
# The desktop's commands as a user meets them: a pipeline's data exported to
# standard output, the same data piped into the window, Copy Image pasted by
# another program, a cancelled Open that keeps the graph, and the recent
# files in the settings file and the desktop's list.
# Usage: desktop_commands.sh VESK_BINARY EXAMPLES_DIR
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
vesk=$(readlink -f "$1") examples=$(readlink -f "$2")

work_folder
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data HOME=$work/home
mkdir -p "$HOME" "$XDG_DATA_HOME"
cd "$HOME"

# A graph made by a pipeline: the titles, the axes, one line set of ten points.
data() { printf 'n\nn squared\n0 10 0 100\n0 10 0 0\n'; seq 1 10 | awk '{ print $1, $1 * $1, 0 }'; }

# Standard input to standard output.
data | "$vesk" --export - --format png - > "$work/piped.png" || fail "the export to standard output failed"
[ "$(identify -format '%m %w %h' "$work/piped.png")" = "PNG 720 478" ] || fail "standard output is no 720 x 478 PNG"
[ "$(dark_pixels "$work/piped.png" "640x406+72+8")" -gt 300 ] || fail "the piped graph is not drawn"

# The same data piped into the window.
data | "$vesk" - & pid=$!
win=$(wait_for_window 'Vesk$') || fail "the main window did not appear"
geometry "$win"
cx=$WX cy=$((WY + WH - 478 - STATUS_BAR))
graph_ink() { dark_pixels "$1" "640x406+$((cx + 72))+$((cy + 8))"; }
shot_until "$work/window.png" 20 eval '[ "$(graph_ink "$work/window.png")" -gt 300 ]' || fail "the piped graph is not shown"

# Copy Image, then another program pastes it.
# A click in the graph area gives the window the keyboard (there is no window manager).
click $((cx + 300)) $((cy + 200))
xdotool key --clearmodifiers ctrl+c
targets() { xclip -selection clipboard -t TARGETS -o 2>/dev/null; }
until_ok 10 eval 'targets | grep -qx image/png' || fail "no image on the clipboard: $(targets | tr '\n' ' ')"
targets | grep -qx 'image/svg+xml' || fail "no SVG on the clipboard: $(targets | tr '\n' ' ')"
xclip -selection clipboard -t image/png -o > "$work/pasted.png"
[ "$(identify -format '%w %h' "$work/pasted.png")" = "720 478" ] || fail "the pasted picture is not the client area"
[ "$(compare -metric AE "$work/pasted.png" "$work/piped.png" null: 2>&1)" = "0" ] ||
  fail "the pasted picture differs from the export"
xclip -selection clipboard -t image/svg+xml -o > "$work/pasted.svg"
rsvg-convert -o "$work/pasted-svg.png" "$work/pasted.svg" || fail "the pasted SVG does not render"

# F5 has no file to read again: it says so, and Enter closes the message.
xdotool key --clearmodifiers F5
until_ok 20 windows_at_least $pid 2 || fail "F5 said nothing"
xdotool key --clearmodifiers Return
until_ok 20 windows_at_most $pid 1 || fail "the message did not close"

# A cancelled Open keeps the graph.
click $((cx + 300)) $((cy + 200))
xdotool key --clearmodifiers ctrl+o
until_ok 20 windows_at_least $pid 2 || fail "no open dialog"
# Its edge takes the keyboard for it.
dialog=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | grep -vx "$win" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$dialog" | sed -n 's/^X=/DX=/p;s/^Y=/DY=/p')"
click $((DX + 3)) $((DY + 3))
xdotool key --clearmodifiers Escape
until_ok 20 windows_at_most $pid 1 || fail "the open dialog did not close"
shot "$work/cancelled.png"
[ "$(graph_ink "$work/cancelled.png")" -gt 300 ] || fail "a cancelled Open wiped the graph"
kill $pid; wait $pid 2>/dev/null || true; pid=

# A file opened from the command line is a recent file, in the settings file and on the desktop's list.
data > "$HOME/squares.dat"
"$vesk" "$HOME/squares.dat" & pid=$!
wait_for_window 'Vesk$' >/dev/null || fail "the main window did not appear"
until_ok 20 grep -qxF "File1=$HOME/squares.dat" "$XDG_CONFIG_HOME/dorvesk.ini" || fail "not on the recent list"
until_ok 20 grep -qF "href=\"file://$HOME/squares.dat\"" "$XDG_DATA_HOME/recently-used.xbel" ||
  fail "not on the desktop's recently-used list"
kill $pid; wait $pid 2>/dev/null || true; pid=
echo "the desktop's commands behaved as expected"
