#!/usr/bin/env bash
# The built editor under a headless Wayland compositor (sway) whose screen is scaled to 200 %:
# with no X display it must come up as a Wayland (xdg-shell) window of its own, and the score's
# "mmm" must show nine even stems in the compositor's own screenshot (grim). wlroots refuses to
# run as root, so the compositor runs as nobody in a runtime folder of its own.
# Usage: wayland_e2e.sh PATH-TO-ORVEDITOR PATH-TO-STEMS_PROBE
set -euo pipefail

editor=$1
probe=$2
work=$(mktemp -d)
chmod 755 "$work"
sway_pid=
editor_pid=
cleanup() {
  [ -n "$editor_pid" ] && kill "$editor_pid" 2>/dev/null || true
  if [ -n "$sway_pid" ]; then
    kill "$sway_pid" 2>/dev/null || true
    for _ in $(seq 20); do kill -0 "$sway_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$sway_pid" 2>/dev/null || true
    wait "$sway_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL (Wayland): $*" >&2
  exit 1
}

runtime=$work/compositor
mkdir -m 700 "$runtime"
chown nobody:nogroup "$runtime"
compositor_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups env -i PATH=/usr/bin:/bin
  HOME="$runtime" XDG_RUNTIME_DIR="$runtime")
as_compositor() { "${compositor_user[@]}" "$@"; }
cat >"$work/sway.config" <<CONFIG
xwayland disable
output HEADLESS-1 resolution 1280x1024 scale 2
default_border none
CONFIG
"${compositor_user[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
sway_pid=$!
socket=
for _ in $(seq 100); do
  socket=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' | head -1)
  [ -n "$socket" ] && break
  sleep 0.1
done
[ -n "$socket" ] || fail "sway did not start: $(tail -3 "$work/sway.log")"
swaymsg() { as_compositor SWAYSOCK="$(echo "$runtime"/sway-ipc.*.sock)" swaymsg "$@"; }

mkdir -p "$work/config" "$work/runtime"
printf '[OrvFiler]\r\nOrvo=/bin/true\r\n' >"$work/config/orvfiler.ini"
printf 'mmm d4\r\n' >"$work/score.orv"
env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY="$socket" XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work/runtime" "$editor" "$work/score.orv" >"$work/editor.log" 2>&1 &
editor_pid=$!

tree=
for _ in $(seq 100); do
  tree=$(swaymsg -t get_tree 2>/dev/null || true)
  [[ $tree == *'"app_id": "io.github.orveditor.OrvEditor"'* ]] && break
  sleep 0.1
done
[[ $tree == *'"app_id": "io.github.orveditor.OrvEditor"'* ]] ||
  fail "no Wayland window of the editor: $(cat "$work/editor.log")"
[[ $tree == *'"shell": "xdg_shell"'* ]] || fail "not an xdg-shell window: $tree"
sleep 1
as_compositor WAYLAND_DISPLAY="$socket" grim "$runtime/shot.png" || fail "grim"
# The window fills the screen from its top left corner; the score's first line lies below the
# keyboard, here in device pixels of the 200 % screen.
"$probe" "$runtime/shot.png" 12 300 46 120 || fail "the score's \"mmm\" is not nine even stems"
echo "1 passed, 0 failed"
