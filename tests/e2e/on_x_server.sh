#!/usr/bin/env bash
# Runs a test program on an X server of its own (Xvfb) through the toolkit's X11 platform, and
# ends the server after it; the program's status is the script's.
# Usage: on_x_server.sh PROGRAM [ARGUMENT...]
set -euo pipefail

xvfb_pid=
trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

source "$(dirname "$0")/x_server.sh"
start_x_server
QT_QPA_PLATFORM=xcb "$@"
