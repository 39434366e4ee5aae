#!/usr/bin/env bash
# A throw-away PostgreSQL 15 cluster for the server tests: its data and its Unix socket in DIR, no
# TCP port. The server refuses to run as root, so a root caller (CI) runs it as the user nobody.
#   pg-cluster.sh start DIR [--durable]   (without --durable nothing is synced to disk; a cluster
#                                          already made in DIR is started again as it is)
#   pg-cluster.sh stop DIR
#   pg-cluster.sh pid DIR                 (the postmaster's process id)
set -euo pipefail
bin=/usr/lib/postgresql/15/bin
action=${1:?start, stop or pid}
dir=${2:?folder of the cluster}
durable=${3:-}

as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    as_owner=(runuser -u nobody --)
fi

case "$action" in
start)
    if [ -f "$dir/data/postmaster.pid" ] && "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
        exit 0
    fi
    if [ ! -f "$dir/options" ]; then
        rm -rf "$dir"
        mkdir -p "$dir"
        chmod 700 "$dir"
        [ ${#as_owner[@]} -eq 0 ] || chown nobody "$dir"
        "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C \
            >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
        # The teacher's role signs in with its password, as on a class's server; the rest trust the socket.
        "${as_owner[@]}" sed -i '1i local all velanika_teacher scram-sha-256' "$dir/data/pg_hba.conf"
        options="-k $dir -c listen_addresses='' -c max_connections=120"
        [ "$durable" = --durable ] || options="$options -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
        echo "$options" >"$dir/options"
    fi
    # Started again after a crash, the server first recovers from its log.
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 120 -o "$(cat "$dir/options")" start \
        >/dev/null || { tail -20 "$dir/server.log" >&2; exit 1; }
    ;;
stop)
    if [ -d "$dir/data" ]; then
        "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
pid)
    head -1 "$dir/data/postmaster.pid"
    ;;
*)
    echo "usage: pg-cluster.sh start|stop|pid DIR [--durable]" >&2
    exit 2
    ;;
esac
