#!/bin/bash
# Test setup: a throwaway PostgreSQL cluster in a folder of its own, for the tests of the shared
# journal. The server listens on a Unix socket in DIR/socket and on 127.0.0.1 at PORT (the
# manual's set-up reaches it as a lab server is reached, by address). Its superuser is
# "postgres" and local connections are trusted; nothing outside DIR is touched.
# The server refuses to run as root: run as root, the cluster belongs to the "postgres" user of
# the Debian package (or "nobody" where there is none).
#
# usage: pg-cluster.sh start DIR [PORT]   makes the cluster on first use, starts it and prints
#                                         the lines the tests need ("export OMBRA_TEST_PG_...")
#        pg-cluster.sh stop DIR           stops it (waits at most 30 s)
#        pg-cluster.sh restart DIR        starts it again after a stop, on the same port
#        pg-cluster.sh psql DIR ARGS...   psql as the superuser
set -euo pipefail
command=${1:?usage: pg-cluster.sh start|stop|restart|psql DIR}
dir=${2:?usage: pg-cluster.sh start|stop|restart|psql DIR}

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bindir/initdb" ] || { echo "pg-cluster: PostgreSQL is not installed" >&2; exit 2; }

owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  owner=nobody
  getent passwd postgres >/dev/null && owner=postgres
fi
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid="$owner" --regid="$(id -g "$owner")" --clear-groups -- "$@"
  else
    "$@"
  fi
}

free_port() {
  local port
  for port in $(seq 25432 25531); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return 0; }
  done
  return 1
}

start() {
  if [ ! -f "$dir/data/PG_VERSION" ]; then
    mkdir -p "$dir/data" "$dir/socket"
    chmod 755 "$dir" "$dir/socket"
    chmod 700 "$dir/data"
    [ "$(id -u)" -eq 0 ] && chown "$owner" "$dir/data" "$dir/socket"
    as_owner "$bindir/initdb" -D "$dir/data" -U postgres --auth=trust --encoding=UTF8 --locale=C.UTF-8 \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    echo "${1:-$(free_port)}" > "$dir/port"
  fi
  local port
  port=$(cat "$dir/port")
  as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/data/server.log" -w -t 30 \
    -o "-k $dir/socket -p $port -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null ||
    { cat "$dir/data/server.log" >&2; exit 1; }
  echo "export OMBRA_TEST_PG_SOCKET=$dir/socket OMBRA_TEST_PG_PORT=$port OMBRA_TEST_PG_CLUSTER=$dir"
}

case "$command" in
  start) start "${3:-}" ;;
  restart) start ;;
  stop)
    [ -f "$dir/data/postmaster.pid" ] || exit 0
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w -t 30 stop >/dev/null ;;
  psql)
    shift 2
    "$bindir/psql" -X -q -h "$dir/socket" -p "$(cat "$dir/port")" -U postgres -d postgres "$@" ;;
  *) echo "pg-cluster: unknown command $command" >&2; exit 2 ;;
esac
