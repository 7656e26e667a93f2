#!/usr/bin/env bash
# Installs the build BUILD_DIR into a temporary prefix and runs installed_mode_test.sh on it.
set -euo pipefail
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-prefix-XXXXXX")
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cmake --install "$1" --prefix "$work/prefix" > /dev/null
"$(dirname "$0")/installed_mode_test.sh" "$work/prefix"
