#!/usr/bin/env bash
# quorvane --script with the screenshot command and --screenshot: both pictures are PNG files.
set -euo pipefail
quorvane=$1 script=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$quorvane" --script "$script" --screenshot end.png > trace.jsonl
for picture in menu.png end.png; do
  magic=$(head -c 8 "$picture" | od -An -tx1 | tr -d ' \n')
  [ "$magic" = 89504e470d0a1a0a ] || { echo "$picture is not a PNG file"; exit 1; }
done
# An unknown folder is a script error, reported with the line.
printf 'start\nscreenshot /nonexistent/folder/x.png\n' > bad.qvs
if "$quorvane" --script bad.qvs > /dev/null 2> err.txt; then echo "a failed screenshot passed"; exit 1; fi
grep -q 'bad.qvs:2: screenshot' err.txt || { cat err.txt; exit 1; }
echo "screenshots ok"
