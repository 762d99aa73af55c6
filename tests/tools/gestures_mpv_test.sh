#!/usr/bin/env bash
# Gestures only while music plays, end to end: the service with --player mpris:mpv and a real
# mpv (mpv-mpris) on a bus of the test's own, the accelerometer a replayed flick every second.
# While mpv is paused the flicks change nothing; once it plays, a flick skips to the next song;
# paused again, they change nothing again. The service tells each pause and resume on one line.
# Every step waits for what the service or mpv shows, with a deadline.
#   gestures_mpv_test.sh QUORVANE QUORVANE_INI
set -uo pipefail
quorvane=$1
ini=$2
. "$(dirname "$0")/test_lib.sh"
work_folder gestures-test  # $pid is the service's
others=()  # what else the test started: the bus and mpv
stop_all() {
  for p in "${others[@]}"; do
    if kill -0 "$p" 2>/dev/null; then kill -KILL "$p"; wait "$p" 2>/dev/null; fi
  done
  stop_and_clean_up
}
trap stop_all EXIT
fail() {
  echo "FAIL: $*"
  for f in out err mpv.log bus.log; do echo "--- $f"; cat "$work/$f" 2>/dev/null; done
  exit 1
}
until_true() {  # until_true WHAT COMMAND...: bounded (15 s)
  local what=$1
  shift
  wait_for 300 "$@" || fail "no $what within 15 s"
}

mpris=$(dpkg -L mpv-mpris 2>/dev/null | grep '/mpris\.so$' | head -n 1)
mpris=${mpris:-/etc/mpv/scripts/mpris.so}
[ -e "$mpris" ] || fail "mpv-mpris is not installed"

# A bus of the test's own.
dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" > "$work/bus.log" 2>&1 &
others+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
until_true "bus" test -S "$work/bus"

# Songs of a minute of silence (8 kHz, mono, 16 bits): none ends while the test runs.
le32() {  # le32 N: N as 4 bytes, little-endian
  local shift
  for shift in 0 8 16 24; do printf "\\x$(printf %02x $(($1 >> shift & 255)))"; done
}
bytes=$((8000 * 2 * 60))
for song in a b c; do
  { printf 'RIFF'; le32 $((36 + bytes)); printf 'WAVEfmt '; le32 16
    printf '\x01\x00\x01\x00'; le32 8000; le32 16000; printf '\x02\x00\x10\x00'
    printf 'data'; le32 $bytes; head -c $bytes /dev/zero; } > "$work/$song.wav"
done
mpv --no-config --ao=null --vo=null --idle=yes --pause --script="$mpris" \
  "$work/a.wav" "$work/b.wav" "$work/c.wav" > "$work/mpv.log" 2>&1 &
others+=($!)

mpris_get() {  # mpris_get PROPERTY: its reply, or nothing
  dbus-send --session --print-reply --reply-timeout=2000 --dest=org.mpris.MediaPlayer2.mpv \
    /org/mpris/MediaPlayer2 org.freedesktop.DBus.Properties.Get \
    string:org.mpris.MediaPlayer2.Player "string:$1" 2>/dev/null
}
title() {
  mpris_get Metadata | grep -A1 '"xesam:title"' | sed -n 's/.*variant *string "\(.*\)"/\1/p'
}
mpv_call() {
  dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.mpv \
    /org/mpris/MediaPlayer2 "org.mpris.MediaPlayer2.Player.$1"
}
is_title() { [ "$(title)" = "$1" ]; }
until_true "mpv on the bus with a.wav" is_title a.wav

# The service: the flick comes every second (raw, 2 g to the right for 100 ms); the player is
# mpv, which the settings' threshold of 100 lets a flick skip.
root=$work/root
settings="$root/Program Files/Quorvane/config.ini"
mkdir -p "$root/Program Files/Quorvane"
"$ini" prepare "$settings" && "$ini" set-int "$settings" "Powered By Zelbin" minacc_x 100 \
  || fail "cannot prepare the settings"
printf '0,0,0,64\n500,127,0,64\n600,0,0,64\n1000,0,0,64\n' > "$work/flick.csv"
"$quorvane" --service --root "$root" --acc "replay:$work/flick.csv" --motion raw \
  --player mpris:mpv --feedback off > "$work/out" 2> "$work/err" &
pid=$!
count() { grep -c "$1" "$work/out" 2>/dev/null; }
has() { [ "$(count "$1")" -ge "$2" ]; }

# Paused: the application listens, but reads the handset at rest.
until_true "\"gestures paused\"" has "gestures paused: the player is not playing" 1
until_true "listening" has "没有操作，监听中" 1
sleep 3  # three flicks go by
has "正在播放下一首" 1 && fail "a flick skipped while mpv was paused"
is_title a.wav || fail "mpv moved while paused: $(title)"

# Playing: a flick skips.
mpv_call Play
until_true "\"gestures resumed\"" has "gestures resumed" 1
until_true "\"next\" on the status line" has "正在播放下一首" 1
until_true "mpv on the next song" is_title b.wav

# Paused again: nothing moves.
mpv_call Pause
until_true "the second \"gestures paused\"" has "gestures paused: the player is not playing" 2
skipped=$(count "正在播放下一首")
now=$(title)
sleep 3
[ "$(count "正在播放下一首")" = "$skipped" ] || fail "a flick skipped after the pause"
is_title "$now" || fail "mpv moved after the pause: $(title)"
[ "$(count "gestures resumed")" = 1 ] || fail "not one \"gestures resumed\""

kill -TERM "$pid"
wait "$pid"
status=$?
pid=
[ $status -eq 0 ] || fail "the service ended with $status"
echo "gestures with mpv: ok"
