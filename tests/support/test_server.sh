#!/usr/bin/env bash
# A private, throw-away PostgreSQL cluster for the tests that run against the database
# server: initdb into a new temporary folder, pg_ctl on a free local port, and a setting
# file in FOLDER (server.ini, as verimond.ini is written) naming it. Run as root, the
# cluster belongs to the postgres user, since PostgreSQL refuses to run as root.
#
#   test_server.sh start FOLDER   starts a fresh cluster (an old one in FOLDER is stopped)
#   test_server.sh stop FOLDER    stops it and removes its files
set -euo pipefail

usage() {
  echo "usage: test_server.sh start|stop FOLDER" >&2
  exit 2
}
[ $# -eq 2 ] || usage
action=$1
folder=$2

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ] || [ ! -x "$bindir/pg_ctl" ]; then
  echo "test_server.sh: PostgreSQL is not installed (initdb and pg_ctl under /usr/lib/postgresql/*/bin); scripts/install-deps.sh installs it" >&2
  exit 1
fi

# Runs a command as the cluster's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

stop_cluster() {
  local cluster
  cluster=$(cat "$folder/cluster" 2>/dev/null || true)
  if [ -n "$cluster" ] && [ -d "$cluster/data" ]; then
    as_owner "$bindir/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  if [ -n "$cluster" ] && [ -d "$cluster" ]; then
    rm -rf -- "$cluster"
  fi
  rm -f -- "$folder/cluster" "$folder/server.ini"
}

case $action in
  stop)
    stop_cluster
    exit 0
    ;;
  start) ;;
  *) usage ;;
esac

mkdir -p -- "$folder"
stop_cluster

if [ "$(id -u)" -eq 0 ] && ! getent passwd postgres >/dev/null; then
  echo "test_server.sh: running as root, but there is no postgres user to own the cluster" >&2
  exit 1
fi

# The cluster lives in a temporary folder its owner can reach whatever the path of the
# build tree (a home folder the postgres user may not enter).
cluster=$(mktemp -d "${TMPDIR:-/tmp}/verimond-test-server.XXXXXX")
echo "$cluster" >"$folder/cluster"
password=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
printf '%s\n' "$password" >"$cluster/password"
if [ "$(id -u)" -eq 0 ]; then
  chown -R postgres: "$cluster"
fi
chmod 700 "$cluster"

# Connections over TCP, as the stations make them, need the password; the socket is
# for no one but the owner.
if ! as_owner "$bindir/initdb" -D "$cluster/data" -U verimond -E UTF8 --locale=C.UTF-8 \
  --auth-local=trust --auth-host=scram-sha-256 --pwfile="$cluster/password" \
  >"$cluster/initdb.log" 2>&1; then
  echo "test_server.sh: initdb failed:" >&2
  cat "$cluster/initdb.log" >&2
  exit 1
fi
rm -f -- "$cluster/password"

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

# Another program may take the free port between the look and the start: try a few.
started=no
for attempt in 1 2 3 4 5; do
  port=$(free_port)
  # Durability is no concern for a cluster that lives for one test run.
  if as_owner "$bindir/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 60 \
    -o "-p $port -k $cluster -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=300" \
    start >/dev/null 2>&1; then
    started=yes
    break
  fi
done
if [ "$started" != yes ]; then
  echo "test_server.sh: the test database server did not start:" >&2
  tail -n 30 "$cluster/server.log" >&2 || true
  exit 1
fi

umask 077
cat >"$folder/server.ini" <<EOF
# The throw-away test server; the tests make one database on it per case.
[database]
engine=postgresql
host=127.0.0.1
port=$port
name=postgres
user=verimond
password=$password
EOF
echo "test server on 127.0.0.1:$port ($cluster)"
