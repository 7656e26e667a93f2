#!/usr/bin/env bash
# One check of POP3, POP3 over TLS, IMAP and IMAP over TLS, by tarnwick-check and by curl, on each
# test server of its own (Dovecot, Cyrus, Courier, mailutils), directly and through a relay that
# adds 20 ms round trip. Prints a table: wall time and CPU time (median of 5 runs, ms), the round
# trips of one check, counted from the protocol log (tarnwick-check) and from curl -v, and whether
# the check succeeded.
#   bench/check/run_line_speed_bench.sh BUILD_DIR [SERVER...]
# BUILD_DIR holds tarnwick-check, bench_delay_relay and bench_line_speed_setup (best an
# optimised build). curl is installed when missing. The servers are unpacked by
# scripts/test-servers; Courier's needs root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:?usage: $0 BUILD_DIR}")
runs=5
command -v curl >/dev/null || sudo apt-get install -y curl >/dev/null
shift
servers=("$@")
[ ${#servers[@]} -gt 0 ] || servers=(dovecot cyrus courier mailutils)
work=$(mktemp -d)
relays=()
started=()
cleanup() {
  for pid in "${relays[@]}"; do kill "$pid" 2>/dev/null || true; done
  for server in "${started[@]}"; do
    "$here/../../tests/support/${server}_fixture.sh" stop "$build/bench-line-$server" >/dev/null 2>&1 || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
stats() { python3 "$here/line_speed_stats.py" "$@"; }
check_binary=$(find "$build" -name tarnwick-check -type f -perm -u+x | head -1)
relay_binary=$(find "$build" -name bench_delay_relay -type f -perm -u+x | head -1)
setup_binary=$(find "$build" -name bench_line_speed_setup -type f -perm -u+x | head -1)

# The port to reach `port` at with `delay` ms round trip.
reach() {
  local port=$1 delay=$2
  if [ "$delay" = 0 ]; then echo "$port"; return; fi
  local out=$work/relay-$port-$delay
  "$relay_binary" 127.0.0.1 "$port" $((delay * 500)) >"$out" &
  relays+=($!)
  until [ -s "$out" ]; do sleep 0.05; done
  head -1 "$out"
}

printf '| server | check | RTT | Tarnwick ms | curl ms | ratio | round trips T/curl | CPU ms T/curl | result |\n'
printf '|---|---|---|---|---|---|---|---|---|\n'
for server in "${servers[@]}"; do
  fixture=$build/bench-line-$server
  "$here/../../tests/support/${server}_fixture.sh" start "$fixture" >/dev/null
  started+=("$server")
  # shellcheck disable=SC1090
  . "$fixture/fixture.env"
  pop3=${POP3_PORT:-$PLAIN_PORT} pop3s=${POP3S_PORT:-$TLS_PORT}
  upper=$(echo "$server" | tr '[:lower:]' '[:upper:]')
  export "TARNWICK_${upper}_DIR=$fixture" TARNWICK_CA_FILE=$CA_FILE
  for delay in 0 20; do
    for kind in pop3 pop3s imap imaps; do
      case $kind in
        pop3) listen=$pop3 host=127.0.0.1 scheme=pop3 ;;
        pop3s) listen=$pop3s host=localhost scheme=pop3s ;;
        imap) listen=$IMAP_PORT host=127.0.0.1 scheme=imap ;;
        imaps) listen=$IMAPS_PORT host=localhost scheme=imaps ;;
      esac
      port=$(reach "$listen" "$delay")
      dir=$work/$server-$kind-$delay
      mkdir -p "$dir"
      cp "$check_binary" "$dir/tarnwick-check"
      read -r user password < <("$setup_binary" "$dir" "$kind" "$port" "$server")
      "$dir/tarnwick-check" >/dev/null || true  # the first check learns what a later one remembers
      : >"$dir/log"
      result=ok
      TARNWICK_LOG=$dir/log "$dir/tarnwick-check" >"$dir/out" 2>&1 || result=failed
      ours_trips=$(stats trips tarnwick "$dir/log")
      read -r ours_wall ours_cpu < <(stats time "$runs" "$dir/tarnwick-check")
      url=$scheme://$host:$port/
      curl_args=(-s --resolve "localhost:$port:127.0.0.1" --cacert "$CA_FILE" -u "$user:$password")
      [[ $kind == imap* ]] && curl_args+=(-X 'STATUS INBOX (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)')
      curl -v "${curl_args[@]}" "$url" >/dev/null 2>"$dir/curl.log" || true
      curl_trips=$(stats trips curl "$dir/curl.log")
      read -r curl_wall curl_cpu < <(stats time "$runs" curl "${curl_args[@]}" "$url")
      ratio=$(python3 -c "print(f'{$ours_wall / max($curl_wall, 1):.2f}')")
      printf '| %s | %s | %s ms | %s | %s | %s | %s / %s | %s / %s | %s |\n' "$server" "$kind" \
        "$delay" "$ours_wall" "$curl_wall" "$ratio" "$ours_trips" "$curl_trips" "$ours_cpu" \
        "$curl_cpu" "$result"
    done
  done
  unset POP3_PORT POP3S_PORT PLAIN_PORT TLS_PORT
done
