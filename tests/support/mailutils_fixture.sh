#!/usr/bin/env bash
# Runs GNU mailutils' imap4d and pop3d privately for the tests, from the packages that
# scripts/test-servers unpacks into build/test-servers/mailutils (they conflict with Dovecot's).
#
#   mailutils_fixture.sh start DIR                make DIR afresh and start both servers on four
#                                                 free 127.0.0.1 ports, waiting until all answer
#   mailutils_fixture.sh stop DIR                 stop them and every session they forked
#   mailutils_fixture.sh user DIR NAME PASSWORD   a user with an empty INBOX
#   mailutils_fixture.sh folder DIR NAME FOLDER   an empty, subscribed folder of that user
#   mailutils_fixture.sh deliver DIR NAME FOLDER  deliver the message on standard input
#   mailutils_fixture.sh count DIR NAME FOLDER    print the number of messages in FOLDER
#
# DIR/fixture.env then holds, one KEY=VALUE a line: SERVER HOST IMAP_PORT (STARTTLS offered)
# IMAPS_PORT POP3_PORT (STLS offered) POP3S_PORT CA_FILE PID_FILE (imap4d's; pop3d's is beside it).
#
# Users live in a virtual domain password file, DIR/users/localhost, not in /etc/passwd. Their
# mail is under DIR/mail/NAME, INBOX and each folder an MH directory (a file a message, named by
# its UID), delivered to by mailutils' own putmail. MH is the one format of mailutils 3.15 that
# keeps UIDVALIDITY: its maildir renews it whenever STATUS finds a message in new/, its mbox
# whenever a session that saw a message arrive closes the mailbox, and for every look at an
# empty mbox. The servers and the mail run as the calling user.
set -euo pipefail
shopt -s inherit_errexit

action=${1:-}
dir=${2:-}
usage="usage: $0 start|stop DIR | user DIR NAME PASSWORD | folder|deliver|count DIR NAME FOLDER"
[ -n "$action" ] && [ -n "$dir" ] || { echo "$usage" >&2; exit 2; }
dir=$(realpath -m "$dir")
here=$(dirname "$(realpath "$0")")
mailutils=$(realpath -m "${TARNWICK_TEST_SERVERS:-$here/../../build/test-servers}/mailutils")

source "$here/fixture_lib.sh"

# Pids of the processes whose command line names this DIR's configuration: the two daemons and
# the sessions they forked, even when a daemon has already gone.
our_processes() {
  local p comm
  for p in $(grep -lzF -e "--config-file=$dir/imap4d.conf" -e "--config-file=$dir/pop3d.conf" \
               /proc/[0-9]*/cmdline 2>/dev/null | cut -d/ -f3); do
    read -r comm 2>/dev/null < "/proc/$p/comm" || continue
    [[ $comm == imap4d || $comm == pop3d ]] && echo "$p"
  done
  return 0
}

stop_servers() {
  local pids
  pids=$(our_processes)
  [ -n "$pids" ] || { rm -f "$dir/imap4d.pid" "$dir/pop3d.pid"; return 0; }
  kill $pids 2>/dev/null || true
  for _ in $(seq 1 50); do
    pids=$(our_processes)
    [ -n "$pids" ] || break
    sleep 0.1
  done
  [ -z "$pids" ] || kill -9 $pids 2>/dev/null || true
  rm -f "$dir/imap4d.pid" "$dir/pop3d.pid"
}

# write_config NAME PLAIN_PORT TLS_PORT: DIR/NAME.conf for imap4d or pop3d.
write_config() {
  local name=$1 plain=$2 tls=$3 extra=
  # The user's folders are the directories beside INBOX, "/" between levels.
  [ "$name" = imap4d ] && extra="namespace personal {
  prefix \"\" { directory \"\$home\"; delimiter \"/\"; mailbox-type mh; };
};"
  # APOP, which pop3d offers in every greeting, looks the plain password up in a DBM file.
  [ "$name" = pop3d ] && extra="apop-database-file \"$dir/users/apop.db\";
apop-database-owner $(id -u);"
  cat > "$dir/$name.conf" <<EOF
