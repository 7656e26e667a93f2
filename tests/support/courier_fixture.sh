#!/usr/bin/env bash
# Runs a private Courier IMAP and Courier POP3 server for the tests, from the packages that
# scripts/test-servers unpacks into build/test-servers/courier (never installed).
#
#   courier_fixture.sh start DIR                 make DIR afresh and start IMAP and POP3, each plain
#                                                (STARTTLS/STLS offered) and implicit TLS, on free
#                                                127.0.0.1 ports; wait until all four answer
#   courier_fixture.sh stop DIR                  stop every process start began (DIR is kept)
#   courier_fixture.sh user DIR NAME PASSWORD    a user with an empty Maildir
#   courier_fixture.sh folder DIR NAME FOLDER    a subscribed folder ("Work" is listed INBOX.Work)
#   courier_fixture.sh deliver DIR NAME FOLDER   deliver the message on standard input (tmp, new)
#   courier_fixture.sh count DIR NAME FOLDER     print how many messages FOLDER holds
#   (courier_fixture.sh serve DIR PORTS...       inside the namespaces below; start runs it)
#
# DIR/fixture.env then holds SERVER HOST IMAP_PORT IMAPS_PORT POP3_PORT POP3S_PORT CA_FILE PID_FILE.
#
# Courier's authentication library reaches authdaemond through a socket whose path is built in
# (/run/courier/authdaemon/socket), and authdaemond and its userdb read /etc/courier. So the servers
# run in their own mount and process namespaces (root only), where DIR/etc is /etc/courier and
# DIR/run is /run/courier: several fixtures can run at once and none touches the machine's own
# files, except that the two empty folders to mount over are made if missing. Ending the
# namespace's first process ends every process in it. Mail belongs to the "mail" user, who must
# be able to reach DIR. Courier answers a failed login after 5 s, whatever the configuration.
set -euo pipefail

usage() {
  echo "usage: $0 start|stop DIR | user DIR NAME PASSWORD | folder|deliver|count DIR NAME FOLDER" \
    >&2
  exit 2
}
action=${1:-}
dir=${2:-}
[ -n "$dir" ] || usage
dir=$(realpath -m "$dir")
self=$(realpath "$0")
here=$(dirname "$self")
root=${COURIER_ROOT:-${TARNWICK_TEST_SERVERS:-$here/../../build/test-servers}/courier}
root=$(realpath -m "$root")

source "$here/fixture_lib.sh"

mail_user=mail
lib_path=$root/usr/lib:$root/usr/lib/courier-authlib

stop_server() { stop_pidfile "$dir/courier.pid" courier_fixture; }

