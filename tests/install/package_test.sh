#!/usr/bin/env bash
# Builds the .deb from this build and holds it to Debian's checks: the tree a
# user installs (with the desktop files, whose caches dpkg's triggers refresh),
# Depends from shlibdeps, and no lintian error.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
deb=$(ls "$work"/quorva_*_amd64.deb) || fail "no quorva_<version>_amd64.deb"
tree=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for file in ./usr/bin/quorva ./usr/bin/quorva-cli ./usr/bin/quorva-sim ./usr/share/man/man1/quorva-cli.1.gz \
            ./usr/share/doc/quorva/copyright ./usr/share/bash-completion/completions/quorva-cli \
            ./usr/share/doc/quorva/quorva.htm ./usr/share/applications/quorva.desktop \
            ./usr/share/metainfo/io.github.quorva.quorva.metainfo.xml ./usr/share/mime/packages/quorva.xml \
            ./usr/share/icons/hicolor/48x48/apps/quorva.png ./usr/share/icons/hicolor/scalable/apps/quorva.svg; do
  grep -qx -- "$file" <<<"$tree" || fail "the package lacks $file"
done
dpkg-deb -f "$deb" Depends | grep -q 'libstdc++6' || fail "Depends does not come from shlibdeps"
errors=$(lintian --tag-display-limit 0 "$deb" 2>/dev/null | grep '^E:' || true)
[ -z "$errors" ] || fail "lintian: $errors"
echo "1 passed, 0 failed"
