#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what a user gets: the
# programs, the documentation, man pages that render without warnings, and a
# bash completion that completes commands and device names.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
for file in bin/quorva bin/quorva-cli bin/quorva-sim \
            share/doc/quorva/firmware/README.md share/doc/quorva/examples/demo.kx2 \
            share/bash-completion/completions/quorva-cli \
            share/doc/quorva/copyright share/doc/quorva/changelog.gz \
            share/man/man1/quorva.1.gz share/man/man1/quorva-cli.1.gz share/man/man1/quorva-sim.1.gz; do
  [ -e "$root/usr/$file" ] || fail "missing /usr/$file"
done

for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | groff -ww -man -Tutf8 -z 2>&1) || fail "groff failed on $page"
  [ -z "$warnings" ] || fail "$page: $warnings"
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
echo "1 passed, 0 failed"
