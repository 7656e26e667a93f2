#!/usr/bin/env bash
# Runs the header listing benchmarks against a Dovecot fixture of their own.
#   bench/list/run_listing_bench.sh BUILD_DIR [benchmark options]
# BUILD_DIR is a build with benchmarks on (best an optimised one, e.g. the release preset).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:?usage: $0 BUILD_DIR [benchmark options]}")
shift
fixture=$build/bench-listing-dovecot
"$here/../../tests/support/dovecot_fixture.sh" start "$fixture" >/dev/null
trap '"$here/../../tests/support/dovecot_fixture.sh" stop "$fixture"' EXIT
TARNWICK_DOVECOT_DIR=$fixture "$build/bench/list/bench_listing" "$@"
