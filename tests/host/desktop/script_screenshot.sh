#!/usr/bin/env bash
# quorvane --script with the screenshot command and --screenshot: both pictures are PNG files.
set -euo pipefail
quorvane=$1 script=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$quorvane" --script "$script" --screenshot end.png
for picture in menu.png end.png; do
  magic=$(head -c 8 "$picture" | od -An -tx1 | tr -d ' \n')
  [ "$magic" = 89504e470d0a1a0a ] || { echo "$picture is not a PNG file"; exit 1; }
done
# The picture is the work area's size (PNG IHDR: width and height, 480 x 720).
size=$(od -An -tx1 -j16 -N8 end.png | tr -d ' \n')
[ "$size" = 000001e0000002d0 ] || { echo "end.png is not 480 x 720 ($size)"; exit 1; }
# Screenshots stay Chinese whatever the locale; --lang en draws the English texts.
LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 "$quorvane" --script "$script" --screenshot end-locale.png \
  > /dev/null
"$quorvane" --script "$script" --screenshot end-en.png --lang en > /dev/null
cmp -s end.png end-locale.png || { echo "the locale changed the screenshot"; exit 1; }
if cmp -s end.png end-en.png; then echo "--lang en drew the Chinese picture"; exit 1; fi
# An unknown folder is a script error, reported with the line.
printf 'start\nscreenshot /nonexistent/folder/x.png\n' > bad.qvs
if "$quorvane" --script bad.qvs > /dev/null 2> err.txt; then echo "a failed screenshot passed"; exit 1; fi
grep -q 'bad.qvs:2: screenshot' err.txt || { cat err.txt; exit 1; }
echo "screenshots ok"
