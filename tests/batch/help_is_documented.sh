#!/usr/bin/env bash
# Every option that a program's --help lists must be explained in the README
# and in its man page (read as rendered, so that roff's \- counts as a hyphen).
#   help_is_documented.sh PROGRAM README MANPAGE
set -euo pipefail
program=$1 readme=$2 manpage=$3
name=$(basename "$program")
# The options are the lines of the "Options:" block that start with a dash.
options=$("$program" --help | awk '/^Options:/ { block = 1; next } block && /^$/ { exit }
                                 block' | grep -oE '^ +(-[a-z],)?--[a-z-]+' | tr ',' '\n' | tr -d ' ')
[ -n "$options" ] || { echo "no options found in $name --help" >&2; exit 1; }
rendered=$(LC_ALL=C groff -man -Tascii -P-cbou "$manpage")
missing=0
for option in $options; do
  grep -qe "$option\b" "$readme" || { echo "README does not mention $name $option" >&2; missing=1; }
  grep -qe "$option\b" <<<"$rendered" || { echo "$name's man page does not mention $option" >&2; missing=1; }
done
echo "checked $name:" $options
exit $missing
