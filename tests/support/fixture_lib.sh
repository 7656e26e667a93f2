# Shared by the server fixtures (source it): free ports, a test certificate authority, waiting.

# True when something listens on 127.0.0.1:$1.
port_answers() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# A free high port on 127.0.0.1.
pick_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    port_answers "$port" || { echo "$port"; return; }
  done
}

# $1 free ports, all different, one a line.
pick_ports() {
  local ports
  while :; do
    ports=$(for _ in $(seq 1 "$1"); do pick_port; done)
    [ "$(printf '%s\n' "$ports" | sort -u | wc -l)" -eq "$1" ] && { echo "$ports"; return; }
  done
}

# True when a listener on port $1 greets with a line that begins with $2 ("+OK", "* OK").
port_greets() {
  local line
  exec 3<>"/dev/tcp/127.0.0.1/$1" || return 1
  read -r -t 2 line <&3 || true
  exec 3<&- 3>&-
  [[ $line == "$2"* ]]
}

# DIR/certs: a certificate authority, a server certificate it signed for "localhost", and a
# self-signed certificate for "localhost".
make_certificates() {
  local c=$1/certs
  mkdir -p "$c"
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Tarnwick Test CA" \
    -keyout "$c/ca.key" -out "$c/ca.crt" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
    2>/dev/null
  openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" \
    -keyout "$c/server.key" -out "$c/server.csr" 2>/dev/null
  printf 'subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' \
    > "$c/server.ext"
  openssl x509 -req -in "$c/server.csr" -CA "$c/ca.crt" -CAkey "$c/ca.key" -CAcreateserial \
    -days 3650 -extfile "$c/server.ext" -out "$c/server.crt" 2>/dev/null
  openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=localhost" \
    -addext subjectAltName=DNS:localhost \
    -keyout "$c/self.key" -out "$c/self.crt" 2>/dev/null
  chmod 644 "$c"/*.crt
}

# Stops the process whose pid is in file $1 if its command line contains $2; waits up to 5 s.
stop_pidfile() {
  local pidfile=$1 name=$2 pid
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile" 2>/dev/null || true)
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null &&
     grep -q "$name" "/proc/$pid/cmdline" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$pidfile"
}

# True when IMAP greets on port $1 and POP3 on $3 (0: none), and $2 and $4 (implicit TLS) take
# connections.
listeners_answer() {
  port_greets "$1" "* OK" 2>/dev/null && port_answers "$2" &&
    { [ "$3" -eq 0 ] || { port_greets "$3" "+OK" 2>/dev/null && port_answers "$4"; }; }
}

# DIR/fixture.env of a server beside Dovecot, as tests/support/mail_servers.h reads it, and the
# line that says the server is up:
#   write_fixture_env DIR SERVER IMAP_PORT IMAPS_PORT POP3_PORT POP3S_PORT PID_FILE [KEY=VALUE...]
write_fixture_env() {
  local dir=$1
  printf '%s\n' "SERVER=$2" HOST=127.0.0.1 "IMAP_PORT=$3" "IMAPS_PORT=$4" "POP3_PORT=$5" \
    "POP3S_PORT=$6" "CA_FILE=$dir/certs/ca.crt" "PID_FILE=$7" "${@:8}" > "$dir/fixture.env"
  echo "$2 answering on 127.0.0.1: IMAP $3 and $4 (TLS), POP3 $5 and $6 (TLS; 0: none);" \
    "details in $dir/fixture.env"
}
