#!/usr/bin/env bash
# The window opened while the service runs on the same root, on a virtual X display:
#   handover_smoke.sh QUORVANE QUORVANE_INI
# A plain `quorvane --service` replays a flick every 4 s. The window on its root stops it and
# shows the same handset: the flicks of the service's accelerometer skip songs in the window.
# A second window on that root cannot have it: a message box says why. Closing the window
# starts the service again with its command line, and its flicks skip songs again.
# Exit status: 0 passed, 1 failed, 77 skipped (xvfb-run, xauth or xdotool missing).
set -u

quorvane=$(realpath "${1:?usage: handover_smoke.sh QUORVANE QUORVANE_INI}")
ini_tool=$(realpath "${2:?usage: handover_smoke.sh QUORVANE QUORVANE_INI}")

name=handover_smoke
source "$(dirname "$0")/window_session.sh" "$@"

work=$(mktemp -d)
root=$work/root
log=$work/window.log
pid=""
service=""
second=""
cleanup() {
  for p in "$pid" "$service" "$second" "$(cat "$root/.quorvane.lock" 2>/dev/null)"; do
    [ -n "$p" ] && kill -KILL "$p" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT
holder() { cat "$root/.quorvane.lock" 2>/dev/null; }
holds() { [ "$(holder)" = "$1" ]; }
new_holder() { [ -n "$(holder)" ] && [ "$(holder)" != "$1" ]; }
next_in() { [ "$(grep -c '正在播放下一首' "$1" 2>/dev/null)" -ge "$2" ]; }

# The player starts with the application, so that a flick skips a song.
"$quorvane" settings --root "$root" set autorun on || fail "settings set autorun on"
"$quorvane" settings --root "$root" set sensitivity 100 || fail "settings set sensitivity 100"
printf '0,0,0,0\n3000,128,0,0\n3080,-64,0,0\n3160,0,0,0\n4000,0,0,0\n' > "$work/flick.csv"
"$quorvane" --service --acc "replay:$work/flick.csv" --player builtin --root "$root" \
  > "$work/service.out" 2> "$work/service.err" &
service=$!
wait_for 10 holds "$service" || fail "the service did not take the root"

start_window --root "$root" --trace "$work/trace.jsonl"
wait "$service" || fail "the service did not end as a shutdown does when the window came"
service=""
# The service's accelerometer, not the window's arrow keys: its flicks skip songs here.
wait_for 15 next_in "$work/trace.jsonl" 1 || fail "no flick skipped a song in the window"

# A second window cannot have the root: the reason in a message box, as well as on stderr.
"$quorvane" --root "$root" > "$work/second.log" 2>&1 &
second=$!
box=""
# By its title as getwindowname reads it: search --name misses the box's UTF-8 title.
find_box() {
  local w
  for w in $(xdotool search --onlyvisible --class '' 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Quorvane did not start" ] && box=$w && return 0
  done
  return 1
}
wait_for 10 find_box || fail "no message box for the second window: $(cat "$work/second.log")"
grep -q "has $root open in a window or a demo: close it first" "$work/second.log" ||
  fail "second window: $(cat "$work/second.log")"
xdotool key --window "$box" Return 2>/dev/null
status=0
wait_for 10 eval '! kill -0 "$second" 2>/dev/null' || fail "the message box did not close"
wait "$second" || status=$?
second=""
[ "$status" -eq 2 ] || fail "second window: status $status, not 2"

window_pid=$pid
stop_window
wait_for 10 new_holder "$window_pid" || fail "the service was not started again"
service=$(holder)
tr '\0' ' ' < "/proc/$service/cmdline" | grep -q -- "--service --acc replay:" ||
  fail "started again as: $(tr '\0' ' ' < "/proc/$service/cmdline")"
lines=$(grep -c '正在播放下一首' "$work/service.out")
wait_for 15 next_in "$work/service.out" $((lines + 1)) ||
  fail "the service started again skips no song"
kill -TERM "$service"
wait_for 10 eval '! kill -0 "$service" 2>/dev/null' || fail "the service did not end"
service=""
settings_file="$root/Program Files/Quorvane/config.ini"
[ "$("$ini_tool" get-int "$settings_file" "Powered By Zelbin" minacc_z)" = 100 ] ||
  fail "the settings did not come through the window and the service"
echo "handover_smoke: passed"
