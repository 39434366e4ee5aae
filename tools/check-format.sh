#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format makes of it with the committed .clang-format,
# and when it finds no file to check (a check of nothing must not pass).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [ ${#files[@]} -eq 0 ]; then
    echo "format check: no C++ files found" >&2
    exit 1
fi
clang-format --style=file --dry-run --Werror "${files[@]}"
echo "format check: ${#files[@]} files formatted"
