#!/usr/bin/env bash
# End to end: the built editor on its own X server, driven by real X input events.
# Composes a token on the on-screen keyboard, types, saves through the menu, exits, and checks
# the bytes of the file. Usage: editor_e2e.sh PATH-TO-ORVEDITOR
set -euo pipefail

editor=$1
work=$(mktemp -d)
xvfb_pid=
editor_pid=
cleanup() {
  [ -n "$editor_pid" ] && kill "$editor_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

display=
for n in $(seq 91 150); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
    display=":$n"
    break
  fi
done
[ -n "$display" ] || fail "no free X display number"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp:print_suppressions=0"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start"

# The program reads the INI file beside itself: give it a folder of its own.
cp "$editor" "$work/orveditor"
printf '[OrvFiler]\r\nOrvo=/bin/true\r\nLastpath=%s\r\n' "$work" >"$work/orvfiler.ini"
printf 'r4\r\n' >"$work/song.orv"

"$work/orveditor" "$work/song.orv" >"$work/editor.log" 2>&1 &
editor_pid=$!

window=
for _ in $(seq 100); do
  window=$(xdotool search --name 'Orvo Editor Ver0.21' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the main window did not appear: $(cat "$work/editor.log")"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
# The inner area lies below the menu bar; the window has no frame without a window manager.
menu=$((HEIGHT - 488))
# Clicks at a point given in twips of the inner area.
click() {
  xdotool mousemove --window "$window" $(($1 / 15)) $((menu + $2 / 15)) click "${3:-1}"
  sleep 0.2
}

click 960 1800        # key 2, "r", low on the white key
click 1440 870        # length "4"
click 6620 510        # Enter: inserts "r4" at the caret (start of the text)
xdotool type --delay 50 ' c8'
sleep 0.3
xdotool key alt+f
sleep 0.3
xdotool key s         # 上書き保存(&S)
sleep 0.5
xdotool key alt+f
sleep 0.3
xdotool key x         # 終了(&X)

for _ in $(seq 50); do kill -0 "$editor_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$editor_pid" 2>/dev/null; then fail "the editor did not end after Exit"; fi
wait "$editor_pid" || fail "the editor ended with status $?: $(cat "$work/editor.log")"
editor_pid=

expected=$(printf 'r4 c8r4\r\n' | od -An -tx1)
actual=$(od -An -tx1 "$work/song.orv")
[ "$expected" = "$actual" ] || fail "saved bytes were$actual, expected$expected"
echo "1 passed, 0 failed"
