#!/usr/bin/env bash
# What reading a real accelerometer costs, side by side in one run: the service on buffered IIO
# (umockdev feeding the device's node 100 scans a second), the service on polled IIO (umockdev's
# sysfs, sampled 100 times a second), the service on the simulated accelerometer (no device), and
# the floor, a bare loop that wakes 10 times a second (bench/wake_floor.cpp). All four run at once, with gesture control on and the built-in player,
# each on a new temporary root; after a warm-up of 3 s each is measured over SECONDS (default 30):
# the share of one core (the scheduler's CPU time of all its threads, /proc/PID/task/*/schedstat)
# and the wake-ups a second (voluntary context switches, summed over its threads). Prints one line
# each, and the ratios to the floor.
#   bench/iio_power.sh BUILD [SECONDS]      e.g. bench/iio_power.sh build 30
set -euo pipefail
build=$1
seconds=${2:-30}
work=$(mktemp -d /tmp/quorvane-power-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do
    if kill -0 "$p" 2>/dev/null; then kill -TERM "$p"; wait "$p" 2>/dev/null || true; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

# The devices and the scans of the IIO service test (tests/tools/iio/): at rest for the whole run.
devices=$(dirname "$0")/../tests/tools/iio
LC_ALL=C awk -v count=$(((seconds + 10) * 100)) -v flick=0 -f "$devices/scans.awk" \
  > "$work/scans.script"

start_service() {  # start_service NAME UMOCKDEV-ARGS...: the service's pid in $work/NAME.pid
  local name=$1
  shift
  mkdir -p "$work/$name"
  umockdev-run "$@" -- bash -c 'echo $$ > "$1"; exec "$2" --service --acc iio --player builtin \
    --root "$3" > /dev/null 2> "$4"' bash "$work/$name.pid" "$build/tools/quorvane" \
    "$work/$name/root" "$work/$name.err" &
  pids+=($!)
}
start_service buffered --device "$devices/buffered.umockdev" \
  --script /dev/iio:device0="$work/scans.script"
start_service polled --device "$devices/polled.umockdev"
mkdir -p "$work/sim"
"$build/tools/quorvane" --service --acc sim --player builtin --root "$work/sim/root" > /dev/null 2>&1 &
pids+=($!)
sim=$!
"$build/bench/wake_floor" &
pids+=($!)
floor=$!
sleep 3
buffered=$(cat "$work/buffered.pid")
polled=$(cat "$work/polled.pid")
for p in "$buffered" "$polled" "$sim" "$floor"; do
  kill -0 "$p" 2>/dev/null || { echo "iio_power.sh: a process did not start" >&2; exit 1; }
done
grep -q "reading the buffer" "$work/buffered.err" || { cat "$work/buffered.err" >&2; exit 1; }

# "CPU-NANOSECONDS SWITCHES" of all the process's threads.
sample() {
  local cpu switches
  cpu=$(cat /proc/"$1"/task/*/schedstat | awk '{sum += $1} END {printf "%d", sum}')
  switches=$(cat /proc/"$1"/task/*/status | awk '/^voluntary_ctxt_switches/ {sum += $2} END {print sum}')
  echo "$cpu $switches"
}
declare -A before
for p in "$buffered" "$polled" "$sim" "$floor"; do before[$p]=$(sample "$p"); done
start_ns=$(date +%s%N)
sleep "$seconds"
end_ns=$(date +%s%N)
report() {  # report NAME PID: one line, and "CPU-PERCENT WAKEUPS" in $work/figures
  read -r cpu0 sw0 <<< "${before[$2]}"
  read -r cpu1 sw1 <<< "$(sample "$2")"
  awk -v name="$1" -v cpu=$((cpu1 - cpu0)) -v sw=$((sw1 - sw0)) -v ns=$((end_ns - start_ns)) \
    -v figures="$work/figures" 'BEGIN {
    printf "%-24s %.3f%% of one core, %.1f wake-ups a second\n", name, 100 * cpu / ns, sw / (ns / 1e9)
    printf "%f %f\n", 100 * cpu / ns, sw / (ns / 1e9) >> figures }'
}
report "service, buffered IIO" "$buffered"
report "service, polled IIO" "$polled"
report "service, simulated" "$sim"
report "floor (10 wake-ups/s)" "$floor"
awk '{cpu[NR] = $1; wake[NR] = $2}
  END { for (i = 1; i <= 3; i++) {
          printf "%s%s %.2fx CPU, %.2fx wake-ups", i == 1 ? "to the floor:" : ";",
                 i == 1 ? " buffered" : i == 2 ? " polled" : " simulated", cpu[i] / cpu[4], wake[i] / wake[4] }
        printf "\n" }' "$work/figures"
grep -q "no data from the buffer\|went away" "$work/buffered.err" && {
  echo "iio_power.sh: the buffered service fell back:" >&2; cat "$work/buffered.err" >&2; exit 1; }
exit 0
