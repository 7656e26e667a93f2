#!/usr/bin/env bash
# Starts or stops a private Dovecot POP3 and IMAP server for the tests.
#
#   dovecot_fixture.sh start DIR   make DIR afresh (config, CA, certificates, passwd-file,
#                                  homes), start Dovecot on four free 127.0.0.1 ports (POP3 and
#                                  IMAP, each plain and implicit TLS) and wait until all answer
#   dovecot_fixture.sh stop DIR    stop the Dovecot of DIR (the folder is kept for a look)
#
# DIR/fixture.env then holds what the tests need, one KEY=VALUE a line:
#   HOST PLAIN_PORT TLS_PORT IMAP_PORT IMAPS_PORT CA_FILE SELF_SIGNED_CERT SELF_SIGNED_KEY
#   USERS_DIR HOME_ROOT
#   MAIL_UID MAIL_GID
# Users and messages are added by the tests themselves (tests/support/mail_fixture.h).
# With OAUTH2_INTROSPECTION_URL set, the users log in with XOAUTH2 or OAUTHBEARER only: the
# passdb asks that address about every token (tests/support/oauth_fixture.sh).
# Run as root, the mail folders belong to the dovecot user; otherwise Dovecot runs as the
# calling user.
set -euo pipefail

action=${1:-}
dir=${2:-}
[ -n "$action" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
dir=$(realpath -m "$dir")
dovecot_bin=${DOVECOT:-/usr/sbin/dovecot}

source "$(dirname "$(realpath "$0")")/fixture_lib.sh"

stop_server() {
  stop_pidfile "$dir/run/master.pid" dovecot
}

write_config() {
  local plain=$1 tls=$2 imap=$3 imaps=$4 user=$5 group=$6 login_user=$7
  local mechanisms="plain apop"
  local passdb="passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $dir/users/%u
}"
  if [ -n "${OAUTH2_INTROSPECTION_URL:-}" ]; then
    mechanisms="xoauth2 oauthbearer"
    passdb="passdb {
  driver = oauth2
  mechanisms = xoauth2 oauthbearer
  args = $dir/dovecot-oauth2.conf.ext
}"
    printf '%s\n' "introspection_mode = auth" "introspection_url = $OAUTH2_INTROSPECTION_URL" \
      "username_attribute = username" "active_attribute = active" "active_value = true" \
      > "$dir/dovecot-oauth2.conf.ext"
  fi
  cat > "$dir/dovecot.conf" <<EOF
base_dir = $dir/run
state_dir = $dir/state
instance_name = tarnwick-test-$$
log_path = $dir/dovecot.log
protocols = pop3 imap
listen = 127.0.0.1
ssl = yes
ssl_cert = <$dir/certs/server.crt
ssl_key = <$dir/certs/server.key
ssl_min_protocol = TLSv1.2
disable_plaintext_auth = no
auth_mechanisms = $mechanisms
# Failed logins are answered at once: no growing penalty for the many tests from 127.0.0.1.
auth_failure_delay = 0
login_trusted_networks = 127.0.0.0/8
first_valid_uid = 1
last_valid_uid = 0
first_valid_gid = 1
default_internal_user = $user
default_internal_group = $group
default_login_user = $login_user
mail_location = maildir:~/Maildir
# Junk and Trash are marked with their special use (RFC 6154) wherever a user makes them. NOTIFY
# needs the folder list index; a user whose passwd-file line says userdb_mailbox_list_index=no
# has none, and NOTIFY SET is refused to that user alone (the IDLE-only path).
mailbox_list_index = yes
namespace inbox {
  inbox = yes
  mailbox Junk {
    special_use = \\Junk
  }
  mailbox Trash {
    special_use = \\Trash
  }
}
pop3_uidl_format = %08Xu%08Xv
$passdb
userdb {
  driver = passwd-file
  args = username_format=%u $dir/users/%u
  default_fields = uid=$user gid=$group
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $plain
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = $tls
    ssl = yes
  }
  # One login process serves every connection, as on busy servers: its TLS session tickets
  # let a later connection resume.
  service_count = 0
  process_min_avail = 1
  # chroot needs root; the fixture also runs as an ordinary user.
  chroot =
}
service anvil {
  chroot =
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
service imap-login {
  inet_listener imap {
    address = 127.0.0.1
    port = $imap
  }
  inet_listener imaps {
    address = 127.0.0.1
    port = $imaps
    ssl = yes
  }
  service_count = 0
  process_min_avail = 1
  chroot =
}
EOF
}

wait_until_answering() {
  for _ in $(seq 1 100); do
    if port_greets "$1" "+OK" 2>/dev/null && port_answers "$2" && port_answers "$3" &&
       port_answers "$4"; then return 0; fi
    sleep 0.1
  done
  return 1
}

start_server() {
  stop_server
  rm -rf "$dir"
  mkdir -p "$dir/run" "$dir/state" "$dir/home"
  make_certificates "$dir"

  local user group login_user
  if [ "$(id -u)" -eq 0 ] && getent passwd dovecot >/dev/null; then
    user=dovecot
    group=$(id -gn dovecot)
    login_user=$(getent passwd dovenull >/dev/null && echo dovenull || echo dovecot)
  else
    user=$(id -un)
    group=$(id -gn)
    login_user=$user
  fi
  # One passwd-file per user: Dovecot looks at a changed file at most once a second, but a
  # new file at once, so a test can log in right after adding its user.
  mkdir -p "$dir/users"
  chmod 755 "$dir" "$dir/home" "$dir/users"
  chown "$user:$group" "$dir/home" "$dir/users" "$dir/state"

  local plain tls imap imaps attempt
  for attempt in 1 2 3 4 5; do
    plain=$(pick_port)
    tls=$(pick_port)
    imap=$(pick_port)
    imaps=$(pick_port)
    [ "$(printf '%s\n' "$plain" "$tls" "$imap" "$imaps" | sort -u | wc -l)" -eq 4 ] || continue
    write_config "$plain" "$tls" "$imap" "$imaps" "$user" "$group" "$login_user"
    # Dovecot keeps the descriptors it was given: none of the caller's, or CTest would wait.
    if "$dovecot_bin" -c "$dir/dovecot.conf" </dev/null >>"$dir/start.log" 2>&1 &&
       wait_until_answering "$plain" "$tls" "$imap" "$imaps"; then
      cat > "$dir/fixture.env" <<EOF
HOST=127.0.0.1
PLAIN_PORT=$plain
TLS_PORT=$tls
IMAP_PORT=$imap
IMAPS_PORT=$imaps
CA_FILE=$dir/certs/ca.crt
SELF_SIGNED_CERT=$dir/certs/self.crt
SELF_SIGNED_KEY=$dir/certs/self.key
USERS_DIR=$dir/users
HOME_ROOT=$dir/home
MAIL_UID=$(id -u "$user")
MAIL_GID=$(getent group "$group" | cut -d: -f3)
EOF
      echo "dovecot answering on 127.0.0.1: POP3 $plain and $tls (TLS), IMAP $imap and $imaps (TLS); details in $dir/fixture.env"
      return 0
    fi
    echo "attempt $attempt: dovecot did not come up on ports $plain/$tls/$imap/$imaps" >&2
    stop_server
  done
  [ -f "$dir/dovecot.log" ] && tail -30 "$dir/dovecot.log" >&2
  return 1
}

case "$action" in
  start) start_server ;;
  stop) stop_server ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
