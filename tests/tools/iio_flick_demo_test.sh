#!/usr/bin/env bash
# A real accelerometer (umockdev-emulated IIO device) drives the application: the demo runs in
# the terminal in real time with --acc iio, and a flick of 50 ms to the right, shorter than the
# application's 100 ms poll, plays the next song once. The demo's own tilts do not count then.
# Usage: iio_flick_demo_test.sh QUORVANE
set -euo pipefail
quorvane=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; echo "--- timeline" >&2; cat "$work/out" >&2; echo "--- err" >&2; cat "$work/err" >&2; exit 1; }

# Lying face up: z reads 1 g (64).
cat > "$work/phone.umockdev" <<'DEV'
P: /devices/platform/accel/iio:device0
E: SUBSYSTEM=iio
E: DEVTYPE=iio_device
A: name=mma8452
A: in_accel_x_raw=0
A: in_accel_y_raw=0
A: in_accel_z_raw=1024
A: in_accel_scale=0.009576806
DEV

set +e
umockdev-run --device "$work/phone.umockdev" -- sh -c '
  "$0" --headless --acc iio --root "$1/root" > "$1/out" 2> "$1/err" &
  app=$!
  x="$UMOCKDEV_DIR/sys/devices/platform/accel/iio:device0/in_accel_x_raw"
  sleep 6
  # Replaced, as sysfs values change: a read never sees half a file. 2 g to the right.
  echo 2048 > "$x.new" && mv "$x.new" "$x"
  sleep 0.05
  echo 0 > "$x.new" && mv "$x.new" "$x"
  wait $app' "$quorvane" "$work"
rc=$?
set -e
[ "$rc" = 0 ] || fail "status $rc"
[ "$(grep -c "player ◀ next" "$work/out")" = 1 ] || fail "not one next"
grep -q "tilt: x 127  y 0  z 64" "$work/out" || fail "the flick was not read"
! grep -q "player ◀ previous" "$work/out" || fail "a previous"
echo ok
