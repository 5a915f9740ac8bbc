#!/usr/bin/env bash
# Starts Vesk, opens the worked example through the real open dialog, clicks
# No Labels twice and drags over the graph, checking what the screen shows.
# Usage: open_nolabels_drag.sh VESK_BINARY EXAMPLES_DIR
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
vesk=$(readlink -f "$1") examples=$(readlink -f "$2")

work=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; [ -n "${VESK_E2E_SHOTS:-}" ] && cp "$work"/*.png "$VESK_E2E_SHOTS"/ 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME" "$work/data"
cp "$examples"/*.dat "$work/data/"
printf '[Options]\r\nDefault Directory=%s\r\nDefault Font Size=9.0\r\n' "$work/data" > "$XDG_CONFIG_HOME/dorvesk.ini"

"$vesk" & pid=$!
win=$(wait_for_window '^Vesk$') || fail "the main window did not appear"
sleep 0.5
geometry "$win"
[ "$WW" -eq 720 ] || fail "client width $WW, expected 720"
menu=$((WH - 478))
[ "$menu" -gt 10 ] || fail "no menu bar above the client area (height $WH)"
cx=$WX cy=$((WY + menu))   # top-left of the client area

shot "$work/start.png"
# "No Labels" is the last entry of the menu bar: grey (disabled) at start.
nolabels="90x$((menu - 4))+$((WX + 150))+$((WY + 2))"
start_ink=$(darkest "$work/start.png" "$nolabels")
[ "$(dark_pixels "$work/start.png" "640x407+$((cx + 72))+$((cy + 8))")" -eq 0 ] || fail "graph area not empty at start"

# File > Open, then accept the proposed "vesk.dat" in the dialog.
click $((WX + 15)) $((WY + menu / 2))
click $((WX + 30)) $((WY + menu + 14))
wait_dialog $pid
xdotool key --clearmodifiers Return
wait_no_dialog $pid
sleep 0.5
shot "$work/opened.png"
graph_ink=$(dark_pixels "$work/opened.png" "640x407+$((cx + 72))+$((cy + 8))")
[ "$graph_ink" -gt 300 ] || fail "no graph drawn after Open ($graph_ink dark pixels)"
[ "$(dark_pixels "$work/opened.png" "75x415+$cx+$cy")" -gt 50 ] || fail "no y tick labels"
[ "$(dark_pixels "$work/opened.png" "664x57+$((cx + 56))+$((cy + 416))")" -gt 50 ] || fail "no x tick labels"
opened_ink=$(darkest "$work/opened.png" "$nolabels")
[ "$opened_ink" -lt "$start_ink" ] || fail "No Labels did not become enabled ($start_ink -> $opened_ink)"

# No Labels: fewer dark pixels in the graph area; the second click brings them back.
nolabels_x=$((WX + 150 + 30)) nolabels_y=$((WY + menu / 2))
click $nolabels_x $nolabels_y
shot "$work/nolabels.png"
hidden_ink=$(dark_pixels "$work/nolabels.png" "640x407+$((cx + 72))+$((cy + 8))")
[ "$hidden_ink" -lt "$graph_ink" ] || fail "labels still drawn after No Labels ($graph_ink -> $hidden_ink)"
click $nolabels_x $nolabels_y
shot "$work/labels.png"
[ "$(dark_pixels "$work/labels.png" "640x407+$((cx + 72))+$((cy + 8))")" -eq "$graph_ink" ] || fail "labels not back"

# A drag leaves one black rectangle whose corner is where the pointer stopped.
xdotool mousemove --sync $((cx + 200)) $((cy + 100)) mousedown 1
xdotool mousemove --sync $((cx + 300)) $((cy + 200))
xdotool mousemove --sync $((cx + 400)) $((cy + 300)) mouseup 1
sleep 0.5
shot "$work/drag.png"
[ "$(darkest "$work/drag.png" "5x20+$((cx + 398))+$((cy + 240))")" -lt 100 ] || fail "no rectangle edge at the drag's end"
[ "$(darkest "$work/drag.png" "20x5+$((cx + 240))+$((cy + 298))")" -lt 100 ] || fail "no rectangle edge at the drag's bottom"
# The rectangle of the first move was redrawn away.
[ "$(grey "$work/drag.png" $((cx + 300)) $((cy + 150)))" -gt 150 ] || fail "the first move's rectangle is still there"

echo "open, no labels and drag behaved as expected"
