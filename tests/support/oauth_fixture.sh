#!/usr/bin/env bash
# Starts or stops the sign-in test servers: the authorization server of oauth_server.py on a
# free 127.0.0.1 port and a Dovecot whose users log in with its tokens.
#
#   oauth_fixture.sh start DIR   DIR/server.port holds the authorization server's port,
#                                DIR/dovecot the Dovecot fixture (see dovecot_fixture.sh)
#   oauth_fixture.sh stop DIR
set -euo pipefail

action=${1:-}
dir=${2:-}
[ -n "$action" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
dir=$(realpath -m "$dir")
here=$(dirname "$(realpath "$0")")

stop_servers() {
  "$here/dovecot_fixture.sh" stop "$dir/dovecot" || true
  local pid
  pid=$(cat "$dir/server.pid" 2>/dev/null || true)
  if [ -n "$pid" ] && grep -q oauth_server "/proc/$pid/cmdline" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
  fi
  rm -f "$dir/server.pid" "$dir/server.port"
}

start_servers() {
  stop_servers
  mkdir -p "$dir"
  # Debian's interpreter: the one on PATH may be another build.
  /usr/bin/python3 "$here/oauth_server.py" "$dir/server.port" </dev/null >"$dir/server.log" 2>&1 &
  echo $! > "$dir/server.pid"
  for _ in $(seq 1 100); do
    [ -s "$dir/server.port" ] && break
    sleep 0.1
  done
  if [ ! -s "$dir/server.port" ]; then
    echo "the authorization server did not start" >&2
    cat "$dir/server.log" >&2
    return 1
  fi
  OAUTH2_INTROSPECTION_URL="http://127.0.0.1:$(cat "$dir/server.port")/introspect" \
    "$here/dovecot_fixture.sh" start "$dir/dovecot"
}

case "$action" in
  start) start_servers ;;
  stop) stop_servers ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
