#!/usr/bin/env bash
# quorvane-motion record against IIO devices that umockdev emulates from descriptions written
# here: the rows it writes, the device it picks, its errors (missing, unreadable), a device that
# goes away and comes back while recording, a recording that replays, and an ending signal.
# Usage: motion_record_test.sh QUORVANE-MOTION
set -euo pipefail
motion=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
accel=/sys/devices/platform/accel/iio:device1

# A light sensor first, then an accelerometer lying face up (1024 counts a g) whose mount
# matrix turns its x into the device's -y.
cat > "$work/als.umockdev" <<'DEV'
P: /devices/platform/als/iio:device0
E: SUBSYSTEM=iio
E: DEVTYPE=iio_device
A: name=als
A: in_illuminance_raw=80
DEV
cat "$work/als.umockdev" - > "$work/phone.umockdev" <<'DEV'

P: /devices/platform/accel/iio:device1
E: SUBSYSTEM=iio
E: DEVTYPE=iio_device
E: ACCEL_MOUNT_MATRIX=0, 1, 0; -1, 0, 0; 0, 0, 1
A: name=mma8452
A: in_accel_x_raw=512
A: in_accel_y_raw=0
A: in_accel_z_raw=1024
A: in_accel_scale=0.009576806
DEV

run() {  # run DEVICEFILE ARGS...: the recording's rows on out, its lines on err, status in rc
  local device=$1; shift
  set +e
  umockdev-run --device "$work/$device" -- "$motion" record "$@" >"$work/out" 2>"$work/err"
  rc=$?
  set -e
}

# Rows: the header, then ms from the first read, x y z as the application reads them.
for acc in iio iio:mma8452 iio:iio:device1; do
  run phone.umockdev --acc "$acc" --rate 100 --count 3
  [ "$rc" = 0 ] || fail "$acc: status $rc: $(cat "$work/err")"
  [ "$(head -1 "$work/out")" = "ms,x,y,z" ] || fail "$acc: header: $(head -1 "$work/out")"
  [ "$(sed -n 2p "$work/out")" = "0,0,-32,64" ] || fail "$acc: first row: $(sed -n 2p "$work/out")"
  [ "$(tail -n +2 "$work/out" | cut -d, -f2-4 | sort -u)" = "0,-32,64" ] || fail "$acc: rows"
  [ "$(wc -l < "$work/out")" = 4 ] || fail "$acc: $(wc -l < "$work/out") lines"
done

# What was looked for, in one line, status 2.
expect_error() {  # expect_error TEXT
  [ "$rc" = 2 ] || fail "status $rc for: $1"
  [ "$(wc -l < "$work/err")" = 1 ] || fail "more than one line: $(cat "$work/err")"
  grep -qF -- "$1" "$work/err" || fail "expected '$1', got: $(cat "$work/err")"
}
run als.umockdev --count 1
expect_error "quorvane-motion: no IIO accelerometer found (looked for devices of subsystem iio with in_accel_x_raw; other IIO devices: iio:device0)"
run phone.umockdev --acc iio:bmi160 --count 1
expect_error "no IIO accelerometer named bmi160"
run phone.umockdev --acc sim --count 1
expect_error "--acc sim is tilted by hand in the window"
run phone.umockdev --rate 1000 --count 1
expect_error "--rate: give 1 to 100 reads a second"

# A raw file that cannot be read: the file and the usual fix. Root reads everything, so the
# program runs as nobody then.
cp "$motion" "$work/quorvane-motion"
chmod 755 "$work/quorvane-motion"
chmod 644 "$work/phone.umockdev"
as_user=()
if [ "$(id -u)" = 0 ]; then as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi
set +e
(cd "$work" && "${as_user[@]}" umockdev-run --device "$work/phone.umockdev" -- sh -c \
  'chmod 000 "$UMOCKDEV_DIR'"$accel"'/in_accel_y_raw" && exec "$0" record --count 1' \
  "$work/quorvane-motion") >"$work/out" 2>"$work/err"
rc=$?
set -e
expect_error "cannot read $accel/in_accel_y_raw: Permission denied; let your user read it with a udev rule"

# Gone for a second and a half while recording: reads fail (no rows), one line each way.
set +e
umockdev-run --device "$work/phone.umockdev" -- sh -c '
  "$0" record --rate 20 --duration 3 > "$1" &
  dir="$UMOCKDEV_DIR'"$accel"'"
  sleep 0.5
  cp -a "$dir" "$dir.saved" && rm -r "$dir"
  sleep 1.5
  mv "$dir.saved" "$dir"
  wait $!' "$motion" "$work/out" 2>"$work/err"
