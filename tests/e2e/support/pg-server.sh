#!/usr/bin/env bash
# A private PostgreSQL server for the tests and the benchmark, in a folder of its own:
#   pg-server.sh start DIR    initdb in DIR/pg, a server on a Unix socket in DIR/pg only
#                             (listen_addresses=''), superuser "hx" without a password;
#                             prints the socket folder
#   pg-server.sh restart DIR  stops it (fast) and starts it again
#   pg-server.sh stop DIR     stops it
# Nothing outside DIR is touched. The server refuses to run as root: as root it runs as the
# user "postgres" (or nobody), which owns DIR/pg.
set -euo pipefail
cmd=$1
dir=$(realpath "$2")
bin=${PG_BIN:-/usr/lib/postgresql/15/bin}
pg=$dir/pg
run=()
if [ "$(id -u)" = 0 ]; then
    user=postgres
    id -u "$user" >/dev/null 2>&1 || user=nobody
    run=(runuser -u "$user" --)
fi
case $cmd in
start)
    [ -x "$bin/initdb" ] || { echo "no PostgreSQL in $bin (Debian package postgresql-15)" >&2; exit 3; }
    mkdir -p "$pg"
    chmod 711 "$dir"
    [ ${#run[@]} -eq 0 ] || chown "$user" "$pg"
    chmod 700 "$pg"
    "${run[@]}" "$bin/initdb" -D "$pg/data" -U hx --auth=trust -E UTF8 --no-locale >"$pg/initdb.log" 2>&1 ||
        { cat "$pg/initdb.log" >&2; exit 1; }
    chmod 711 "$pg"
    "${run[@]}" "$bin/pg_ctl" -D "$pg/data" -l "$pg/server.log" -w -t 60 \
        -o "-c listen_addresses='' -c unix_socket_directories='$pg' -c fsync=on -c max_connections=100" \
        start >/dev/null || { cat "$pg/server.log" >&2; exit 1; }
    echo "$pg"
    ;;
restart)
    "${run[@]}" "$bin/pg_ctl" -D "$pg/data" -l "$pg/server.log" -w -t 60 -m fast restart >/dev/null
    ;;
stop)
    [ -d "$pg/data" ] || exit 0
    "${run[@]}" "$bin/pg_ctl" -D "$pg/data" -w -t 60 -m fast stop >/dev/null || true
    ;;
*)
    echo "usage: pg-server.sh start|restart|stop DIR" >&2
    exit 2
    ;;
esac
