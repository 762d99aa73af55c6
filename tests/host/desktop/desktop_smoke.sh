#!/usr/bin/env bash
# The desktop window as a person uses it, on a virtual X display:
#   desktop_smoke.sh QUORVANE QUORVANE_INI
# Starts `quorvane --root DIR` under Xvfb, clicks the switch "自动隐藏界面" (hide the window
# automatically) with xdotool, waits until the settings file holds autohide=1, closes the window
# and checks that the application ended normally with the value still stored; a settings file
# that cannot be saved is told and ends the run with status 1. The click's point
# is computed: the switch's rectangle from a snapshot of a script run on the same work area,
# scaled and placed as the window shows the screen (host/desktop/desktop_layout.h).
# Exit status: 0 passed, 1 failed, 77 skipped (xvfb-run, xauth or xdotool missing).
set -u

quorvane=${1:?usage: desktop_smoke.sh QUORVANE QUORVANE_INI}
ini_tool=${2:?usage: desktop_smoke.sh QUORVANE QUORVANE_INI}
section="Powered By Zelbin"
work_width=480
work_height=720

name=desktop_smoke
source "$(dirname "$0")/window_session.sh" "$@"

root=$(mktemp -d)
log="$root.log"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$root" "$log"
}
trap cleanup EXIT
ini="$root/Program Files/Quorvane/config.ini"

# The switch (id 108) in work-area pixels: x y w h.
mkdir -p "$root/script"
printf 'start\nsnapshot\n' >"$root/script/where.qvs"
switch_rect=$("$quorvane" --script "$root/script/where.qvs" --trace - --root "$root/script" |
  grep -o '"id":108,"rect":\[[0-9,]*\]' | head -n 1 | grep -o '[0-9][0-9,]*\]' | tr -d ']' |
  tr ',' ' ')
[ -n "$switch_rect" ] || fail "no switch 108 in the snapshot"
rm -rf "$root/script"

# A display that does not answer: the message names it and suggests --headless, and nothing
# about SDL's fallbacks or XDG_RUNTIME_DIR.
status=0
env -u WAYLAND_DISPLAY DISPLAY=:199 "$quorvane" --root "$root/nodisplay" >/dev/null 2>"$log" ||
  status=$?
[ "$status" -eq 3 ] || fail "no display: status $status, not 3: $(cat "$log")"
grep -q "no display answers at DISPLAY=:199" "$log" && grep -q -- "--headless" "$log" ||
  fail "no display: $(cat "$log")"
grep -qi "XDG_RUNTIME_DIR\|offscreen" "$log" && fail "no display: $(cat "$log")"
rm -rf "$root/nodisplay"

start_window --root "$root"

stored() { [ "$("$ini_tool" get-int "$ini" "$section" autohide 2>/dev/null)" = "$1" ]; }
# A first run has no value stored yet: the switch starts off.
stored 1 && fail "autohide is on before the click"

# A click before the application waits for input waits in the window's queue until it does.
# The switch's centre in the window: the screen is scaled to fit above the footer (164 pixels
# high; 264 under 400 wide) and centred.
eval "$(xdotool getwindowgeometry --shell "$window")"
read -r switch_x switch_y < <(awk -v W="$WIDTH" -v H="$HEIGHT" -v ww="$work_width" \
  -v wh="$work_height" -v r="$switch_rect" 'BEGIN {
  split(r, c, " "); footer = W < 400 ? 264 : 164;
  s = W / ww; if ((H - footer) / wh < s) s = (H - footer) / wh;
  left = int((W - int(ww * s + 0.5)) / 2);
  printf "%d %d\n", left + (c[1] + c[3] / 2) * s, (c[2] + c[4] / 2) * s }')
xdotool mousemove --window "$window" "$switch_x" "$switch_y" click 1 ||
  fail "xdotool could not click"
wait_for 10 stored 1 || fail "the settings file did not get autohide=1 after the click"

stop_window
stored 1 || fail "autohide is not 1 after the application ended"

# Settings that cannot be saved (a folder where the file should be): ending the window (SIGHUP,
# as when the terminal goes, ends it as a shutdown does) tells it once, naming the file and the
# error, and the run ends with status 1.
mkdir -p "$root/blocked/Program Files/Quorvane/config.ini"
start_window --root "$root/blocked"
kill -HUP "$pid"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 1 ] || fail "unsaved settings: status $status, not 1: $(cat "$log")"
[ "$(grep -c "the settings could not be saved to $root/blocked/Program Files/Quorvane/config.ini (Is a directory)" "$log")" -eq 1 ] ||
  fail "unsaved settings: $(cat "$log")"
echo "desktop_smoke: passed"
