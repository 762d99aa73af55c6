#!/usr/bin/env bash
# Recording by hand in the window, on a virtual X display:
#   record_smoke.sh QUORVANE QUORVANE_MOTION
# Starts `quorvane --root DIR --record FILE` under Xvfb, presses N (label next) and holds the
# right arrow (tilt: x = 127) with xdotool, closes the window, and checks the recording: the
# header, about 100 rows a second (at least 50), the tilt, the label, and that quorvane-motion
# eval takes it.
# Exit status: 0 passed, 1 failed, 77 skipped (xvfb-run, xauth or xdotool missing).
set -u

quorvane=${1:?usage: record_smoke.sh QUORVANE QUORVANE_MOTION}
motion=${2:?usage: record_smoke.sh QUORVANE QUORVANE_MOTION}

name=record_smoke
source "$(dirname "$0")/window_session.sh" "$@"

root=$(mktemp -d)
recording="$root.csv"
log="$root.log"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$root" "$recording" "$log"
}
trap cleanup EXIT

# Each step waits for the row that shows it: the rows are on disk as soon as they are written.
tilted() { awk -F, '/,next$/ { n = 1 } n && $2 == 127 { f = 1 } END { exit !f }' "$recording"; }
released() { awk -F, '$2 == 127 { t = 1 } t && $2 == 0 { f = 1 } END { exit !f }' "$recording"; }
start_window --root "$root" --record "$recording"
wait_for 10 grep -q '^[0-9]' "$recording" || fail "no rows recorded"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --window "$window" n || fail "xdotool could not press N"
wait_for 10 grep -q ',next$' "$recording" || fail "the label N was not recorded"
xdotool keydown --window "$window" Right || fail "xdotool could not hold the right arrow"
wait_for 10 tilted || fail "the right arrow's tilt (x = 127) was not recorded"
xdotool keyup --window "$window" Right || fail "xdotool could not let go of the right arrow"
wait_for 10 released || fail "the tilt did not end"
# The rate is judged over a second and a half of recording, so that the start does not weigh.
spans() { [ "$(tail -n 1 "$recording" | cut -d, -f1)" -ge 1500 ] 2>/dev/null; }
wait_for 10 spans || fail "the recording did not reach 1.5 s"

stop_window

[ "$(head -n 1 "$recording")" = "ms,x,y,z,label" ] || fail "no header: $(head -n 2 "$recording")"
# The recorder aims at 100 rows a second; a recording must have at least 50, also on a machine
# busy enough to delay the window's wake-ups.
read -r rows last < <(awk -F, 'NR > 1 { n++; t = $1 } END { print n, t }' "$recording")
[ "$rows" -gt 0 ] && [ $((rows * 1000)) -ge $((last * 50)) ] ||
  fail "$rows rows in $last ms: fewer than 50 a second"
grep -q '^[0-9]*,127,0,0' "$recording" || fail "the right arrow's tilt (x = 127) was not recorded"
[ "$(grep -c ',next$' "$recording")" = 1 ] || fail "not one row labelled next"
"$motion" eval "$recording" >"$log" 2>&1 || fail "quorvane-motion eval refused it: $(cat "$log")"
echo "record_smoke: passed ($rows rows in $last ms)"