logging { syslog false; severity info; };
pidfile "$dir/$name.pid";
max-children 200;
tcp-wrappers { enable false; };
auth {
  authentication clear;
  authentication generic;
  authorization clear;
  authorization virtdomain;
};
virtdomain { passwd-dir "$dir/users"; };
gsasl { cram-passwd "$dir/users/plain"; };
mailbox { mailbox-type mh; };
# pop3d locks a directory mailbox with a file in this directory (by default under /var/lock).
mandatory-locking { lock-directory "$dir/locks"; };
tls {
  ssl-certificate-file "$dir/certs/server.crt";
  ssl-key-file "$dir/certs/server.key";
};
$extra
server 127.0.0.1:$plain { tls-mode ondemand; backlog 128; };
server 127.0.0.1:$tls { tls-mode connection; backlog 128; };
EOF
}

# run_daemon NAME: starts imap4d or pop3d in the background, in a session of its own, and
# adds its pid to $daemons.
run_daemon() {
  local name=$1
  # A user name without a domain is looked up in the password file named after the local
  # address of standard input (virtdomain's rule for inetd mode). A daemon's standard input
  # is this UDP socket on 127.0.0.1, so bare names are found in users/localhost (or
  # users/127.0.0.1). Connecting a UDP socket sends nothing. No other descriptor of the
  # caller is kept, or CTest would wait for the daemons.
  (
    for fd in /proc/self/fd/*; do
      fd=${fd##*/}
      [ "$fd" -gt 2 ] && eval "exec $fd>&-" 2>/dev/null || true
    done
    exec setsid "$mailutils/usr/sbin/$name" --no-site-config --config-file="$dir/$name.conf" \
      --daemon --foreground 0<>/dev/udp/127.0.0.1/9 >>"$dir/$name.log" 2>&1
  ) &
  daemons+=("$!")
}

# True once every listener answers, until $deadline; false at once if a daemon has exited
# (a port taken since it was picked, say).
wait_until_answering() {
  local pid
  while [ "$SECONDS" -lt "$deadline" ]; do
    for pid in "${daemons[@]}"; do kill -0 "$pid" 2>/dev/null || return 1; done
    if listeners_answer "$imap" "$imaps" "$pop3" "$pop3s" && [ -s "$dir/imap4d.pid" ] &&
       { [ "$pop3" -eq 0 ] || [ -s "$dir/pop3d.pid" ]; }; then
      return 0
    fi
    sleep 0.1
  done
  return 1
}

start_servers() {
  [ -x "$mailutils/usr/sbin/imap4d" ] && [ -x "$mailutils/usr/sbin/pop3d" ] ||
    { echo "mailutils servers not unpacked in $mailutils: run scripts/test-servers" >&2; exit 1; }
  stop_servers
  rm -rf "$dir"
  mkdir -p "$dir/users" "$dir/mail" "$dir/locks"
  make_certificates "$dir"
  chmod 600 "$dir/certs/"*.key
  : > "$dir/users/localhost"
  : > "$dir/users/plain"
  chmod 600 "$dir/users/plain"
  ln -s localhost "$dir/users/127.0.0.1"

  # pop3d will not run unless it can make "mail" its group: as root, or for a user whose own
  # group that is. Without it there is no POP3, and its ports are 0.
  local with_pop3=yes
  [ "$(id -u)" -eq 0 ] || [ "$(id -g)" = "$(getent group mail | cut -d: -f3)" ] || with_pop3=

  local imap imaps pop3 pop3s attempt daemons deadline=$((SECONDS + 20))
  for attempt in 1 2 3 4 5; do
    read -r -d '' imap imaps pop3 pop3s < <(pick_ports 4) || true
    [ -n "$with_pop3" ] || { pop3=0; pop3s=0; }
    daemons=()
    write_config imap4d "$imap" "$imaps"
    run_daemon imap4d
    if [ -n "$with_pop3" ]; then
      write_config pop3d "$pop3" "$pop3s"
      run_daemon pop3d
    fi
    if wait_until_answering; then
      write_fixture_env "$dir" mailutils "$imap" "$imaps" "$pop3" "$pop3s" "$dir/imap4d.pid"
      [ -n "$with_pop3" ] || echo "no POP3: pop3d needs root or the mail group"
      return 0
    fi
    echo "attempt $attempt: mailutils did not come up on ports $imap/$imaps/$pop3/$pop3s" >&2
    stop_servers
    [ "$SECONDS" -lt "$deadline" ] || break
  done
  tail -n 15 "$dir/imap4d.log" "$dir/pop3d.log" >&2 2>/dev/null || true
  return 1
}

