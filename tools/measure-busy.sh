#!/usr/bin/env bash
# The program while Data.mdb is held by another program, on a virtual display with the real clock:
# how soon the wait sign (wait cursor and note) is on screen after a write begins to wait, and
# how far the test countdown is off after the wait. See tools/busy/measure_busy.cpp for the
# columns. Builds what it needs in build-measure (without the web engine).
# Usage: tools/measure-busy.sh [waits] [hold seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dir=build-measure
[ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF -DWITH_WEBENGINE=OFF >/dev/null
cmake --build "$dir" --target velanika measure_busy xsign >/dev/null

work=$(mktemp -d)
trap 'kill "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
. "$root/tools/lib/xvfb.sh"
start_xvfb
export XDG_RUNTIME_DIR=$work
unset QT_QPA_PLATFORM

"$dir/tools/measure_busy" "$dir/textbook" "$dir/tools/xsign" "${1:-3}" "${2:-10}"
