#!/usr/bin/env bash
# The CPU cost of the service mode or of the idle window: quorvane --service, or quorvane in its
# window on a virtual X display (Xvfb, started here) with nobody using it, with gesture control
# on (the default), the accelerometer ACC (default sim: at rest) and the built-in player,
# measured from /proc/PID/stat over SECONDS (default 60) after a warm-up of 3 s. Prints the CPU
# time used and the share of one core.
#   bench/measure_cpu.sh BUILD/tools/quorvane [SECONDS [ACC [service|window]]]
# A real accelerometer without the hardware: umockdev-run --device FILE -- bench/measure_cpu.sh
# BUILD/tools/quorvane 60 iio (docs/performance.md).
set -euo pipefail
quorvane=$1
seconds=${2:-60}
acc=${3:-sim}
mode=${4:-service}
root=$(mktemp -d /tmp/quorvane-cpu-XXXXXX)
pid=
xvfb=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -TERM "$pid"; wait "$pid" || true; fi
  if [ -n "$xvfb" ] && kill -0 "$xvfb" 2>/dev/null; then kill -TERM "$xvfb"; wait "$xvfb" || true; fi
  rm -rf "$root"
}
trap cleanup EXIT

# utime + stime of the process, in clock ticks (fields 14 and 15 of /proc/PID/stat; the command
# name in field 2 holds no spaces here).
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

if [ "$mode" = window ]; then
  # A display number no X server uses.
  display=90
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
  done
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
  DISPLAY=":$display" "$quorvane" --root "$root" --acc "$acc" --player builtin > /dev/null 2>&1 &
else
  "$quorvane" --service --root "$root" --acc "$acc" --player builtin > /dev/null 2>&1 &
fi
pid=$!
sleep 3
kill -0 "$pid" || { echo "quorvane ($mode) did not start" >&2; exit 1; }
hz=$(getconf CLK_TCK)
start_ticks=$(ticks "$pid")
start_ns=$(date +%s%N)
sleep "$seconds"
end_ticks=$(ticks "$pid")
end_ns=$(date +%s%N)
awk -v mode="$mode" -v acc="$acc" -v t=$((end_ticks - start_ticks)) -v hz="$hz" -v ns=$((end_ns - start_ns)) 'BEGIN {
  cpu = t / hz; wall = ns / 1e9;
  printf "%s mode (--acc %s): %.2f s of CPU in %.1f s: %.3f%% of one core\n", mode, acc, cpu, wall, 100 * cpu / wall
}'
