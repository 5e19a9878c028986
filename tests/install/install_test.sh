#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what a user gets: the
# programs, the documentation, man pages that man renders without warnings, a
# bash completion that completes commands and device names, and the desktop's
# menu entry, AppStream listing, project file type and icons.
set -euo pipefail
build=$1
man_pages=$2 # built, help2man-missing or instrumented
here=$(dirname "$0")
. "$here/../support/require_tool.sh"
require_installable_build "$man_pages"
require_tool groff groff-base
require_tool man man-db
require_tool desktop-file-validate desktop-file-utils
require_tool appstreamcli appstream
require_tool update-mime-database shared-mime-info
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
while read -r file; do
  case $file in '' | '#'*) continue ;; esac
  [ -e "$root$file" ] || fail "missing $file"
done <"$here/package_files.txt"

for page in "$root"/usr/share/man/man1/*.1.gz; do
  # As a user reads it, with every groff warning on.
  warnings=$(MANWIDTH=80 man --warnings=w -l "$page" 2>&1 >/dev/null) || fail "man -l failed on $page"
  [ -z "$warnings" ] || fail "man -l $page: $warnings"
  zcat "$page" | grep -q '^\.SH DESCRIPTION' || fail "$page has no description"
done
# The options in the page are the program's own.
zcat "$root/usr/share/man/man1/quorva-cli.1.gz" | grep -q 'save\\-serial' || fail "quorva-cli.1 lacks the autoprogram options"

completion=$root/usr/share/bash-completion/completions/quorva-cli
bash -n "$completion" || fail "completion does not parse"
replies=$(bash -c '
  shopt -s extglob
  source "$1"
  COMP_WORDS=("$2" pro); COMP_CWORD=1; _quorva_cli; echo "${COMPREPLY[*]}"
  COMP_WORDS=("$2" program-flash app.hex --device ATme); COMP_CWORD=4; _quorva_cli; echo "${COMPREPLY[*]}"
  COMP_WORDS=("$2" autoprogram --no); COMP_CWORD=2; _quorva_cli; echo "${COMPREPLY[*]}"
' completion "$completion" "$root/usr/bin/quorva-cli")
commands=$(sed -n 1p <<<"$replies")
devices=$(sed -n 2p <<<"$replies")
options=$(sed -n 3p <<<"$replies")
[ "$commands" = "project-info program-flash program-eeprom" ] || fail "pro<TAB> gave: $commands"
case " $devices " in *" ATmega328P "*) ;; *) fail "--device ATme<TAB> lacks ATmega328P: $devices" ;; esac
case " $devices " in *" ATtiny"*) fail "--device ATme<TAB> offers an ATtiny" ;; esac
[ "$options" = "--no --no-wait" ] || fail "autoprogram --no<TAB> gave: $options"
# The desktop files pass their own validators, and name what is installed.
desktop=$root/usr/share/applications/quorva.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects quorva.desktop"
metainfo=$root/usr/share/metainfo/io.github.quorva.quorva.metainfo.xml
appstreamcli validate --no-net "$metainfo" >/dev/null ||
  fail "appstreamcli rejects the metainfo: $(appstreamcli validate --no-net "$metainfo")"
# The tree check also holds the file name to the component id.
appstreamcli validate-tree --no-net "$root" >/dev/null ||
  fail "appstreamcli rejects the installed tree: $(appstreamcli validate-tree --no-net "$root")"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/usr/bin/$exec_program" ] || fail "Exec=$exec_program is not an installed program"
grep -q "<launchable type=\"desktop-id\">quorva.desktop</launchable>" "$metainfo" ||
  fail "the AppStream listing does not launch quorva.desktop"
for size in 16 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/quorva.png
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  dimensions=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
  [ "$dimensions" = "${size}x${size}" ] || fail "the ${size} px icon is $dimensions"
done

# The MIME package compiles and claims the project files, whatever their case.
# (It warns that the scratch tree is not on XDG_DATA_DIRS; only its status counts.)
update-mime-database "$root/usr/share/mime" >/dev/null 2>&1 || fail "update-mime-database rejects quorva.xml"
for glob in '*.kx2' '*.kx1' '*.kx3' '*.quorva'; do
  # A case-sensitive glob would carry a ":cs" flag after the pattern.
  grep -qxF "50:application/x-quorva-project:$glob" "$root/usr/share/mime/globs2" ||
    fail "no case-insensitive $glob in the MIME globs: $(grep quorva "$root/usr/share/mime/globs2")"
done
grep -q "application/x-quorva-project;" "$desktop" || fail "quorva.desktop does not open projects"

# The manual is one self-contained UTF-8 page in both languages.
manual=$root/usr/share/doc/quorva/quorva.htm
iconv -f UTF-8 -t UTF-8 "$manual" >/dev/null || fail "quorva.htm is not UTF-8"
grep -qi '^<!DOCTYPE html>' "$manual" || fail "quorva.htm is not HTML5"
grep -q 'lang="ru"' "$manual" || fail "quorva.htm has no Russian section"
grep -Eqi '(src|href)="(https?:)?//|@import|url\(' "$manual" && fail "quorva.htm loads something from outside"
echo "1 passed, 0 failed"
