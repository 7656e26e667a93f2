#!/usr/bin/env bash
# Starts or stops a private desktop keyring for the tests: a D-Bus session bus of its own with
# gnome-keyring-daemon (Secret Service only) on it, its login keyring unlocked.
#   keyring_fixture.sh start DIR   make DIR afresh, start both, wait for the Secret Service
#   keyring_fixture.sh stop DIR    stop both (the folder is kept for a look)
# DIR/fixture.env then holds DBUS_SESSION_BUS_ADDRESS=... for the tests.
set -euo pipefail
action=${1:-}
dir=$(realpath -m "${2:-}")
[ -n "${2:-}" ] && [[ $action =~ ^(start|stop)$ ]] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

stop_pid() {  # FILE NAME: the process of that pid file, if it is still the named program
  local pid
  pid=$(cat "$1" 2>/dev/null || true)
  if [ -n "$pid" ] && grep -q "$2" "/proc/$pid/cmdline" 2>/dev/null; then kill "$pid" || true; fi
  rm -f "$1"
}
stop_pid "$dir/keyring.pid" gnome-keyring
stop_pid "$dir/bus.pid" dbus-daemon
[ "$action" = stop ] && exit 0

rm -rf "$dir"
mkdir -p "$dir/home/data" "$dir/run"
chmod 700 "$dir/run"
export HOME=$dir/home XDG_DATA_HOME=$dir/home/data XDG_RUNTIME_DIR=$dir/run
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/run/bus
dbus-daemon --session --fork --nosyslog --address="$DBUS_SESSION_BUS_ADDRESS" --print-pid=3 \
  3>"$dir/bus.pid"
# The password on standard input creates the login keyring, unlocked and the default one.
printf 'tarnwick-test' | gnome-keyring-daemon --foreground --unlock --components=secrets \
  >"$dir/keyring.log" 2>&1 &
echo $! >"$dir/keyring.pid"
for _ in $(seq 1 100); do
  if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
       org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets | grep -q 'true'; then
    echo "DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS" >"$dir/fixture.env"
    exit 0
  fi
  sleep 0.1
done
echo "the keyring daemon did not come up; see $dir/keyring.log" >&2
exit 1
