#!/usr/bin/env bash
# The service end to end: the host options from the user's quorvane.conf, a replayed flick gives
# "next" on the status line (standard output, time stamp first), a second quorvane on the same
# root is refused, SIGTERM ends it as a shutdown does (settings saved, exit 0), and the trace
# has the real time since start; every ending signal at any moment ends it with status 0, also
# in its start-up; an exit save that fails is told and ends it with status 1; missing devices
# are waited for.
#   service_test.sh QUORVANE QUORVANE_INI
set -uo pipefail
quorvane=$1
ini=$2
. "$(dirname "$0")/test_lib.sh"
work_folder service-test
fail() { echo "FAIL: $*"; echo "--- stdout"; cat "$work/out" 2>/dev/null; echo "--- stderr"; cat "$work/err" 2>/dev/null; exit 1; }
# stop SIGNAL SECONDS: sends the signal to the service and waits for its end, at most SECONDS;
# its exit status in $status.
stop() {
  kill "-$1" "$pid"
  wait_for $(($2 * 20)) ended "$pid" || fail "the service did not end within $2 s of SIG$1"
  wait "$pid"
  status=$?
  pid=
}

root=$work/root
settings="$root/Program Files/Quorvane/config.ini"
section="Powered By Zelbin"
mkdir -p "$root/Program Files/Quorvane" "$work/config/quorvane"
"$ini" prepare "$settings" && "$ini" set-int "$settings" "$section" autorun 1 \
  && "$ini" set-int "$settings" "$section" minacc_x 100 || fail "cannot prepare the settings"
# A flick to the right after 3 s: 2 g for 80 ms, then it swings back.
printf '0,0,0,0\n3000,128,0,0\n3080,-64,0,0\n3160,0,0,0\n30000,0,0,0\n' > "$work/flick.csv"
# The devices come from the configuration file; the command line names only the mode.
printf 'acc = "replay:%s"\nplayer = "builtin"\nmotion = "flick"\n' "$work/flick.csv" \
  > "$work/config/quorvane/quorvane.conf"

XDG_CONFIG_HOME=$work/config "$quorvane" --service --root "$root" --trace "$work/trace.jsonl" \
  > "$work/out" 2> "$work/err" &
pid=$!

# Bounded wait for the status line's "next".
for _ in $(seq 150); do
  grep -q '正在播放下一首' "$work/out" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || fail "the service ended early"
  sleep 0.1
done
grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}\.[0-9]{3}  正在播放下一首$' "$work/out" \
  || fail "no time-stamped \"next\" on the status line"

# While it runs: a second quorvane on that root is refused, in every mode.
for mode in "--service --acc sim --player builtin" "--headless --fast"; do
  # shellcheck disable=SC2086
  "$quorvane" $mode --root "$root" > /dev/null 2> "$work/second"
  status=$?
  [ $status -eq 2 ] || fail "a second quorvane ($mode) ended with $status, not 2"
  grep -q "already running (pid $pid)" "$work/second" || fail "second ($mode): $(cat "$work/second")"
done

# The service owns its settings file: a change from outside is overwritten at the exit save.
"$ini" set-int "$settings" "$section" minacc_x 90 || fail "cannot change the settings"

stop TERM 10
[ $status -eq 0 ] || fail "the service ended with $status after SIGTERM"
grep -q 'stopped by SIGTERM' "$work/err" || fail "stderr does not tell the stop"

[ "$("$ini" get-int "$settings" "$section" minacc_x)" = 100 ] || fail "minacc_x is not the service's 100"
# autoacc was never in the file: only the exit save wrote it.
[ "$("$ini" get-int "$settings" "$section" autoacc)" = 1 ] || fail "the settings were not saved at exit"

tail -n 1 "$work/trace.jsonl" | grep -q '"ev":"exit","code":0' || fail "the trace does not end with the exit"
last_t=$(tail -n 1 "$work/trace.jsonl" | sed -E 's/^\{"t":([0-9]+),.*/\1/')
[ "$last_t" -ge 3000 ] || fail "the trace's time $last_t is not the real time since start"

# Every ending signal, at any moment once quorvane runs (it blocks them first thing), ends the
# service as a shutdown does: status 0, and the settings saved once the application has started
# (a new root each time, so that a saved file is this run's).
blocking() {  # SIGHUP, SIGINT and SIGTERM blocked in the process
  local mask
  mask=$(awk '/^SigBlk:/ { print $2 }' "/proc/$1/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (( (0x$mask & 0x4003) == 0x4003 ))
}
for signal in HUP INT TERM; do
  for delay in 0 0.05 0.3; do
    fresh=$work/fresh-$signal-$delay
    rm -rf "$fresh"
    XDG_CONFIG_HOME=$work/config "$quorvane" --service --root "$fresh" > /dev/null 2> "$work/err" &
    pid=$!
    for _ in $(seq 500); do blocking "$pid" && break; sleep 0.01; done
    sleep "$delay"
    stop $signal 10
    [ $status -eq 0 ] || fail "SIG$signal after ${delay} s: exit status $status"
    grep -q "stopped by SIG$signal" "$work/err" || fail "SIG$signal after ${delay} s: $(cat "$work/err")"
    if [ "$delay" = 0.3 ]; then
      [ "$("$ini" get-int "$fresh/Program Files/Quorvane/config.ini" "$section" autoacc)" = 1 ] \
        || fail "SIG$signal after ${delay} s: the settings were not saved"
    fi
  done
done

# Settings that cannot be saved (a folder where the file should be): the exit save's failure is
# one line of the log, with its time, naming the file and the error, and the status is 1.
blocked=$work/blocked
mkdir -p "$blocked/Program Files/Quorvane/config.ini"
XDG_CONFIG_HOME=$work/config "$quorvane" --service --root "$blocked" > /dev/null 2> "$work/err" &
pid=$!
for _ in $(seq 500); do blocking "$pid" && break; sleep 0.01; done
sleep 0.3
stop TERM 10
[ $status -eq 1 ] || fail "unsaved settings: exit status $status, not 1"
[ "$(grep -cE "^[0-9-]{10} [0-9:.]{12}  the settings could not be saved to $blocked/Program Files/Quorvane/config.ini \(Is a directory\)$" "$work/err")" -eq 1 ] \
  || fail "unsaved settings: $(cat "$work/err")"

# A stop signal while the start-up waits (here for a reader of a FIFO as the trace file) ends
# it at once, with status 0 and nothing started.
mkfifo "$work/trace.fifo"
XDG_CONFIG_HOME=$work/config "$quorvane" --service --root "$work/waiting" \
  --trace "$work/trace.fifo" > /dev/null 2> "$work/err" &
pid=$!
sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "the service did not wait for the trace's reader: $(cat "$work/err")"
stop TERM 1
[ $status -eq 0 ] || fail "SIGTERM in the start-up: exit status $status"
[ ! -e "$work/waiting/Program Files/Quorvane/config.ini" ] || fail "the application started"

# Without the configuration file the defaults serve real use (a Linux IIO sensor and an MPRIS
# player), which this machine lacks: at login either may come after the service, so it waits,
# with one line, and a stop ends the wait with status 0.
XDG_CONFIG_HOME=$work/none DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus \
  "$quorvane" --service --root "$root" > "$work/out" 2> "$work/err" &
pid=$!
for _ in $(seq 100); do grep -q "waiting for the session bus" "$work/out" && break; sleep 0.1; done
stop TERM 5
[ $status -eq 0 ] || fail "the defaults without devices ended with $status"
[ "$(grep -c "waiting for the session bus" "$work/out")" -eq 1 ] || fail "not one line for the wait"
echo "service: ok"
