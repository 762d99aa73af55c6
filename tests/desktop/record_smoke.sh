#!/usr/bin/env bash
# Recording by hand in the window, on a virtual X display:
#   record_smoke.sh QUORVANE QUORVANE_MOTION
# Starts `quorvane --root DIR --record FILE` under Xvfb, presses N (label next) and holds the
# right arrow (tilt: x = 127) with xdotool, closes the window, and checks the recording: the
# header, about 100 rows a second (at least 90), the tilt, the label, and that quorvane-motion
# eval takes it.
# Exit status: 0 passed, 1 failed, 77 skipped (xvfb-run, xauth or xdotool missing).
set -u

quorvane=${1:?usage: record_smoke.sh QUORVANE QUORVANE_MOTION}
motion=${2:?usage: record_smoke.sh QUORVANE QUORVANE_MOTION}

fail() {
  echo "record_smoke: $*" >&2
  exit 1
}

if [ "${RECORD_SMOKE_INSIDE:-}" != 1 ]; then
  for tool in xvfb-run xauth xdotool; do
    if ! command -v "$tool" >/dev/null; then
      echo "record_smoke: SKIPPED: $tool is missing (apt-get install xvfb xauth xdotool)"
      exit 77
    fi
  done
  RECORD_SMOKE_INSIDE=1 exec xvfb-run -a -s "-screen 0 1024x1024x24" "$0" "$quorvane" "$motion"
fi

here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

root=$(mktemp -d)
recording="$root.csv"
log="$root.log"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$root" "$recording" "$log"
}
trap cleanup EXIT

"$quorvane" --root "$root" --record "$recording" >"$log" 2>&1 &
pid=$!

window=""
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || fail "quorvane ended early: $(cat "$log")"
  window=$(xdotool search --onlyvisible --name '^Quorvane$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window titled Quorvane appeared"
sleep 0.5
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --window "$window" n || fail "xdotool could not press N"
xdotool keydown --window "$window" Right && sleep 0.3 && xdotool keyup --window "$window" Right ||
  fail "xdotool could not hold the right arrow"
sleep 0.5

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "quorvane ended with status $status: $(cat "$log")"

[ "$(head -n 1 "$recording")" = "ms,x,y,z,label" ] || fail "no header: $(head -n 2 "$recording")"
# At least 100 rows a second, less a tenth for a busy machine.
read -r rows last < <(awk -F, 'NR > 1 { n++; t = $1 } END { print n, t }' "$recording")
[ "$rows" -gt 0 ] && [ $((rows * 1000)) -ge $((last * 90)) ] ||
  fail "$rows rows in $last ms: fewer than 100 a second"
grep -q '^[0-9]*,127,0,0' "$recording" || fail "the right arrow's tilt (x = 127) was not recorded"
[ "$(grep -c ',next$' "$recording")" = 1 ] || fail "not one row labelled next"
"$motion" eval "$recording" >"$log" 2>&1 || fail "quorvane-motion eval refused it: $(cat "$log")"
echo "record_smoke: passed ($rows rows in $last ms)"
