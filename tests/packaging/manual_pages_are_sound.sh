#!/usr/bin/env bash
# The installed manual pages as man and Debian's checks read them: each renders
# without a warning from groff, its NAME line is "program \- summary" (what
# whatis and apropos show), it names the release it belongs to, and its SEE
# ALSO refers to every other program of the package.
#   manual_pages_are_sound.sh VERSION PAGE...
set -euo pipefail
version=$1
shift
command -v groff >/dev/null || { echo "groff is missing: scripts/setup-deps installs it" >&2; exit 1; }
[ $# -gt 0 ] || { echo "no manual pages given" >&2; exit 1; }
status=0
fail() { echo "$page: $*" >&2; status=1; }
for page in "$@"; do
  name=$(basename "$page" .1)
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "groff warns: $warnings"
  grep -q "^\.TH [^ ]* 1 [^ ]* \"Zirel $version\" " "$page" || fail "the .TH line does not name Zirel $version"
  whatis=$(awk '/^\.SH NAME/ { getline; print; exit }' "$page")
  [[ $whatis == "$name \\- "?* ]] || fail "the NAME line is not '$name \\- summary': '$whatis'"
  see_also=$(awk '/^\.SH SEE ALSO/ { block = 1; next } /^\.SH/ { block = 0 } block' "$page" | sed 's/\\-/-/g')
  for other in "$@"; do
    other=$(basename "$other" .1)
    [ "$other" = "$name" ] || grep -q "^\.BR $other (1)" <<<"$see_also" || fail "SEE ALSO does not name $other(1)"
  done
done
[ $status -eq 0 ] && echo "sound:" "$@"
exit $status
