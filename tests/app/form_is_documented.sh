#!/usr/bin/env bash
# Every status-line message the README explains is explained in the form's
# manual page too (read as rendered, with the variable parts in italics
# written as plain words, as in the README).
#   form_is_documented.sh README MANPAGE
set -euo pipefail
readme=$1 manpage=$2
messages=$(awk '/^## Status-line messages/ { section = 1; next } section && /^## / { exit }
                section && /^\| / { print }' "$readme" |
           sed 1,2d | cut -d'|' -f2 | tr -d '*\\' | sed 's/^ *//; s/ *$//')
[ -n "$messages" ] || { echo "no status-line messages found in $readme" >&2; exit 1; }
rendered=$(LC_ALL=C groff -man -Tascii -P-cbou "$manpage" | tr -s ' \n' '  ')
missing=0
while IFS= read -r message; do
  grep -qF -- "$message" <<<"$rendered" || { echo "the man page does not explain '$message'" >&2; missing=1; }
done <<<"$messages"
echo "checked $(wc -l <<<"$messages") messages"
exit $missing
