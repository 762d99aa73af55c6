#!/usr/bin/env bash
# The desktop window as a person uses it, on a virtual X display:
#   desktop_smoke.sh QUORVANE QUORVANE_INI
# Starts `quorvane --root DIR` under Xvfb, clicks the switch "自动隐藏界面" (hide the window
# automatically) with xdotool, waits until the settings file holds autohide=1, closes the window
# and checks that the application ended normally with the value still stored.
# Exit status: 0 passed, 1 failed, 77 skipped (xvfb-run, xauth or xdotool missing).
set -u

quorvane=${1:?usage: desktop_smoke.sh QUORVANE QUORVANE_INI}
ini_tool=${2:?usage: desktop_smoke.sh QUORVANE QUORVANE_INI}
section="Powered By Zelbin"
# The switch's centre in the window: x 360..470, y 334..404 on a 480 x 720 work area, which the
# window shows 1:1 at its top-left.
switch_x=415
switch_y=369

fail() {
  echo "desktop_smoke: $*" >&2
  exit 1
}

# Polls a command every 0.1 s until it succeeds; false after about $1 seconds.
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

if [ "${DESKTOP_SMOKE_INSIDE:-}" != 1 ]; then
  for tool in xvfb-run xauth xdotool; do
    if ! command -v "$tool" >/dev/null; then
      echo "desktop_smoke: SKIPPED: $tool is missing (apt-get install xvfb xauth xdotool)"
      exit 77
    fi
  done
  DESKTOP_SMOKE_INSIDE=1 exec xvfb-run -a -s "-screen 0 1024x1024x24" "$0" "$quorvane" "$ini_tool"
fi

# A sanitizer build of quorvane: leave out what libdbus keeps for the whole process.
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

root=$(mktemp -d)
log="$root.log"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$root" "$log"
}
trap cleanup EXIT
ini="$root/Program Files/Quorvane/config.ini"

"$quorvane" --root "$root" >"$log" 2>&1 &
pid=$!

window=""
find_window() {
  kill -0 "$pid" 2>/dev/null || fail "quorvane ended early: $(cat "$log")"
  window=$(xdotool search --onlyvisible --name '^Quorvane$' 2>/dev/null | head -n 1)
  [ -n "$window" ]
}
wait_for 10 find_window || fail "no window titled Quorvane appeared"

stored() { [ "$("$ini_tool" get-int "$ini" "$section" autohide 2>/dev/null)" = "$1" ]; }
# A first run has no value stored yet: the switch starts off.
stored 1 && fail "autohide is on before the click"

# The window draws itself once the application waits for input; give it that moment.
sleep 0.5
wait_for 5 find_window || fail "the window titled Quorvane went away"
xdotool mousemove --window "$window" "$switch_x" "$switch_y" click 1 ||
  fail "xdotool could not click"
wait_for 10 stored 1 || fail "the settings file did not get autohide=1 after the click"

# Closing the window: SDL turns SIGTERM into the same quit as the window's close button.
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "quorvane ended with status $status: $(cat "$log")"
stored 1 || fail "autohide is not 1 after the application ended"
echo "desktop_smoke: passed"
