#!/bin/sh
# The manual pages describe every command and option the programs accept:
# the names are taken from the programs' own usage texts.
# usage: check_man_pages.sh QUORVANE_CLI ORBEX_TOOL MAN_FOLDER
set -u
cli=$1 tool=$2 man=$3
failed=0

# A name as roff writes it: every "-" escaped.
roff() { printf '%s' "$1" | sed 's/-/\\-/g'; }

# mentions PAGE NAME WHAT: the page names NAME in bold at the start of an entry.
mentions() {
  if ! grep -Eq "^\.(B|BI|BR) \"?$2[\" ]|^\.(B|BI|BR) \"?$2\$|\\\\fB$2( |\\\\f)" "$1"; then
    echo "$(basename "$1"): no entry for $3 $2"
    failed=1
  fi
}

# options PAGE USAGE: every --option of the usage text appears in the page.
options() {
  for option in $(printf '%s\n' "$2" | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    if ! grep -qF -- "$(roff "$option")" "$1"; then
      echo "$(basename "$1"): option $option is not described"
      failed=1
    fi
  done
}

usage=$("$cli" --help) || { echo "quorvane-cli --help failed"; exit 1; }
commands=$(printf '%s\n' "$usage" | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$commands" ] || { echo "no commands found in quorvane-cli --help"; exit 1; }
for command in $commands; do mentions "$man/man1/quorvane-cli.1" "$command" command; done
options "$man/man1/quorvane-cli.1" "$usage"

usage=$("$tool" 2>&1)
[ $? -eq 2 ] || { echo "orbex-tool without arguments should end with status 2"; failed=1; }
commands=$(printf '%s\n' "$usage" | sed -n 's/.*orbex-tool \([a-z][a-z-]*\) .*/\1/p')
[ -n "$commands" ] || { echo "no commands found in orbex-tool's usage"; exit 1; }
for command in $commands; do mentions "$man/man1/orbex-tool.1" "$command" command; done
options "$man/man1/orbex-tool.1" "$usage"

exit $failed
