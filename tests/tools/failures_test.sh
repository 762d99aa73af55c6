#!/usr/bin/env bash
# Failures a careless user or script runs into are reported (one line on stderr, exit status 2)
# instead of passing as success, and a temporary root never stays behind: not at the end, not
# after an ending signal (SIGTERM, SIGINT, SIGHUP, SIGPIPE), which ends the run as a shutdown
# does; the demo leaves the user's own settings alone, and a trace file is whole after a signal.
#   failures_test.sh QUORVANE
set -uo pipefail
quorvane=$1
. "$(dirname "$0")/test_lib.sh"
work_folder failures-test
fail() { echo "FAIL: $*"; exit 1; }
# Runs quorvane with a private temporary folder, no display and an own home folder (env execs
# it, so a background run's $! is quorvane's own process id).
environment=(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME -u XDG_CONFIG_HOME
             TMPDIR="$work/tmp" HOME="$work/home")
run() { "${environment[@]}" "$quorvane" "$@"; }
no_roots_left() { ! not_empty "$work/tmp" || fail "$1: left behind: $(ls "$work/tmp")"; }
# expect_error STATUS_WANTED MESSAGE_PART WHAT -- ARGS...: the run's status and its stderr.
expect_error() {
  local part=$1 what=$2
  shift 3
  run "$@" > "$work/out" 2> "$work/err"
  local status=$?
  [ $status -eq 2 ] || fail "$what: exit status $status, not 2"
  grep -qF -- "$part" "$work/err" || fail "$what: stderr lacks \"$part\": $(cat "$work/err")"
  [ "$(wc -l < "$work/err")" -eq 1 ] || fail "$what: more than one line: $(cat "$work/err")"
}
mkdir -p "$work/tmp" "$work/home" "$work/folder"
script=$work/long.qvs
printf 'start\nwait 300000\n' > "$script"

# Usage mistakes.
expect_error "a folder, not a script" "--script DIR" -- --script "$work/folder"
expect_error "cannot make /proc/self/.quorvane.lock" "an unwritable root" -- --script "$script" --root /proc/self
expect_error "--gestures never: give when-playing or always" "--gestures outside its list" -- \
  --fast --gestures never
expect_error "--feedback loud: give on or off" "--feedback outside its list" -- \
  --fast --feedback loud
cp "$script" "$work/copy.qvs"
expect_error "names the script itself" "--trace naming the script" -- \
  --script "$work/copy.qvs" --trace "$work/copy.qvs"
cmp -s "$script" "$work/copy.qvs" || fail "the script was overwritten"
no_roots_left "usage mistakes"

# Output that cannot be written.
run --script "$script" --trace - > /dev/full 2> "$work/err"
status=$?
[ $status -eq 2 ] && grep -q "cannot write to standard output" "$work/err" \
  || fail ">/dev/full: status $status, $(cat "$work/err")"
run --script "$script" --trace - >&- 2> "$work/err"
status=$?
[ $status -eq 2 ] && grep -q "cannot write to standard output" "$work/err" \
  || fail "closed stdout: status $status, $(cat "$work/err")"
# A reader that goes away early: the trace (far over a pipe's buffer) meets a closed pipe.
run --script "$script" --trace - 2> "$work/err" | head -c 10 > /dev/null
status=${PIPESTATUS[0]}
[ $status -eq 2 ] && grep -q "cannot write to standard output" "$work/err" \
  || fail "closed pipe: status $status, $(cat "$work/err")"
no_roots_left "failed output"

# The demo runs on a temporary root and leaves the user's settings alone.
run --fast --headless > "$work/out" 2> "$work/err" || fail "the demo failed: $(cat "$work/err")"
[ ! -e "$work/home/.local/share/quorvane" ] || fail "the demo used the user's data folder"
no_roots_left "the demo"
# Settings it could not save are reported: the settings file is a folder.
mkdir -p "$work/blocked/Program Files/Quorvane/config.ini"
run --fast --headless --root "$work/blocked" > "$work/out" 2> "$work/err"
status=$?
[ $status -eq 2 ] && grep -q "the settings could not be saved" "$work/err" \
  || fail "unsaved settings: status $status, $(cat "$work/err")"
grep -q "settings NOT saved" "$work/out" || fail "the timeline does not tell the failed save"

# Ending signals end every mode as a shutdown does, with status 0: a script blocked on opening
# its trace (a FIFO nobody reads: nothing has started), the real-time demo (the application
# ends and saves). The temporary root goes either way. A SIGPIPE counts when another process
# sends it.
mkfifo "$work/fifo"
for signal in TERM INT HUP PIPE; do
  for mode in script demo; do
    if [ $mode = script ]; then
      "${environment[@]}" "$quorvane" --script "$script" --trace "$work/fifo" > /dev/null \
        2> "$work/err" &
    else
      "${environment[@]}" "$quorvane" --headless > "$work/out" 2> "$work/err" &
    fi
    pid=$!
    wait_for 100 not_empty "$work/tmp" || fail "$mode: no temporary root appeared"
    # The demo's application has started once its window shows.
    [ $mode = demo ] && wait_for 100 grep -q 'window shown' "$work/out"
    kill -$signal $pid
    wait $pid
    status=$?
    pid=
    [ $status -eq 0 ] || fail "$mode SIG$signal: exit status $status: $(cat "$work/err")"
    grep -q "stopped by SIG$signal" "$work/err" || fail "$mode SIG$signal: $(cat "$work/err")"
    no_roots_left "$mode SIG$signal"
    if [ $mode = demo ]; then
      grep -q 'Quorvane has ended (exit code 0)' "$work/out" \
        || fail "demo SIG$signal: the application did not end as at a shutdown"
    fi
  done
done

# A trace in a file is written whole, to the application's exit, when a signal ends a long
# script, also on a root of the user's own (no temporary folder to remove).
printf 'start\nwait 2147483647\n' > "$work/forever.qvs"
for signal in TERM INT HUP; do
  rm -f "$work/trace.jsonl"
  "${environment[@]}" "$quorvane" --script "$work/forever.qvs" --root "$work/own" \
    --trace "$work/trace.jsonl" 2> "$work/err" &
  pid=$!
  wait_for 200 test -s "$work/trace.jsonl"
  kill -$signal $pid
  wait $pid
  status=$?
  pid=
  [ $status -eq 0 ] || fail "trace SIG$signal: exit status $status: $(cat "$work/err")"
  tail -n 1 "$work/trace.jsonl" | grep -q '"ev":"exit","code":0' \
    || fail "trace SIG$signal: it does not end with the exit: $(tail -c 80 "$work/trace.jsonl")"
done
echo "failures: ok"
