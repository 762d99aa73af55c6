#!/usr/bin/env bash
# The CPU cost of quorvane in real time while nothing happens, measured from /proc over
# SECONDS (default 60) after a warm-up of 3 s, with gesture control on (the default settings:
# the application polls the accelerometer every 100 ms), the accelerometer ACC (default sim: at
# rest) and the built-in player, on a new temporary root. Prints the CPU time used and the share
# of one core.
#   bench/measure_cpu.sh BUILD/tools/quorvane [SECONDS [ACC [MODE]]]
# MODE: service (default): quorvane --service; demo: the headless demo, quorvane --headless
# (it runs about 22 s, so SECONDS is at most 18 there; it tilts the handset and commands the
# player now and then); window: the desktop window on a virtual X display (Xvfb, started here).
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
  for p in $pid $xvfb; do
    if kill -0 "$p" 2>/dev/null; then kill -TERM "$p"; wait "$p" || true; fi
  done
  rm -rf "$root"
}
trap cleanup EXIT

# The CPU time of all the process's threads in nanoseconds: the first field of each thread's
# /proc/PID/task/TID/schedstat (the scheduler's own count, finer than the 10 ms clock ticks of
# /proc/PID/stat).
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{sum += $1} END {printf "%d", sum}'; }

options=(--root "$root/handset" --acc "$acc" --player builtin)
case $mode in
  service) "$quorvane" --service "${options[@]}" > /dev/null 2>&1 & ;;
  demo) env -u DISPLAY -u WAYLAND_DISPLAY "$quorvane" --headless "${options[@]}" > /dev/null 2>&1 & ;;
  window)
    # A display of its own: the first free number from 90 on.
    display=90
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
      display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1024x1024x24 -nolisten tcp > /dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
    env -u WAYLAND_DISPLAY DISPLAY=":$display" "$quorvane" "${options[@]}" > /dev/null 2>&1 &
    ;;
  *) echo "measure_cpu.sh: MODE is service, demo or window, not $mode" >&2; exit 2 ;;
esac
pid=$!
sleep 3
kill -0 "$pid" || { echo "quorvane ($mode) did not start" >&2; exit 1; }
start_cpu=$(cpu_ns "$pid")
start_ns=$(date +%s%N)
sleep "$seconds"
end_cpu=$(cpu_ns "$pid")
end_ns=$(date +%s%N)
awk -v mode="$mode" -v acc="$acc" -v cpu=$((end_cpu - start_cpu)) -v ns=$((end_ns - start_ns)) 'BEGIN {
  printf "%s (--acc %s): %.4f s of CPU in %.1f s: %.3f%% of one core\n", mode, acc, cpu / 1e9, ns / 1e9, 100 * cpu / ns
}'
