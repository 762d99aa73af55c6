#!/usr/bin/env bash
# `cmake --install` into a temporary prefix: the tools answer --version with the project's
# version, the documents and their copyright file lie in share/doc/quorvane, and the desktop
# entry, the AppStream metadata (with a home page and a screenshot) and the systemd user unit
# pass Debian's validators. Where systemd-analyze cannot work at all, that one check is skipped
# with a message.
#   install_test.sh BUILD_DIR
set -uo pipefail
build=$1
prefix=$(mktemp -d /tmp/quorvane-install-test-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" > "$prefix.log" 2>&1 || { cat "$prefix.log"; rm -f "$prefix.log"; fail "cmake --install"; }
rm -f "$prefix.log"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in the cache"

id=io.github.quorvane.Quorvane
for file in bin/quorvane bin/quorvane-ini bin/quorvane-motion \
            share/applications/$id.desktop \
            share/icons/hicolor/scalable/apps/$id.svg \
            share/metainfo/$id.metainfo.xml \
            lib/systemd/user/quorvane.service \
            share/doc/quorvane/README.md share/doc/quorvane/running.md \
            share/doc/quorvane/scenarios.md share/doc/quorvane/copyright; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for tool in quorvane quorvane-ini quorvane-motion; do
  [ "$("$prefix/bin/$tool" --version)" = "$tool $version" ] || fail "$tool --version"
done
grep -qx "Documentation=file://$prefix/share/doc/quorvane/README.md" \
  "$prefix/lib/systemd/user/quorvane.service" || fail "the unit's Documentation="

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
metainfo=$prefix/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q '<url type="homepage">https://' "$metainfo" || fail "the metainfo has no home page"
grep -q '<screenshot type="default">' "$metainfo" && grep -q '<image[^>]*>https://' "$metainfo" ||
  fail "the metainfo has no screenshot"
grep -qi 'chinese texts' "$metainfo" && fail "the metainfo says the window has Chinese texts"
grep -qx "ExecStart=$prefix/bin/quorvane --service" "$prefix/lib/systemd/user/quorvane.service" \
  || fail "the unit does not start the installed quorvane --service"
grep -qx "Restart=on-failure" "$prefix/lib/systemd/user/quorvane.service" || fail "Restart="

if command -v systemd-analyze > /dev/null; then
  # A runtime folder of its own lets it check a user unit without a user session.
  mkdir -m 700 "$prefix/runtime"
  out=$(XDG_RUNTIME_DIR=$prefix/runtime systemd-analyze --user verify \
        "$prefix/lib/systemd/user/quorvane.service" 2>&1)
  status=$?
  if [ $status -ne 0 ]; then
    if grep -qiE 'failed to (connect|initialize|create)|no such file or directory.*bus|System has not been booted' <<< "$out" \
       && ! grep -q 'quorvane.service:' <<< "$out"; then
      echo "systemd-analyze verify skipped: it cannot work here: $out"
    else
      echo "$out"
      fail "systemd-analyze verify"
    fi
  fi
else
  echo "systemd-analyze verify skipped: systemd is not installed"
fi
echo "install: ok"
