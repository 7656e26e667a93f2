#!/usr/bin/env bash
# Starts or stops a private Cyrus IMAP server for the tests, and keeps its users and mail.
#
#   cyrus_fixture.sh start DIR                  make DIR afresh (configuration, certificates,
#                                               password database), start Cyrus's master on four
#                                               free 127.0.0.1 ports and wait until all answer
#   cyrus_fixture.sh stop DIR                   stop every process of the Cyrus of DIR (DIR is kept)
#   cyrus_fixture.sh user DIR NAME PASSWORD     a user with an empty INBOX
#   cyrus_fixture.sh folder DIR NAME FOLDER     a subscribed folder FOLDER of the user
#   cyrus_fixture.sh deliver DIR NAME FOLDER    deliver the message on standard input over LMTP
#                                               into FOLDER ("INBOX" or a folder made before)
#   cyrus_fixture.sh count DIR NAME FOLDER      print how many messages FOLDER holds
#
# DIR/fixture.env then holds, one KEY=VALUE a line:
#   SERVER HOST IMAP_PORT IMAPS_PORT POP3_PORT POP3S_PORT CA_FILE PID_FILE
#   SEPARATOR FOLDER_PREFIX   (the server shows folder Work as ${FOLDER_PREFIX}Work)
# Cyrus runs from the packages scripts/test-servers unpacked (build/test-servers/cyrus), with
# Debian's namespace: folders live below INBOX, separated by dots, so user names have no dots.
# Cyrus will not run as root: run as root, it runs as the system user cyrus (made if missing),
# and DIR must be reachable by that user; otherwise it runs as the calling user.
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR, or user DIR NAME PASSWORD, or folder|deliver|count DIR NAME FOLDER" >&2; exit 2; }
action=${1:-}
dir=${2:-}
[ -n "$action" ] && [ -n "$dir" ] || usage
dir=$(realpath -m "$dir")
here=$(dirname "$(realpath "$0")")
root=${TARNWICK_TEST_SERVERS:-$here/../../build/test-servers}/cyrus
bin=$root/usr/lib/cyrus/bin
libdir=$(echo "$root"/usr/lib/*-linux-gnu)
export LD_LIBRARY_PATH=$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
admin=cyrusadmin

source "$here/fixture_lib.sh"

# The user Cyrus runs as, and the same command run as that user.
if [ "$(id -u)" -eq 0 ]; then
  run_user=cyrus
  as_cyrus() { setpriv --reuid=cyrus --regid="$(id -g cyrus)" --init-groups -- "$@"; }
else
  run_user=$(id -un)
  as_cyrus() { "$@"; }
fi

# True while one of the processes given runs (a zombie waiting for its parent has finished).
running() {
  local pid
  for pid; do
    [ -e "/proc/$pid" ] && ! grep -q '^State:.*zombie' "/proc/$pid/status" 2>/dev/null && return 0
  done
  return 1
}

# Stops the master and every service it started: all of them were given DIR/imapd.conf.
# Stopped together, they go at once; the master alone would wait for its children.
stop_server() {
  local proc args pids=()
  for proc in /proc/[0-9]*; do
    mapfile -d '' args 2>/dev/null < "$proc/cmdline" || continue
    [[ " ${args[*]} " == *" $dir/imapd.conf "* ]] && pids+=("${proc#/proc/}")
  done
  if [ ${#pids[@]} -gt 0 ]; then
    kill "${pids[@]}" 2>/dev/null || true
    for _ in $(seq 1 50); do
      running "${pids[@]}" || break
      sleep 0.1
    done
    for proc in "${pids[@]}"; do running "$proc" && kill -9 "$proc" 2>/dev/null; done
  fi
  rm -f "$dir/run/master.pid"
}

write_config() {
  local imap=$1 imaps=$2 pop3=$3 pop3s=$4
  cat > "$dir/imapd.conf" <<EOF
configdirectory: $dir/conf
defaultpartition: default
partition-default: $dir/spool
# The sockets (lmtpd's, idled's, each imapd's own) are in configdirectory/socket.
lmtpsocket: $dir/conf/socket/lmtp
cyrus_user: $run_user
cyrus_group: $(id -gn "$run_user")
servername: localhost
admins: $admin
# Debian's namespace rather than Cyrus's own defaults: folders below INBOX, dot-separated.
altnamespace: no
unixhierarchysep: no
allowplaintext: yes
sasl_pwcheck_method: auxprop
sasl_auxprop_plugin: sasldb
sasl_sasldb_path: $dir/sasldb2
tls_server_cert: $dir/certs/server.crt
tls_server_key: $dir/certs/server.key
tls_versions: tls1_2 tls1_3
# The mechanisms a stock Debian Cyrus offers, whatever other SASL plugins a machine has.
sasl_mech_list: SCRAM-SHA-512-PLUS SCRAM-SHA-512 SCRAM-SHA-384-PLUS SCRAM-SHA-384 SCRAM-SHA-256-PLUS SCRAM-SHA-256 SCRAM-SHA-224-PLUS SCRAM-SHA-224 SCRAM-SHA-1-PLUS SCRAM-SHA-1 DIGEST-MD5 CRAM-MD5 NTLM PLAIN LOGIN
# Tests log in as often as they like, and a wrong password is answered at once.
popminpoll: 0
failedloginpause: 0
# LMTP addresses carry no spaces: mail for folder "My Stuff" is sent to user+My_Stuff.
lmtp_fuzzy_mailbox_match: yes
syslog_prefix: tarnwick-cyrus
EOF
  # Every process is told where the configuration is: the master does not pass -C on. idled
  # tells an imapd in IDLE of new mail at once; without it imapd looks once a minute.
  local c="-C $dir/imapd.conf"
  cat > "$dir/cyrus.conf" <<EOF
START {
  recover cmd="$bin/ctl_cyrusdb $c -r"
}
SERVICES {
  imap cmd="$bin/imapd $c" listen="127.0.0.1:$imap" prefork=1
  imaps cmd="$bin/imapd $c -s" listen="127.0.0.1:$imaps" prefork=1
  pop3 cmd="$bin/pop3d $c" listen="127.0.0.1:$pop3" prefork=1
  pop3s cmd="$bin/pop3d $c -s" listen="127.0.0.1:$pop3s" prefork=1
  lmtpunix cmd="$bin/lmtpd $c" listen="$dir/conf/socket/lmtp" prefork=0
}
DAEMON {
  idled cmd="$bin/idled $c"
}
EOF
}

# Waits up to 20 s until master $1 has its IMAP, IMAPS, POP3 and POP3S ports $2 to $5 answering,
# and the sockets of lmtpd and idled.
wait_until_answering() {
  local deadline=$((SECONDS + 20))
  while [ "$SECONDS" -lt "$deadline" ]; do
    running "$1" || return 1
    if listeners_answer "$2" "$3" "$4" "$5" &&
       [ -S "$dir/conf/socket/lmtp" ] && [ -S "$dir/conf/socket/idle" ]; then return 0; fi
    sleep 0.1
  done
  return 1
}

start_server() {
  [ -x "$bin/master" ] || { echo "Cyrus is not unpacked in $root: run scripts/test-servers" >&2; return 1; }
  stop_server
  rm -rf "$dir"
  if [ "$run_user" = cyrus ] && ! getent passwd cyrus >/dev/null; then
    useradd --system --gid mail --home-dir /nonexistent --no-create-home \
      --shell /usr/sbin/nologin cyrus 2>/dev/null || getent passwd cyrus >/dev/null
  fi
  mkdir -p "$dir/conf/socket" "$dir/spool" "$dir/run"
  make_certificates "$dir"
  head -c 18 /dev/urandom | base64 > "$dir/admin.pw"
  touch "$dir/sasldb2.lock" "$dir/master.log"
  chmod 600 "$dir/admin.pw" "$dir/certs/server.key"
  chmod 755 "$dir"
  chown -R "$run_user" "$dir"
  as_cyrus test -w "$dir" ||
    { echo "$dir is out of reach of user $run_user: open its parent folders to others" >&2; return 1; }

  local imap imaps pop3 pop3s attempt master
  for attempt in 1 2 3 4 5; do
    { read -r imap; read -r imaps; read -r pop3; read -r pop3s; } < <(pick_ports 4)
    write_config "$imap" "$imaps" "$pop3" "$pop3s"
    set_password "$admin" "$(cat "$dir/admin.pw")"
    # The master keeps the descriptors it was given: none of the caller's, or CTest would wait.
    # Its -d would lose what it and the services say on failing, which -L keeps.
    setsid "$bin/master" -C "$dir/imapd.conf" -M "$dir/cyrus.conf" -p "$dir/run/master.pid" \
      -L "$dir/master.log" </dev/null >/dev/null 2>&1 &
    master=$!
    disown
    if wait_until_answering "$master" "$imap" "$imaps" "$pop3" "$pop3s"; then
      write_fixture_env "$dir" cyrus "$imap" "$imaps" "$pop3" "$pop3s" "$dir/run/master.pid" \
        SEPARATOR=. FOLDER_PREFIX=INBOX.
      return 0
    fi
    echo "attempt $attempt: cyrus did not come up on ports $imap/$imaps/$pop3/$pop3s" >&2
    stop_server
    # Another port only helps when one was taken meanwhile.
    grep -q 'in use' "$dir/master.log" || break
  done
  # The services repeat themselves while the master restarts them: each line once.
  awk '!seen[$0]++' "$dir/master.log" | tail -30 >&2
  return 1
}

# Sets the password of user $1 to $2 in the server's password database.
set_password() {
  printf '%s' "$2" | as_cyrus flock "$dir/sasldb2.lock" \
    saslpasswd2 -f "$dir/sasldb2" -u localhost -p -c "$1"
}

# The server's name of the user's folder $1, quoted for IMAP.
server_folder() {
  local name=INBOX
  [ "$1" = INBOX ] || name="INBOX.$1"
  name=${name//\\/\\\\}
  echo "\"${name//\"/\\\"}\""
}

# Logs in to IMAP as the administrator acting for user $1 (himself when $1 is empty), runs
# the commands that follow one by one and prints the server's untagged answers. Fails at the
# first command that is not answered OK.
imap_as() {
  local who=$1 fd line n=0 cmd port auth
  shift
  port=$(sed -n 's/^IMAP_PORT=//p' "$dir/fixture.env")
  exec {fd}<>"/dev/tcp/127.0.0.1/$port"
  read -r -t 5 line <&"$fd" || { echo "no greeting from cyrus on $port" >&2; return 1; }
  auth=$(printf '%s\0%s\0%s' "$who" "$admin" "$(cat "$dir/admin.pw")" | base64 -w0)
  for cmd in "AUTHENTICATE PLAIN $auth" "$@" LOGOUT; do
    n=$((n + 1))
    printf 't%d %s\r\n' "$n" "$cmd" >&"$fd"
    while read -r -t 5 line <&"$fd"; do
      line=${line%$'\r'}
      case $line in
        "t$n OK"*) continue 2 ;;
        "t$n "*) break ;;
        "* "*) [ "$cmd" = LOGOUT ] || echo "$line" ;;
      esac
    done
    exec {fd}<&-
    echo "cyrus answered ${cmd%% *} for ${who:-$admin} with: ${line:-nothing}" >&2
    return 1
  done
  exec {fd}<&-
}

need() { [ "$(($# - 1))" -eq "$1" ] || usage; }

case "$action" in
  start) need 0 "${@:3}"; start_server ;;
  stop) need 0 "${@:3}"; stop_server ;;
  user)
    need 2 "${@:3}"
    # A dot would make the name a folder of another user.
    [[ $3 != *[.\ /]* ]] || { echo "user names take no dots, spaces or slashes: $3" >&2; exit 2; }
    set_password "$3" "$4"
    imap_as "" "CREATE user.$3"
    ;;
  folder)
    need 2 "${@:3}"
    # Other names would need modified UTF-7 on the way in.
    LC_ALL=C; [[ $4 =~ ^[\ -~]+$ ]] || { echo "folder names are printable ASCII: $4" >&2; exit 2; }
    imap_as "$3" "CREATE $(server_folder "$4")" "SUBSCRIBE $(server_folder "$4")"
    ;;
  deliver)
    need 2 "${@:3}"
    # Mail for a folder that is not there would go to the INBOX: a mistake in a test, not
    # mail. The sender is the user himself, who may post to his folders.
    folder=()
    if [ "$4" != INBOX ]; then
      imap_as "$3" "STATUS $(server_folder "$4") (MESSAGES)" >/dev/null
      folder=(-m "${4// /_}")
    fi
    as_cyrus "$bin/deliver" -C "$dir/imapd.conf" -a "$3" "${folder[@]}" "$3"
    ;;
  count)
    need 2 "${@:3}"
    imap_as "$3" "STATUS $(server_folder "$4") (MESSAGES)" | sed -n 's/.*(MESSAGES \([0-9]*\)).*/\1/p'
    ;;
  *) usage ;;
esac