# The Maildir of user $1's folder $2: INBOX, or a folder as a client names it ("Work", "Work/Sub",
# or Courier's own "INBOX.Work").
folder_path() {
  local name=$2
  name=${name#INBOX.}
  name=${name//\//.}
  if [ "${name^^}" = INBOX ]; then name=; else name=/.$name; fi
  echo "$dir/home/$1/Maildir$name"
}

# userdb.dat and userdbshadow.dat from the one-line files in DIR/users and DIR/shadow. authdaemond
# reopens them when the file it has open was replaced, so a new user can log in at once.
rebuild_userdb() {
  (
    flock 9
    umask 077
    make_dat users userdb.dat
    make_dat shadow userdbshadow.dat
  ) 9>"$dir/etc/userdb.lock"
}

make_dat() {
  { cat "$dir/$1"/* 2>/dev/null || true; echo .; } |
    LD_LIBRARY_PATH=$lib_path "$root/usr/lib/courier/courier-authlib/makedatprog" - \
      "$dir/etc/$2.tmp" "$dir/etc/$2"
}

write_config() {
  cat > "$dir/etc/authdaemonrc" <<EOF
authmodulelist="authuserdb"
daemons=3
authdaemonvar=/run/courier/authdaemon
DEBUG_LOGIN=0
DEFAULTOPTIONS=""
EOF
  # Debian's /etc/courier/imapd, imapd-ssl, pop3d and pop3d-ssl, less what needs a real system.
  # imapd watches folders through Gamin (for its locks, and for IDLE when enhanced); a gam_server
  # serves all processes of a user and GAM_CLIENT_ID, so each fixture has its own.
  # Without IMAP_ENHANCEDIDLE (Debian's default) IDLE looks at the folder every
  # IMAP_IDLE_TIMEOUT seconds: 60 in Debian, 1 here so that a delivery is told within a second.
  cat > "$dir/etc/courier.env" <<EOF
IMAP_CAPABILITY="IMAP4rev1 UIDPLUS CHILDREN NAMESPACE THREAD=ORDEREDSUBJECT THREAD=REFERENCES \
SORT QUOTA IDLE"
IMAP_CAPABILITY_TLS="\$IMAP_CAPABILITY AUTH=PLAIN"
IMAP_KEYWORDS=1
IMAP_ACL=1
IMAP_IDLE_TIMEOUT=1
IMAP_ENHANCEDIDLE=0
IMAP_MAILBOX_SANITY_CHECK=1
IMAP_USELOCKS=1
IMAP_SHAREDINDEXFILE=/etc/courier/shared/index
IMAP_TRASHFOLDERNAME=Trash
IMAP_EMPTYTRASH=Trash:7
IMAP_MOVE_EXPUNGE_TO_TRASH=0
IMAP_TLS_REQUIRED=0
POP3AUTH=""
POP3AUTH_TLS=""
POP3_TLS_REQUIRED=0
MIME_UNICODE_MESSAGE_TYPE=message/global
COURIERTLS=$root/usr/bin/couriertls
TLS_CERTFILE=/etc/courier/server.pem
TLS_PRIORITY=NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2
TLS_TRUSTCERTS=/etc/ssl/certs/ca-certificates.crt
TLS_VERIFYPEER=NONE
TLS_CACHEFILE=/run/courier/tlscache
HOSTNAME=localhost
GAM_CLIENT_ID=$(printf %s "$dir" | sha256sum | cut -c1-16)
EOF
}

# Inside the namespaces: mount, then authdaemond and one couriertcpd a listener. When any of them
# ends, all end.
serve() {
  local imap=$3 imaps=$4 pop3=$5 pop3s=$6
  trap 'exit 0' TERM INT
  mount --bind "$dir/etc" /etc/courier
  mount --bind "$dir/run" /run/courier
  # STARTTLS runs couriertls as the user "courier", whom Debian's packages would have added.
  if ! getent passwd courier >/dev/null; then
    local uid gid
    uid=$(id -u "$mail_user") gid=$(id -g "$mail_user")
    { cat /etc/passwd; echo "courier:x:$uid:$gid::/nonexistent:/usr/sbin/nologin"; } \
      > "$dir/run/passwd"
    { cat /etc/group; echo "courier:x:$gid:"; } > "$dir/run/group"
    mount --bind "$dir/run/passwd" /etc/passwd
    mount --bind "$dir/run/group" /etc/group
  fi
  chown courier "$dir/etc/server.pem"
  cd /
  set -a
  # shellcheck disable=SC1091
  source /etc/courier/courier.env
  set +a
  export LD_LIBRARY_PATH=$lib_path LTDL_LIBRARY_PATH=$root/usr/lib/courier-authlib
  touch /run/courier/tlscache
  chown courier /run/courier/tlscache
  "$root/usr/lib/courier/courier-authlib/authdaemond" &
  for _ in $(seq 1 50); do [ -S /run/courier/authdaemon/socket ] && break; sleep 0.1; done

  local tcpd=("$root/usr/sbin/couriertcpd" -address=127.0.0.1 -maxprocs=200 -maxperip=200
              -nodnslookup -noidentlookup)
  local tls=("$COURIERTLS" -server -tcpd)
  local imapd=("$root/usr/lib/courier/courier/imaplogin" "$root/usr/bin/imapd" Maildir)
  local pop3d=("$root/usr/lib/courier/courier/courierpop3login"
               "$root/usr/lib/courier/courier/courierpop3d" Maildir)
  IMAP_STARTTLS=YES "${tcpd[@]}" "$imap" "${imapd[@]}" &
  IMAP_TLS=1 IMAP_STARTTLS=NO "${tcpd[@]}" "$imaps" "${tls[@]}" "${imapd[@]}" &
  POP3_STARTTLS=YES "${tcpd[@]}" "$pop3" "${pop3d[@]}" &
  POP3_TLS=1 POP3_STARTTLS=NO "${tcpd[@]}" "$pop3s" "${tls[@]}" "${pop3d[@]}" &
  wait -n || true
  echo "a Courier server ended (a port taken?): stopping them all"
  exit 1
}

# Until the four ports answer, or the servers of pid $5 have given up.
wait_until_answering() {
  for _ in $(seq 1 100); do
    listeners_answer "$1" "$2" "$3" "$4" && return 0
    kill -0 "$5" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

start_server() {
  if [ "$(id -u)" -ne 0 ]; then  # its tests are skipped, saying why
    rm -rf "$dir" && mkdir -p "$dir"
    echo "UNAVAILABLE=Courier's test server runs in namespaces of its own: it needs root" \
      > "$dir/fixture.env"
    echo "courier not started: it needs root"
    return 0
  fi
  [ -x "$root/usr/sbin/couriertcpd" ] ||
    { echo "$0: no Courier in $root: run scripts/test-servers" >&2; exit 1; }
  stop_server
  rm -rf "$dir"
  mkdir -p "$dir/etc" "$dir/run/authdaemon" "$dir/home" "$dir/users" "$dir/shadow"
  mkdir -p /etc/courier /run/courier
  chmod 755 "$dir" "$dir/home"
  make_certificates "$dir"
  cat "$dir/certs/server.key" "$dir/certs/server.crt" > "$dir/etc/server.pem"
  chmod 600 "$dir/etc/server.pem"
  write_config
  rebuild_userdb

  local imap imaps pop3 pop3s attempt pid launcher
  for attempt in 1 2; do
    read -r imap imaps pop3 pop3s <<<"$(pick_ports 4 | tr '\n' ' ')"
    # In a session of their own, like any daemon, and with no descriptor of the caller's, or
    # CTest would wait for them.
    setsid unshare --mount --propagation private --pid --fork --kill-child \
      "$self" serve "$dir" "$imap" "$imaps" "$pop3" "$pop3s" </dev/null >>"$dir/courier.log" 2>&1 &
    launcher=$!
    pid=
    for _ in $(seq 1 50); do
      read -r pid _ < "/proc/$launcher/task/$launcher/children" 2>/dev/null || true
      [ -n "$pid" ] && break
      sleep 0.02
    done
    echo "$pid" > "$dir/courier.pid"
    if [ -n "$pid" ] && wait_until_answering "$imap" "$imaps" "$pop3" "$pop3s" "$pid"; then
      write_fixture_env "$dir" courier "$imap" "$imaps" "$pop3" "$pop3s" "$dir/courier.pid"
      return 0
    fi
    echo "attempt $attempt: courier did not come up on ports $imap/$imaps/$pop3/$pop3s" >&2
    stop_server
    kill -9 "$launcher" 2>/dev/null || true
  done
  tail -30 "$dir/courier.log" >&2
  return 1
}

# A Maildir as Courier leaves it once opened: its UID list already begun, so that UIDVALIDITY
# stays the same from the first STATUS on (without it, STATUS makes one up every time, and the
# first SELECT another).
make_maildir() {
  mkdir -p "$1/cur" "$1/new" "$1/tmp"
  [ -e "$1/courierimapuiddb" ] || echo "1 $(($(date +%s) - 1000000000)) 1" > "$1/courierimapuiddb"
  chown -R "$mail_user:$mail_user" "$1"
}

add_user() {
  local name=$1 password=$2 home=$dir/home/$1 hash
  [[ $name =~ ^[A-Za-z0-9._@+-]+$ ]] || { echo "$0: bad user name: $name" >&2; exit 2; }
  mkdir -p "$home"
  make_maildir "$home/Maildir"
  chown "$mail_user:$mail_user" "$home"
  hash=$(printf '%s' "$password" | openssl passwd -6 -stdin)
  printf '%s\tuid=%s|gid=%s|home=%s|mail=%s\n' "$name" "$(id -u "$mail_user")" \
    "$(id -g "$mail_user")" "$home" "$home/Maildir" > "$dir/users/$name"
  (umask 077; printf '%s\tsystempw=%s\n' "$name" "$hash" > "$dir/shadow/$name")
  rebuild_userdb
}

add_folder() {
  local path name=${2#INBOX.} subscribed=$dir/home/$1/Maildir/courierimapsubscribed
  name=INBOX.${name//\//.}
  path=$(folder_path "$1" "$2")
  [ -d "$dir/home/$1/Maildir" ] || { echo "$0: no user $1" >&2; exit 1; }
  make_maildir "$path"
  touch "$path/maildirfolder" "$subscribed"
  grep -qxF "$name" "$subscribed" || echo "$name" >> "$subscribed"
  chown "$mail_user:$mail_user" "$path/maildirfolder" "$subscribed"
}

# As a delivery agent does: written under tmp/, then moved to new/ in one step. Stored with LF
# line ends, as Courier's own deliverquota stores mail; the servers send CR LF.
deliver() {
  local path now unique
  path=$(folder_path "$1" "$2")
  [ -d "$path/new" ] || { echo "$0: no folder $2 for $1" >&2; exit 1; }
  # Courier gives new messages their UIDs in the order of these names: seconds, then microseconds.
  now=$(date +%s.%N)
  unique="${now%.*}.M${now:${#now}-9:6}P$$R$RANDOM.localhost"
  sed 's/\r$//' > "$path/tmp/$unique"
  chown "$mail_user:$mail_user" "$path/tmp/$unique"
  mv "$path/tmp/$unique" "$path/new/$unique"
}

count() {
  local path
  path=$(folder_path "$1" "$2")
  find "$path/cur" "$path/new" -maxdepth 1 -type f ! -name '.*' | wc -l
}

case "$action:$#" in
  start:2) start_server ;;
  stop:2) stop_server ;;
  serve:6) serve "$@" ;;
  user:4) add_user "$3" "$4" ;;
  folder:4) add_folder "$3" "$4" ;;
  deliver:4) deliver "$3" "$4" ;;
  count:4) count "$3" "$4" ;;
  *) usage ;;
esac
