#!/usr/bin/env bash
# Runs a command on an X server of its own (Xvfb, 1280x1024x24) and exits with its status.
# Usage: x_server.sh COMMAND...
#
# Under xvfb-run the program's first start failed now and then to connect to its
# display. Here nothing is taken on trust: the number is drawn at random far from the
# usual ones and must be free of locks and sockets alike (a server in another
# container may share the sockets' names without seeing the lock files), the server
# must take every socket it needs (-nopn) and never resets (-noreset: it would each
# time its last client goes, as when the program is closed and started again), and a
# client must reach it before the command starts; otherwise another number is tried.
set -uo pipefail

tmp=$(mktemp -d)
server=
stop_server() { [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null; server=; }
trap 'stop_server; rm -rf "$tmp"' EXIT

free() {
  [ ! -e "/tmp/.X$1-lock" ] && [ ! -e "/tmp/.X11-unix/X$1" ] &&
    ! grep -q "/tmp/.X11-unix/X$1\$" /proc/net/unix 2>/dev/null
}

for try in 1 2 3 4 5 6 7 8; do
  n=$((200 + RANDOM % 800))
  free "$n" || continue
  : > "$tmp/ready"
  # The server writes its number to descriptor 3 once it takes connections.
  Xvfb ":$n" -displayfd 3 -nopn -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$tmp/ready" 2>"$tmp/log" &
  server=$!
  for _ in $(seq 200); do
    [ -s "$tmp/ready" ] || ! kill -0 "$server" 2>/dev/null && break
    sleep 0.1
  done
  if [ -s "$tmp/ready" ] && env -u XAUTHORITY DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
    env -u XAUTHORITY DISPLAY=":$n" "$@"
    status=$?
    if [ $status -ne 0 ]; then  # what the server said, for the failure's report
      kill -0 "$server" 2>/dev/null || echo "x_server.sh: the X server on :$n had ended" >&2
      [ -s "$tmp/log" ] && sed 's/^/Xvfb: /' "$tmp/log" >&2
    fi
    exit $status
  fi
  echo "x_server.sh: display :$n did not answer, trying another" >&2
  stop_server
done
echo "x_server.sh: no X server could be started" >&2
[ -s "$tmp/log" ] && sed 's/^/Xvfb: /' "$tmp/log" >&2
exit 1
