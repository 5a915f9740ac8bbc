# Helpers for driving the real program under Xvfb with xdotool.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

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

wait_for_window() {  # name regex -> window id
  local id=""
  for _ in $(seq 1 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

wait_gone() {  # name regex
  for _ in $(seq 1 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# Window geometry: sets WX WY WW WH.
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$1" | sed -n 's/^X=/WX=/p;s/^Y=/WY=/p;s/^WIDTH=/WW=/p;s/^HEIGHT=/WH=/p')"
}

click() { xdotool mousemove --sync "$1" "$2" click 1; sleep 0.3; }

# Waits until the program shows a second visible window (a dialog) or has
# only its main window again; timing-independent on a busy machine.
visible_windows() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l; }
# wait_windows PID TEST COUNT: until the number of visible windows passes the test.
wait_windows() {
  for _ in $(seq 1 150); do
    [ "$(visible_windows "$1")" "$2" "$3" ] && { sleep 0.4; return 0; }
    sleep 0.1
  done
  return 1
}
wait_dialog() { wait_windows "$1" -ge 2 || fail "no dialog appeared"; }
wait_no_dialog() { wait_windows "$1" -le 1 || fail "the dialog did not close"; }

# Waits up to 10 s for a file to be written.
wait_file() {
  for _ in $(seq 1 100); do [ -s "$1" ] && { sleep 0.3; return 0; }; sleep 0.1; done
  return 1
}
