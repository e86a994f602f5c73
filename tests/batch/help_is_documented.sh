#!/usr/bin/env bash
# Every option that a program's --help (or one of its subcommands' --help) lists
# must be explained in the README and in its man page (read as rendered, so that
# roff's \- counts as a hyphen). awk reads the whole help: leaving early would end a
# long --help with SIGPIPE.
#   help_is_documented.sh PROGRAM README MANPAGE [SUBCOMMAND]
set -euo pipefail
program=$1 readme=$2 manpage=$3 subcommand=${4:-}
name=$(basename "$program")${subcommand:+ $subcommand}
# The options are the lines of the "Options:" block that start with a dash.
options=$("$program" $subcommand --help | awk '/^Options:/ { block = 1; next } block && /^$/ { done = 1 }
                                 block && !done' | grep -oE '^ +(-[a-z],)?--[a-z-]+' | tr ',' '\n' | tr -d ' ')
[ -n "$options" ] || { echo "no options found in $name --help" >&2; exit 1; }
rendered=$(LC_ALL=C groff -man -Tascii -P-cbou "$manpage")
missing=0
for option in $options; do
  grep -qe "$option\b" "$readme" || { echo "README does not mention $name $option" >&2; missing=1; }
  grep -qe "$option\b" <<<"$rendered" || { echo "$name's man page does not mention $option" >&2; missing=1; }
done
echo "checked $name:" $options
exit $missing
