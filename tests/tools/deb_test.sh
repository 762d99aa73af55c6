#!/usr/bin/env bash
# The Debian package: cpack builds it from the build tree, its dependencies come from
# dpkg-shlibdeps plus the font, its description is plain text, its documents lie in
# /usr/share/doc/quorvane with a copyright file in Debian's machine-readable format, and the
# unpacked quorvane answers --version and --help (which leaves scripts to docs/scenarios.md).
#   deb_test.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d /tmp/quorvane-deb-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") > "$work/log" 2>&1 \
  || { cat "$work/log"; fail "cpack -G DEB"; }
deb=$(ls "$work"/out/quorvane_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { cat "$work/log"; fail "no .deb made"; }
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'fonts-wqy-microhei' <<< "$depends" || fail "Depends lacks the font: $depends"
grep -q 'libc6' <<< "$depends" || fail "Depends lacks what shlibdeps finds: $depends"

description=$(dpkg-deb -f "$deb" Description)
grep -q ';' <<< "$description" && fail "the description holds a CMake list's \";\": $description"
awk 'NR > 1 && length($0) > 80 { exit 1 }' <<< "$description" ||
  fail "the description has lines over 80 characters: $description"

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x"
doc=$work/root/usr/share/doc/quorvane
[ -f "$doc/README.md" ] && [ -f "$doc/running.md" ] || fail "no documents in /usr/share/doc/quorvane"
# Machine-readable copyright: a header with Format, then paragraphs of fields ("Name: value",
# continued on lines that begin with a space); every Files paragraph has a Copyright and a
# License, and every licence named has its text.
copyright=$doc/copyright
[ -f "$copyright" ] || fail "no /usr/share/doc/quorvane/copyright"
head -n 1 "$copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file does not begin with its Format"
awk '
  function end() {
    if (files && !(copyright && license)) { print "a Files paragraph lacks Copyright or License"; bad = 1 }
    files = copyright = license = 0
  }
  /^$/ { end(); next }
  /^[ \t]/ { if (name == "License") texts[short] = 1; next }
  /^[A-Za-z-]+:/ {
    name = substr($0, 1, index($0, ":") - 1)
    if (name == "Files") files = 1
    if (name == "Copyright") copyright = 1
    if (name == "License") { license = 1; short = $2; named[short] = 1 }
    next
  }
  { print "not a field: " $0; bad = 1 }
  END {
    end()
    for (l in named) if (!(l in texts)) { print "no text for the licence " l; bad = 1 }
    exit bad
  }' "$copyright" || fail "the copyright file is not in the machine-readable format"

quorvane=$work/root/usr/bin/quorvane
[ -x "$quorvane" ] || fail "the package holds no usr/bin/quorvane"
"$quorvane" --version | grep -q '^quorvane [0-9]' || fail "the unpacked quorvane --version"
help=$("$quorvane" --help)
grep -q -- '--service' <<< "$help" || fail "the unpacked quorvane --help"
grep -q 'docs/scenarios.md' <<< "$help" && ! grep -q '^COMMANDS' <<< "$help" ||
  fail "quorvane --help does not leave the script language to docs/scenarios.md"
grep -qx 'ExecStart=/usr/bin/quorvane --service' "$work/root/usr/lib/systemd/user/quorvane.service" \
  || fail "the packaged unit does not start /usr/bin/quorvane"
echo "deb: ok ($(basename "$deb"), Depends: $depends)"
