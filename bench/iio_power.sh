#!/usr/bin/env bash
# The power figures, side by side in one run, each against the floor: a bare loop that wakes 10
# times a second (bench/wake_floor.cpp), as an application that polls every 100 ms must. At once,
# each on a new temporary root, with gesture control on (the default settings):
#   - the service on the simulated accelerometer (no player runs, so gestures are paused);
#   - the service on polled IIO (umockdev's sysfs), player paused: no player runs, gestures are
#     paused, and the accelerometer must not be sampled;
#   - the service on buffered IIO (umockdev feeds the device's node 100 scans a second), playing:
#     the built-in player is started and set playing by the application (autorun, autoplay);
#   - the idle window on a virtual X display (Xvfb), when there is one: the arrow keys' tilt;
#   - the floor.
# After a warm-up of 5 s (the player plays 2 s after the start) each is measured over SECONDS
# (default 30): the share of one core (the scheduler's CPU time of all its threads,
# /proc/PID/task/*/schedstat) and the wake-ups a second (voluntary context switches, summed over
# its threads). Prints one line each, then the ratios to the floor and the load average.
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
LC_ALL=C awk -v count=$(((seconds + 15) * 100)) -v flick=0 -f "$devices/scans.awk" \
  > "$work/scans.script"

start_service() {  # start_service NAME UMOCKDEV-ARGS...: the service's pid in $work/NAME.pid
  local name=$1
  shift
  umockdev-run "$@" -- bash -c 'echo $$ > "$1"; exec "$2" --service --acc iio --player builtin \
    --root "$3" > "$4" 2> "$5"' bash "$work/$name.pid" "$build/tools/quorvane" \
    "$work/$name/root" "$work/$name.out" "$work/$name.err" &
  pids+=($!)
}
for name in buffered polled sim window; do mkdir -p "$work/$name/root"; done
# Playing: the application starts the built-in player and, two seconds later, plays it.
settings="$work/buffered/root/Program Files/Quorvane/config.ini"
mkdir -p "$(dirname "$settings")"
"$build/tools/quorvane-ini" prepare "$settings"
"$build/tools/quorvane-ini" set-int "$settings" "Powered By Zelbin" autorun 1
start_service buffered --device "$devices/buffered.umockdev" \
  --script /dev/iio:device0="$work/scans.script"
start_service polled --device "$devices/polled.umockdev"
"$build/tools/quorvane" --service --acc sim --player builtin --root "$work/sim/root" \
  > "$work/sim.out" 2>&1 &
pids+=($!)
sim=$!
window=
if command -v Xvfb > /dev/null; then
  display=90
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
  done
  Xvfb ":$display" -screen 0 1024x1024x24 -nolisten tcp > /dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
  env -u WAYLAND_DISPLAY DISPLAY=":$display" "$build/tools/quorvane" --acc sim --player builtin \
    --root "$work/window/root" > /dev/null 2>&1 &
  window=$!
  pids=("$window" "${pids[@]}")  # ended before its display
fi
"$build/bench/wake_floor" &
pids+=($!)
floor=$!
sleep 5
buffered=$(cat "$work/buffered.pid")
polled=$(cat "$work/polled.pid")
for p in "$buffered" "$polled" "$sim" $window "$floor"; do
  kill -0 "$p" 2>/dev/null || { echo "iio_power.sh: a process did not start" >&2; exit 1; }
done
grep -q "reading the buffer" "$work/buffered.err" || { cat "$work/buffered.err" >&2; exit 1; }
grep -q "gestures resumed" "$work/buffered.out" || {
  echo "iio_power.sh: the buffered service's player does not play" >&2; exit 1; }
grep -q "gestures paused" "$work/polled.out" || { cat "$work/polled.out" >&2; exit 1; }

# "CPU-NANOSECONDS SWITCHES" of all the process's threads.
sample() {
  local cpu switches
  cpu=$(cat /proc/"$1"/task/*/schedstat | awk '{sum += $1} END {printf "%d", sum}')
  switches=$(cat /proc/"$1"/task/*/status | awk '/^voluntary_ctxt_switches/ {sum += $2} END {print sum}')
  echo "$cpu $switches"
}
declare -A before
for p in "$buffered" "$polled" "$sim" $window "$floor"; do before[$p]=$(sample "$p"); done
start_ns=$(date +%s%N)
sleep "$seconds"
end_ns=$(date +%s%N)
report() {  # report NAME PID: one line, and "NAME CPU-PERCENT WAKEUPS" in $work/figures
  read -r cpu0 sw0 <<< "${before[$2]}"
  read -r cpu1 sw1 <<< "$(sample "$2")"
  awk -v name="$1" -v cpu=$((cpu1 - cpu0)) -v sw=$((sw1 - sw0)) -v ns=$((end_ns - start_ns)) \
    -v figures="$work/figures" 'BEGIN {
    printf "%-32s %.3f%% of one core, %.1f wake-ups a second\n", name, 100 * cpu / ns,
      sw / (ns / 1e9)
    printf "%s %f %f\n", name, 100 * cpu / ns, sw / (ns / 1e9) >> figures }'
}
report "service, simulated" "$sim"
report "service, polled IIO, paused" "$polled"
report "service, buffered IIO, playing" "$buffered"
if [ -n "$window" ]; then report "idle window" "$window"; fi
report "floor (10 wake-ups/s)" "$floor"
awk '{name[NR] = $0; sub(/ [^ ]+ [^ ]+$/, "", name[NR]); cpu[NR] = $(NF - 1); wake[NR] = $NF}
  END { printf "to the floor:"
        for (i = 1; i < NR; i++) {
          printf "%s %s %.2fx CPU, %.2fx wake-ups", i == 1 ? "" : ";", name[i], cpu[i] / cpu[NR],
            wake[i] / wake[NR]
        }
        printf "\n" }' "$work/figures"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
grep -q "no data from the buffer\|went away" "$work/buffered.err" && {
  echo "iio_power.sh: the buffered service fell back:" >&2; cat "$work/buffered.err" >&2; exit 1; }
grep -q "polling sysfs\|reading the buffer" "$work/polled.err" && {
  echo "iio_power.sh: the paused service sampled its accelerometer:" >&2
  cat "$work/polled.err" >&2; exit 1; }
exit 0
