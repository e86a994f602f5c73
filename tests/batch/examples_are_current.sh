#!/usr/bin/env bash
# The example data and the expected outputs in examples/ are exactly what
# examples/make-examples writes with the tool just built.
#   examples_are_current.sh ZIREL_BATCH EXAMPLES_FOLDER
set -euo pipefail
batch=$1 examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$examples/make-examples" "$batch" "$work"
status=0
for file in $(cd "$work" && find . -type f | sort); do
  cmp "$work/$file" "$examples/$file" || status=1
done
exit $status
