#!/usr/bin/env bash
# A class-room on one server under load: CLIENTS simulated PCs (separate processes, the program's
# own data module) register, sign in, store pages and take whole tests for SECONDS on a
# throw-away PostgreSQL cluster that syncs to disk; then load_classroom check compares what the
# server holds with everything it acknowledged. With --kill the server's postmaster is killed
# (kill -9) half-way and started again; the PCs try their actions again meanwhile, as a student
# presses «Повторить».
#   tools/load-test.sh BUILD_DIR [CLIENTS] [SECONDS] [--kill]
set -euo pipefail
build=$(cd "${1:?build folder, e.g. build/release}" && pwd)
clients=${2:-40}
seconds=${3:-60}
fault=${4:-}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/velanika-load.XXXXXX)
# The cluster below runs as nobody when the caller is root.
chmod 711 "$work"
cluster=$work/pg
pids=()

cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    "$root/tools/pg-cluster.sh" stop "$cluster"
    rm -rf "$work"
}
trap cleanup EXIT

"$root/tools/pg-cluster.sh" start "$cluster" --durable
admin="host=$cluster user=postgres dbname=velanika"
"$build/textbook/velanika-server" --server "$admin" init --course "$build/textbook/Data.mdb" >/dev/null
mkdir "$work/pc"
echo "host=$cluster user=velanika_student dbname=velanika" >"$work/pc/server.conf"

echo "load-test: $clients PCs for $seconds s${fault:+, the server killed half-way}"
for i in $(seq 1 "$clients"); do
    "$build/bench/load_classroom" client "$work/pc/" "$i" "$seconds" "$work/client-$i.log" 2>>"$work/errors.log" &
    pids+=($!)
done

if [ "$fault" = --kill ]; then
    sleep $((seconds / 2))
    postmaster=$("$root/tools/pg-cluster.sh" pid "$cluster")
    kill -9 "$postmaster"
    echo "load-test: postmaster $postmaster killed at $((seconds / 2)) s"
    sleep 3
    # Its children go when they see it gone; until then the shared memory is still theirs.
    for _ in $(seq 1 30); do
        if "$root/tools/pg-cluster.sh" start "$cluster" 2>/dev/null; then
            echo "load-test: server started again"
            break
        fi
        sleep 1
    done
fi

failed=0
for pid in "${pids[@]}"; do
    wait "$pid" || failed=$((failed + 1))
done
pids=()
echo "load-test: PCs that ended with an error: $failed"
if [ -s "$work/errors.log" ]; then
    echo "load-test: actions given up (first lines):"
    sort "$work/errors.log" | uniq -c | sort -rn | head -5
fi
"$build/bench/load_classroom" check "$admin" "$work"/client-*.log
