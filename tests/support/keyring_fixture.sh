#!/usr/bin/env bash
# Starts or stops a private desktop keyring for the tests: a D-Bus session bus of its own with
# gnome-keyring-daemon (Secret Service only) on it, its login keyring unlocked.
#
#   keyring_fixture.sh start DIR   make DIR afresh, start the bus and the keyring daemon, and
#                                  wait until the Secret Service answers
#   keyring_fixture.sh stop DIR    stop both (the folder is kept for a look)
#
# DIR/fixture.env then holds DBUS_SESSION_BUS_ADDRESS=... for the tests.
set -euo pipefail

action=${1:-}
dir=${2:-}
[ -n "$action" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
dir=$(realpath -m "$dir")

stop_pid() {
  local file=$1 name=$2 pid
  [ -f "$file" ] || return 0
  pid=$(cat "$file" 2>/dev/null || true)
  if [ -n "$pid" ] && grep -q "$name" "/proc/$pid/cmdline" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
  fi
  rm -f "$file"
}

stop_all() {
  stop_pid "$dir/keyring.pid" gnome-keyring
  stop_pid "$dir/bus.pid" dbus-daemon
}

case $action in
  stop)
    stop_all
    exit 0
    ;;
  start) ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

stop_all
rm -rf "$dir"
mkdir -p "$dir/home/data" "$dir/run"
chmod 700 "$dir/run"
address="unix:path=$dir/run/bus"
dbus-daemon --session --fork --nosyslog --address="$address" --print-pid=3 3>"$dir/bus.pid"

export HOME=$dir/home XDG_DATA_HOME=$dir/home/data XDG_RUNTIME_DIR=$dir/run
export DBUS_SESSION_BUS_ADDRESS=$address
# The password on standard input creates the login keyring unlocked (and makes it the default).
printf 'tarnwick-test' | gnome-keyring-daemon --foreground --unlock --components=secrets \
  >"$dir/keyring.log" 2>&1 &
echo $! >"$dir/keyring.pid"

for _ in $(seq 1 100); do
  if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
       org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
     grep -q 'boolean true'; then
    echo "DBUS_SESSION_BUS_ADDRESS=$address" >"$dir/fixture.env"
    exit 0
  fi
  sleep 0.1
done
echo "the keyring daemon did not come up; see $dir/keyring.log" >&2
stop_all
exit 1
