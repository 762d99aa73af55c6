#!/usr/bin/env bash
# The CPU cost of the service mode: quorvane --service with gesture control on (the default),
# the accelerometer ACC (default sim: at rest) and the built-in player, measured from
# /proc/PID/stat over SECONDS (default 60) after a warm-up of 3 s. Prints the CPU time used and
# the share of one core.
#   bench/measure_cpu.sh BUILD/tools/quorvane [SECONDS [ACC]]
# A real accelerometer without the hardware: umockdev-run --device FILE -- bench/measure_cpu.sh
# BUILD/tools/quorvane 60 iio (docs/performance.md).
set -euo pipefail
quorvane=$1
seconds=${2:-60}
acc=${3:-sim}
root=$(mktemp -d /tmp/quorvane-cpu-XXXXXX)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -TERM "$pid"; wait "$pid" || true; fi
  rm -rf "$root"
}
trap cleanup EXIT

# utime + stime of the process, in clock ticks (fields 14 and 15 of /proc/PID/stat; the command
# name in field 2 holds no spaces here).
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

"$quorvane" --service --root "$root" --acc "$acc" --player builtin > /dev/null 2>&1 &
pid=$!
sleep 3
kill -0 "$pid" || { echo "quorvane --service did not start" >&2; exit 1; }
hz=$(getconf CLK_TCK)
start_ticks=$(ticks "$pid")
start_ns=$(date +%s%N)
sleep "$seconds"
end_ticks=$(ticks "$pid")
end_ns=$(date +%s%N)
awk -v acc="$acc" -v t=$((end_ticks - start_ticks)) -v hz="$hz" -v ns=$((end_ns - start_ns)) 'BEGIN {
  cpu = t / hz; wall = ns / 1e9;
  printf "service mode (--acc %s): %.2f s of CPU in %.1f s: %.3f%% of one core\n", acc, cpu, wall, 100 * cpu / wall
}'
