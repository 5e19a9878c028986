#!/usr/bin/env bash
# Builds the .deb from this build and holds it to Debian's checks: the tree a
# user installs (with the desktop files, whose caches dpkg's triggers refresh),
# Depends from shlibdeps, Recommends, and no lintian error.
set -euo pipefail
build=$1
man_pages=$2 # built, help2man-missing or instrumented
here=$(dirname "$0")
. "$here/../support/require_tool.sh"
require_installable_build "$man_pages"
require_tool dpkg-shlibdeps dpkg-dev
require_tool lintian lintian
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
deb=$(ls "$work"/quorva_*_amd64.deb) || fail "no quorva_<version>_amd64.deb"
tree=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
while read -r file; do
  case $file in '' | '#'*) continue ;; esac
  grep -qx -- ".$file" <<<"$tree" || fail "the package lacks $file"
done <"$here/package_files.txt"
dpkg-deb -f "$deb" Depends | grep -q 'libstdc++6' || fail "Depends does not come from shlibdeps"
# Qt finds no Wayland platform plugin without it and falls back to X.
[ "$(dpkg-deb -f "$deb" Recommends)" = qt6-wayland ] || fail "Recommends is not qt6-wayland"
errors=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null | grep '^E:' || true)
[ -z "$errors" ] || fail "lintian: $errors"
echo "1 passed, 0 failed"
