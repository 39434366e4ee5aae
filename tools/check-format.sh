#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format makes of it with the committed .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=0
for f in "${files[@]}"; do
    if ! clang-format --style=file "$f" | cmp -s - "$f"; then
        echo "not formatted: $f"
        bad=1
    fi
done
[ "$bad" -eq 0 ] && echo "format check: ${#files[@]} files formatted"
exit "$bad"
