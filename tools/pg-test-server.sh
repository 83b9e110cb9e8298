#!/usr/bin/env bash
# A throwaway PostgreSQL server for the archive tests (CTest fixtures archive_pg_start and
# archive_pg_stop).
#
#   tools/pg-test-server.sh start STATE   new cluster in a fresh folder under /tmp, listening
#                                         only on a Unix socket there; writes dir= and
#                                         conninfo= lines to STATE
#   tools/pg-test-server.sh stop STATE    stops it and removes the folder and STATE
#
# PostgreSQL refuses to run as root, so under root (CI) the server runs as the user nobody. The
# cluster trusts every local connection and does not sync to disk: it holds test data only and
# lives for one test run. A start first stops a server that an interrupted run left behind.
set -euo pipefail

action=${1:-}
state=${2:-}
if [[ -z $state || ( $action != start && $action != stop ) ]]; then
    echo "Aufruf: $0 start|stop ZUSTANDSDATEI" >&2
    exit 2
fi

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [[ ! -x $bindir/initdb ]]; then
    echo "pg-test-server: initdb fehlt (Debian-Paket postgresql)" >&2
    exit 1
fi

as_owner() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u nobody -- "$@"
    else
        "$@"
    fi
}

stop_server() {
    [[ -f $state ]] || return 0
    local dir
    dir=$(sed -n 's/^dir=//p' "$state")
    if [[ -n $dir && -d $dir/data ]]; then
        as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    [[ -n $dir && $dir == /tmp/korvala-pg.* ]] && rm -rf "$dir"
    rm -f "$state"
}

if [[ $action == stop ]]; then
    stop_server
    exit 0
fi

stop_server
dir=$(mktemp -d /tmp/korvala-pg.XXXXXX)
[[ $(id -u) -eq 0 ]] && chown nobody "$dir"
printf 'dir=%s\n' "$dir" >"$state"
if ! as_owner "$bindir/initdb" -D "$dir/data" -U korvala --auth=trust -E UTF8 \
    --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    exit 1
fi
if ! as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories=$dir -p 5433 -F" start >/dev/null; then
    cat "$dir/server.log" >&2
    exit 1
fi
printf 'conninfo=host=%s port=5433 user=korvala\n' "$dir" >>"$state"
echo "pg-test-server: PostgreSQL läuft in $dir"