rc=$?
set -e
[ "$rc" = 0 ] || fail "vanish: status $rc: $(cat "$work/err")"
grep -q "^quorvane-motion: iio: iio:device1 (mma8452) went away (cannot read $accel/in_accel_[xyz]_raw: No such file or directory); reads fail until it is back$" "$work/err" \
  || fail "vanish: $(cat "$work/err")"
grep -q "^quorvane-motion: iio: iio:device1 (mma8452) is back$" "$work/err" || fail "return: $(cat "$work/err")"
[ "$(wc -l < "$work/err")" = 2 ] || fail "vanish: not one line each way: $(cat "$work/err")"
rows=$(($(wc -l < "$work/out") - 1))
last_ms=$(tail -n 1 "$work/out" | cut -d, -f1)
# 60 reads in 3 s; those while the device was away (1.5 s and up to 1 s until it was seen
# again) wrote no row; rows resumed after the return.
[ "$rows" -ge 5 ] && [ "$rows" -le 55 ] || fail "vanish: $rows rows"
[ "$last_ms" -ge 2000 ] || fail "vanish: no rows after the return (last at $last_ms ms)"

# A recording replays, and recording the replay gives the same bytes.
printf 'ms,x,y,z\n0,0,0,64\n300,127,0,64\n400,0,0,64\n' > "$work/tilt.csv"
"$motion" record --acc "replay:$work/tilt.csv" --rate 10 --count 6 --out "$work/again.csv" \
  || fail "replay: status $?"
# Each row reads the recording at its time (a busy machine may wake late and skip a period):
# the tilt within 300..400 ms, rest elsewhere. The replay's clock starts a little before the
# first read, so a row's time may lag the recording's by a few ms (25 allowed).
awk -F, 'NR == 1 { if ($0 != "ms,x,y,z") exit 1; next }
         { rows++ }
         ($1 >= 300 && $1 < 375 && $2 != 127) || (($1 < 275 || $1 >= 400) && $2 != 0) \
           || $3 != 0 || $4 != 64 { exit 1 }
         END { exit rows == 6 ? 0 : 1 }' "$work/again.csv" \
  || fail "replay: $(cat "$work/again.csv")"
"$motion" record --acc "replay:$work/again.csv" --count 1 --out /dev/null || fail "again.csv does not replay"
printf 'ms,x,y,z\n0,2100,0,0\n' > "$work/bad.csv"
set +e; "$motion" record --acc "replay:$work/bad.csv" --count 1 >/dev/null 2>"$work/err"; rc=$?; set -e
expect_error "bad.csv:2: x 2100 lies beyond 32 g (-2048..2048, 64 per g)"

# Rows hold what the source measured, beyond the driver's byte too (3 g here).
printf 'ms,x,y,z\n0,192,-300,64\n1000,0,0,64\n' > "$work/wide.csv"
"$motion" record --acc "replay:$work/wide.csv" --count 1 --out "$work/wide-again.csv" \
  || fail "wide: status $?"
[ "$(sed -n 2p "$work/wide-again.csv")" = "0,192,-300,64" ] \
  || fail "wide: $(cat "$work/wide-again.csv")"

# eval: an unknown motion stage exits with 2 and names the modes.
set +e; "$motion" eval "$work/tilt.csv" --motion smooth >/dev/null 2>"$work/err"; rc=$?; set -e
expect_error "--motion smooth: give raw, gravity or flick"

# An ending signal ends a recording without an end: status 0, and the rows so far are whole.
for signal in INT TERM HUP; do
  rm -f "$work/stopped.csv"
  "$motion" record --acc "replay:$work/tilt.csv" --rate 100 --out "$work/stopped.csv" \
    2>"$work/err" &
  pid=$!
  for _ in $(seq 100); do [ "$(wc -l < "$work/stopped.csv" 2>/dev/null || echo 0)" -ge 3 ] && break; sleep 0.05; done
  set +e; kill -$signal $pid; wait $pid; rc=$?; set -e
  [ "$rc" = 0 ] || fail "SIG$signal: status $rc: $(cat "$work/err")"
  [ "$(tail -c 1 "$work/stopped.csv" | od -An -c | tr -d ' ')" = '\n' ] || fail "SIG$signal: a cut row"
  [ "$(wc -l < "$work/stopped.csv")" -ge 3 ] || fail "SIG$signal: $(cat "$work/stopped.csv")"
done
echo "ok"
