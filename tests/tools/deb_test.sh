#!/usr/bin/env bash
# The Debian package: cpack builds it from the build tree, its dependencies come from
# dpkg-shlibdeps plus the font, and the unpacked quorvane answers --version and --help.
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

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x"
quorvane=$work/root/usr/bin/quorvane
[ -x "$quorvane" ] || fail "the package holds no usr/bin/quorvane"
"$quorvane" --version | grep -q '^quorvane [0-9]' || fail "the unpacked quorvane --version"
"$quorvane" --help | grep -q -- '--service' || fail "the unpacked quorvane --help"
grep -qx 'ExecStart=/usr/bin/quorvane --service' "$work/root/usr/lib/systemd/user/quorvane.service" \
  || fail "the packaged unit does not start /usr/bin/quorvane"
echo "deb: ok ($(basename "$deb"), Depends: $depends)"
