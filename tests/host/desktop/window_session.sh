# What the window tests share; sourced, with the test's arguments, after setting name:
#   name=desktop_smoke; source "$(dirname "$0")/window_session.sh" "$@"
# Runs the calling test again under xvfb-run (a virtual X display of its own; exit 77 when
# xvfb-run, xauth or xdotool is missing), points LeakSanitizer at the suppressions of a
# sanitizer build, and gives:
#   fail MESSAGE            "NAME: MESSAGE" on stderr, exit 1
#   wait_for SECONDS CMD    polls CMD every 0.1 s until it succeeds; false after SECONDS
#   start_window ARGS...    quorvane ARGS in the background ($pid, output in $log), then waits
#                           until its window shows ($window); $quorvane, $log set by the test
#   stop_window             ends it as closing the window does (SDL turns SIGTERM into the
#                           same quit); fails unless it exits with status 0

fail() {
  echo "$name: $*" >&2
  exit 1
}

wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 10))
  while ((tries-- > 0)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

if [ "${QV_WINDOW_SESSION:-}" != 1 ]; then
  for tool in xvfb-run xauth xdotool; do
    if ! command -v "$tool" >/dev/null; then
      echo "$name: SKIPPED: $tool is missing (apt-get install xvfb xauth xdotool)"
      exit 77
    fi
  done
  QV_WINDOW_SESSION=1 exec xvfb-run -a -s "-screen 0 1024x1024x24" "$0" "$@"
fi

# A sanitizer build of quorvane: leave out what libdbus and fontconfig keep for the whole process.
suppressions="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../support" && pwd)/lsan.supp"
export LSAN_OPTIONS="suppressions=$suppressions${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

window=""
find_window() {
  kill -0 "$pid" 2>/dev/null || fail "quorvane ended early: $(cat "$log")"
  window=$(xdotool search --onlyvisible --name '^Quorvane$' 2>/dev/null | head -n 1)
  [ -n "$window" ]
}

start_window() {
  "$quorvane" "$@" >"$log" 2>&1 &
  pid=$!
  wait_for 10 find_window || fail "no window titled Quorvane appeared"
}

stop_window() {
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "quorvane ended with status $status: $(cat "$log")"
}
