#!/usr/bin/env bash
# Runs an installed Tarnwick from a read-only tree as a user with an empty home:
#   installed_mode_test.sh PREFIX    (PREFIX/bin/tarnwick, PREFIX/share/tarnwick, ...)
# tarnwick-check and the program (offscreen) must keep the settings and the language file in
# $HOME/.config/tarnwick, take the Czech texts for a Czech locale, and write nothing into
# the installed tree.
set -euo pipefail
prefix=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-installed-XXXXXX")
cleanup() {
  [ -n "${program:-}" ] && kill "$program" 2> /dev/null || true
  chmod -R u+w "$prefix"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

chmod -R a-w "$prefix"
snapshot() { (cd "$prefix" && find . -printf '%p %s %T@\n' | sort); }
before=$(snapshot)

mkdir -p "$work/home" "$work/tmp"
# (bash warns when the locale itself is not generated; the program only reads the name)
{
  unset XDG_CONFIG_HOME LC_ALL LC_MESSAGES
  export HOME=$work/home TMPDIR=$work/tmp LANG=cs_CZ.UTF-8 QT_QPA_PLATFORM=offscreen
} 2> /dev/null
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
config=$HOME/.config/tarnwick

# tarnwick-check: the first start creates the folder and the Czech language file there.
"$prefix/bin/tarnwick-check" > "$work/check.out" || fail "tarnwick-check without accounts failed"
[ -f "$config/vellmoar.lng" ] || fail "no language file in $config"
cmp -s "$config/vellmoar.lng" "$prefix/share/tarnwick/lang/cs.lng" || fail "the language file is not the Czech one"

# It reads its settings from there.
printf '[EML_POP_EXAMPLE_ORG_ANN]\r\nEMAIL=ann@example.org\r\nHOST=pop.example.org\r\nUSERNAME=ann\r\nPORT=110\r\nENABLED=0\r\n' \
  > "$config/vellmoor.ini"
"$prefix/bin/tarnwick-check" > "$work/check.out" || fail "tarnwick-check with a disabled account failed"
grep -q "^ann@example.org.*disabled" "$work/check.out" || { cat "$work/check.out"; fail "the account of $config/vellmoor.ini was not read"; }

# The program: started, then ended by SIGTERM as a session end does, which writes the
# language file back enciphered.
"$prefix/bin/tarnwick" /1 > "$work/program.out" 2>&1 &
program=$!
sleep 4
kill -0 "$program" 2> /dev/null || { cat "$work/program.out"; fail "the program did not keep running"; }
kill -TERM "$program"
for _ in $(seq 50); do kill -0 "$program" 2> /dev/null || break; sleep 0.2; done
wait "$program" || { cat "$work/program.out"; fail "the program did not end cleanly"; }
program=
grep -q '^Error=?' "$config/vellmoar.lng" || fail "the language file in $config was not written back"

after=$(snapshot)
[ "$before" = "$after" ] || { diff <(echo "$before") <(echo "$after") || true; fail "the installed tree changed"; }
echo "installed mode: OK"
