#!/usr/bin/env bash
# The four timed actions of bench_actions (sign-in, opening a chapter, the statistics, launching a
# test) on a class-room server with STUDENTS students and ten times as many results, over the
# local socket of a throw-away PostgreSQL cluster.
#   tools/scale-test.sh BUILD_DIR [STUDENTS] [REPS]
set -euo pipefail
build=$(cd "${1:?build folder, e.g. build/release}" && pwd)
students=${2:-100000}
reps=${3:-7}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/velanika-scale.XXXXXX)
# The cluster below runs as nobody when the caller is root.
chmod 711 "$work"
trap '"$root/tools/pg-cluster.sh" stop "$work/pg"; rm -rf "$work"' EXIT
"$root/tools/pg-cluster.sh" start "$work/pg"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_actions" --server "host=$work/pg user=postgres" \
    --students "$students" --reps "$reps"
