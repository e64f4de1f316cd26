#!/usr/bin/env bash
# Where no display answers, the editor says so in its own words and ends with status 1: no display
# named, an X display whose server is gone, a Wayland socket that a compositor left behind, and a
# display on the network that the toolkit itself cannot reach.
# Usage: no_display.sh PATH-TO-ORVEDITOR
set -euo pipefail

editor=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

number=4242
while [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
# A socket file that nobody listens on, as a compositor that crashed leaves it.
perl -MSocket -e 'socket(S, PF_UNIX, SOCK_STREAM, 0) && bind(S, pack_sockaddr_un($ARGV[0])) or die "$!\n"' \
  "$work/wayland-0"

while IFS='|' read -r name variables; do
  status=0
  # shellcheck disable=SC2086 # the variables are words of their own
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work" $variables \
    timeout 20 "$editor" >"$work/out" 2>&1 || status=$?
  if [ "$status" -ne 1 ] || ! grep -q '^OrvEditor: 画面(ディスプレイ)に接続できません。' "$work/out"; then
    echo "FAIL ($name): status $status: $(cat "$work/out")" >&2
    failed=$((failed + 1))
  fi
done <<LIST
none named|
a stale DISPLAY|DISPLAY=:$number
a dead Wayland socket|WAYLAND_DISPLAY=wayland-0
both|DISPLAY=:$number WAYLAND_DISPLAY=wayland-0
a network display|DISPLAY=localhost:$number
LIST
echo "$((5 - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