# An empty MH folder. The servers tell MH from the other formats by its files: without
# .mh_sequences an empty directory is \NoSelect to imap4d, and pop3d cannot open it.
make_mh() {
  mkdir -p "$1"
  touch "$1/.mh_sequences"
}

# The password files are rewritten whole under a lock, so that tests may add users in parallel
# and a server never reads half a file.
add_user() {
  local name=$1 password=$2 home=$dir/mail/$1 hash ids
  [[ $name =~ ^[A-Za-z0-9._-]+$ ]] || { echo "unusable user name: $name" >&2; exit 2; }
  hash=$(printf '%s' "$password" | openssl passwd -6 -stdin)
  ids=$(stat -c %u:%g "$dir/mail")
  rm -rf "$home/INBOX"
  make_mh "$home/INBOX"
  (
    flock 9
    { grep -v "^$name:" "$dir/users/localhost" || true
      echo "$name:$hash:$ids::$home:/bin/false"; } > "$dir/users/localhost.new"
    mv "$dir/users/localhost.new" "$dir/users/localhost"
    # The plain passwords, for the SASL mechanisms that need them (CRAM-MD5, SCRAM).
    { grep -v "^$name	" "$dir/users/plain" || true
      printf '%s\t%s\n' "$name" "$password"; } > "$dir/users/plain.new"
    chmod 600 "$dir/users/plain.new"
    mv "$dir/users/plain.new" "$dir/users/plain"
    "$mailutils/usr/bin/popauth" --delete --user="$name" --file="$dir/users/apop.db" \
      >/dev/null 2>&1 || true
    "$mailutils/usr/bin/popauth" --add --user="$name" --password="$password" \
      --file="$dir/users/apop.db"
  ) 9>"$dir/users/.lock"
}

# mailbox NAME FOLDER: the directory of a user's mailbox.
mailbox() {
  [ -d "$dir/mail/$1" ] || { echo "no user $1 in $dir" >&2; exit 1; }
  [[ $2 != *..* && $2 != /* ]] || { echo "unusable folder name: $2" >&2; exit 2; }
  if [ "${2^^}" = INBOX ]; then echo "$dir/mail/$1/INBOX"; else echo "$dir/mail/$1/$2"; fi
}

# existing NAME FOLDER: the directory of a mailbox made before.
existing() {
  local folder
  folder=$(mailbox "$1" "$2")
  [ -d "$folder" ] || { echo "no folder $2 for $1 in $dir" >&2; exit 1; }
  echo "$folder"
}

add_folder() {
  local folder
  folder=$(mailbox "$1" "$2")
  make_mh "$folder"
  # imap4d keeps the subscriptions as NUL-terminated name and (empty) value pairs.
  printf '%s\0\0' "$2" >> "$dir/mail/$1/.mu-subscr"
}

deliver() {
  local folder
  folder=$(existing "$1" "$2")
  # putmail numbers the message after the folder's highest UID so far (kept in .mu-prop, so
  # never one of an expunged message), as mailutils' delivery agents do: it writes a temporary
  # file and renames it to the number, so a server never reads half a message. It takes no
  # lock, and two at once could pick one number: deliveries here wait for each other.
  # MH keeps LF line ends.
  (
    flock 9
    sed 's/\r$//' | "$mailutils/usr/bin/putmail" --no-site-config "mh://$folder"
  ) 9>"$dir/locks/deliver"
}

# Messages are the files named by a number; an expunged one stays as ",UID" for a while.
count() {
  local folder
  folder=$(existing "$1" "$2")
  find "$folder" -maxdepth 1 -type f -regex '.*/[0-9]+' | wc -l
}

case "$action" in
  start) start_servers ;;
  stop) stop_servers ;;
  user) [ $# -eq 4 ] || { echo "$usage" >&2; exit 2; }; add_user "$3" "$4" ;;
  folder) [ $# -eq 4 ] || { echo "$usage" >&2; exit 2; }; add_folder "$3" "$4" ;;
  deliver) [ $# -eq 4 ] || { echo "$usage" >&2; exit 2; }; deliver "$3" "$4" ;;
  count) [ $# -eq 4 ] || { echo "$usage" >&2; exit 2; }; count "$3" "$4" ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
