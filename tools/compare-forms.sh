#!/usr/bin/env bash
# Compares two folders of window pictures made by formshots, picture by picture, and prints the
# number of differing pixels of each; exits 1 if any picture differs or is missing.
# Usage: compare-forms.sh <before folder> <after folder> [difference folder]
set -euo pipefail
before=$1
after=$2
diffs=${3:-}
[ -n "$diffs" ] && mkdir -p "$diffs"
status=0
for b in "$before"/*.png; do
    name=$(basename "$b")
    a=$after/$name
    if [ ! -f "$a" ]; then
        echo "$name: missing"
        status=1
        continue
    fi
    out=null:
    [ -n "$diffs" ] && out=$diffs/$name
    pixels=$(compare -metric AE "$b" "$a" "$out" 2>&1 >/dev/null || true)
    echo "$name: $pixels"
    [ "$pixels" = 0 ] || status=1
done
exit $status
