#!/usr/bin/env bash
# The service with a real accelerometer (an IIO device that umockdev emulates from the
# description below): a flick to the right, held until the service answers it, plays the next
# song once; the device goes away and comes back, one debug line each way, and the service runs
# on; SIGTERM ends it with status 0. Then the same with a device that has a buffer: the flick
# comes in the scans that umockdev's script feeds to /dev/iio:device0, the service reads them
# through the buffer, and on SIGTERM the device is left as it was. Every step waits for what the
# service shows, with a deadline. (That a flick shorter than the poll is caught is tested in
# virtual time, in tests/host/sensors/iio_sensor_test.cpp.)
#   iio_service_test.sh QUORVANE QUORVANE_INI
set -uo pipefail
quorvane=$1
ini=$2
work=$(mktemp -d /tmp/quorvane-iio-service-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- run"; cat "$work/run" 2>/dev/null; echo "--- stdout"; cat "$work/out" 2>/dev/null; echo "--- stderr"; cat "$work/err" 2>/dev/null; exit 1; }

root=$work/root
settings="$root/Program Files/Quorvane/config.ini"
section="Powered By Zelbin"
mkdir -p "$root/Program Files/Quorvane"
"$ini" prepare "$settings" && "$ini" set-int "$settings" "$section" autorun 1 \
  || fail "cannot prepare the settings"

# Lying face up: z reads 1 g (64), below every threshold.
devices=$(dirname "$0")/iio

# The test's steps inside the testbed (bash -c) share these; $pid is the service's.
wait_for() {  # wait_for FILE TEXT: bounded (15 s)
  for _ in $(seq 150); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || { echo "the service ended early"; return 1; }
    sleep 0.1
  done
  echo "no \"$2\" in $1"; return 1
}
stop() { kill -TERM "$pid"; wait "$pid"; echo "status $?"; }
export -f wait_for stop

# Inside the testbed: the service in the background, the test's steps in this shell. Values
# change as sysfs values do: the file is replaced, so a read never sees half of it.
# umockdev-run refuses arguments that are not ASCII: the status texts come by the environment.
LISTENING=没有操作，监听中 NEXT=正在播放下一首 umockdev-run --device "$devices/polled.umockdev" -- bash -c '
  quorvane=$1 root=$2 work=$3
  # Raw: this is about the sampler and the device coming and going, not the motion stage.
  "$quorvane" --service --acc iio --motion raw --player builtin --root "$root" \
    > "$work/out" 2> "$work/err" &
  pid=$!
  dir="$UMOCKDEV_DIR/sys/devices/platform/accel/iio:device0"
  set_x() { echo "$1" > "$dir/x.new" && mv "$dir/x.new" "$dir/in_accel_x_raw"; }
  wait_for "$work/out" "$LISTENING" || { stop; exit 1; }
  set_x 2048                                # 2 g to the right, until the service answers
  wait_for "$work/out" "$NEXT" || { stop; exit 1; }
  set_x 0                                   # back within the two deaf seconds
  cp -a "$dir" "$dir.saved" && rm -r "$dir" # unbound: sysfs removes the folder
  wait_for "$work/err" "went away" || { stop; exit 1; }
  mv "$dir.saved" "$dir"                    # bound again: a new folder
  wait_for "$work/err" "is back" || { stop; exit 1; }
  stop' bash "$quorvane" "$root" "$work" > "$work/run" 2>&1
grep -q "^status 0$" "$work/run" || fail "the run"
[ "$(grep -c "正在播放下一首" "$work/out")" = 1 ] || fail "not one \"next\""
grep -q "正在播放前一首" "$work/out" && fail "a \"previous\""
[ "$(grep -c "went away" "$work/err")" = 1 ] || fail "not one line for going away"
[ "$(grep -c "is back" "$work/err")" = 1 ] || fail "not one line for the return"

# Buffered (raw, as above): 100 Hz scans for 30 s with a flick of 50 ms every 3 s. umockdev plays the script
# from its start on, whatever the service does: the service sees the flicks after its start-up.
LC_ALL=C awk -v count=3000 -v flick=300 -f "$devices/scans.awk" > "$work/scans.script"
# buffered_run AUTORUN STEPS: the service on the buffered device, on a new root whose autorun
# setting is AUTORUN, with STEPS (bash, in the testbed: $pid is the service's, $dir the device's
# folder) beside it; what they print in $work/run.
buffered_run() {
  rm -rf "$root" "$work/out" "$work/err"
  mkdir -p "$root/Program Files/Quorvane"
  "$ini" prepare "$settings" && "$ini" set-int "$settings" "$section" autorun "$1" \
    || fail "cannot prepare the settings"
  LISTENING=没有操作，监听中 NEXT=正在播放下一首 umockdev-run --device "$devices/buffered.umockdev" \
    --script /dev/iio:device0="$work/scans.script" -- bash -c '
    quorvane=$1 root=$2 work=$3
    "$quorvane" --service --acc iio --motion raw --player builtin --root "$root" \
      > "$work/out" 2> "$work/err" &
    pid=$!
    dir="$UMOCKDEV_DIR/sys/devices/platform/accel/iio:device0"
    eval "$4"' bash "$quorvane" "$root" "$work" "$2" > "$work/run" 2>&1
}

# The player started and played by the application (autorun, autoplay): gestures resume.
buffered_run 1 '
  wait_for "$work/out" "$LISTENING" || { stop; exit 1; }
  wait_for "$work/out" "$NEXT" || { stop; exit 1; }
  echo "enabled $(cat "$dir/buffer/enable")"
  stop
  echo "after $(cat "$dir/buffer/enable") $(cat "$dir/scan_elements/in_accel_x_en")" \
    "$(cat "$dir/sampling_frequency")"'
grep -q "^status 0$" "$work/run" || fail "the buffered run"
grep -q "^enabled 1$" "$work/run" || fail "the buffer was not enabled"
grep -q "^after 0 0 12.5$" "$work/run" || fail "the device was not left as it was"
grep -q "reading the buffer (100 Hz, trigger mma8452-dev0)" "$work/err" || fail "no buffered reading"
grep -q "no data from the buffer" "$work/err" && fail "the buffer fell silent"
grep -q "正在播放前一首" "$work/out" && fail "a \"previous\" from the buffer"
grep -q "gestures resumed" "$work/out" || fail "gestures did not resume when the player played"

# No player (autorun off), so gestures are paused: the accelerometer is parked, its buffer
# never enabled, and the flicks in the scans change nothing.
buffered_run 0 '
  wait_for "$work/out" "$LISTENING" || { stop; exit 1; }
  sleep 3.5                                 # a flick goes by
  echo "paused $(cat "$dir/buffer/enable") $(cat "$dir/scan_elements/in_accel_x_en")"
  stop'
grep -q "^status 0$" "$work/run" || fail "the paused run"
grep -q "^paused 0 0$" "$work/run" || fail "the buffer was set up while paused"
grep -q "gestures paused: the player is not playing" "$work/out" || fail "no \"gestures paused\""
grep -q "reading the buffer\|polling sysfs" "$work/err" \
  && fail "the accelerometer was sampled while paused"
grep -q "正在播放下一首" "$work/out" && fail "a \"next\" while paused"
echo "iio service: ok"
