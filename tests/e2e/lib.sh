# Helpers for driving the real program under Xvfb with xdotool.
set -euo pipefail

# The program must show its windows on the X server, whatever the caller's
# environment says (tests elsewhere run with the offscreen platform).
export QT_QPA_PLATFORM=xcb

fail() { echo "FAIL: $*" >&2; exit 1; }

# A work folder that goes at exit, after the program started as $pid and with
# the screenshots kept in $VESK_E2E_SHOTS when that is set.
work_folder() {
  work=$(mktemp -d)
  pid=
  trap '[ -n "$pid" ] && kill $pid 2>/dev/null; [ -n "${VESK_E2E_SHOTS:-}" ] && cp "$work"/*.png "$VESK_E2E_SHOTS"/ 2>/dev/null; rm -rf "$work"' EXIT
}

# Height of the status bar under the client area (the window's statusBarHeight).
STATUS_BAR=22

# The real ImageMagick, not a stand-in that may sit earlier on PATH.
IM_CONVERT=/usr/bin/convert

shot() { import -window root "$1"; }

# Grey level (0-255) of one pixel of a PNG.
grey() { $IM_CONVERT "$1" -colorspace gray -format "%[fx:int(255*p{$2,$3})]" info:; }

# Number of dark pixels (grey < 50%) in a rectangle w x h + x + y.
dark_pixels() {
  $IM_CONVERT "$1" -crop "$2" +repage -colorspace gray -threshold 50% -negate -format "%[fx:int(mean*w*h+0.5)]" info:
}

# Darkest grey level in a rectangle: menu text is near black when enabled, grey when not.
darkest() { $IM_CONVERT "$1" -crop "$2" +repage -colorspace gray -format "%[fx:int(255*minima)]" info:; }

# until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; fails
# when the deadline passes first. Nothing waits a fixed time.
until_ok() {
  local deadline=$((SECONDS + $1))
  shift
  while :; do
    "$@" && return 0
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

# shot_until FILE SECONDS COMMAND...: screenshots into FILE until COMMAND
# (which may look at FILE) succeeds.
shot_until() {
  local file=$1 deadline=$((SECONDS + $2))
  shift 2
  while :; do
    shot "$file"
    "$@" && return 0
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

window_id() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
# Gives up at once when the program ($pid) ended instead of showing the window.
wait_for_window() {  # name regex -> window id
  local deadline=$((SECONDS + 20)) id
  while :; do
    id=$(window_id "$1")
    [ -z "$id" ] || { echo "$id"; return 0; }
    [ -z "${pid:-}" ] || kill -0 "$pid" 2>/dev/null || { echo "the program ended" >&2; return 1; }
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}
window_gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
wait_gone() { until_ok 10 window_gone "$1"; }

# Window geometry: sets WX WY WW WH.
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$1" | sed -n 's/^X=/WX=/p;s/^Y=/WY=/p;s/^WIDTH=/WW=/p;s/^HEIGHT=/WH=/p')"
}

# pointer_to X Y: the pointer there, waited for. mousemove --sync alone waits
# for a motion that never comes when the pointer is there already (15 s).
pointer_to() {
  local X Y
  eval "$(xdotool getmouselocation --shell | grep -E '^[XY]=')"
  [ "$X" = "$1" ] && [ "$Y" = "$2" ] || xdotool mousemove --sync "$1" "$2"
}
click() { pointer_to "$1" "$2"; xdotool click 1; }

# The program's visible windows: its main window, a dialog, an open menu.
visible_windows() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l; }
windows_at_least() { [ "$(visible_windows "$1")" -ge "$2" ]; }
windows_at_most() { [ "$(visible_windows "$1")" -le "$2" ]; }
wait_dialog() { until_ok 20 windows_at_least "$1" 2 || fail "no dialog appeared"; }
wait_no_dialog() { until_ok 20 windows_at_most "$1" 1 || fail "the dialog did not close"; }

# A file counts as written once a reader of its kind takes it whole.
pdf_complete() { [ -s "$1" ] && pdfinfo "$1" >/dev/null 2>&1 && tail -c 32 "$1" | grep -q '%%EOF'; }
image_complete() { [ -s "$1" ] && identify "$1" >/dev/null 2>&1; }
wait_pdf() { until_ok 20 pdf_complete "$1"; }
wait_image() { until_ok 20 image_complete "$1"; }
