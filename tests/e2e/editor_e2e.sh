#!/usr/bin/env bash
# End to end: the built editor on its own X server, driven by real X input events, bare or under a
# window manager. First the frame probe checks the text area's size at first show against the
# size after a resize and back; then the editor, started on a file named like a toolkit option,
# composes a token on the on-screen keyboard, types, saves through the menu and exits, and the
# bytes of the file are checked.
# Usage: editor_e2e.sh PATH-TO-ORVEDITOR PATH-TO-FORM1_FRAME_PROBE [none|openbox|twm]
set -euo pipefail

editor=$1
probe=$2
wm=${3:-none}
work=$(mktemp -d)
xvfb_pid=
wm_pid=
editor_pid=
cleanup() {
  [ -n "$editor_pid" ] && kill "$editor_pid" 2>/dev/null || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL ($wm): $*" >&2
  exit 1
}

source "$(dirname "$0")/x_server.sh"
start_x_server
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp:print_suppressions=0"

# Each window manager marks the root window once it manages the screen.
case $wm in
  none) ;;
  openbox)
    openbox --sm-disable >"$work/wm.log" 2>&1 &
    wm_pid=$!
    ready=_NET_SUPPORTING_WM_CHECK
    ;;
  twm)
    # Debian's settings, but placing new windows itself instead of asking for a click.
    { cat /etc/X11/twm/system.twmrc; echo RandomPlacement; } >"$work/twmrc"
    twm -f "$work/twmrc" >"$work/wm.log" 2>&1 &
    wm_pid=$!
    ready=_MIT_PRIORITY_COLORS
    ;;
  *) fail "unknown window manager" ;;
esac
if [ -n "$wm_pid" ]; then
  for _ in $(seq 100); do
    [[ $(xprop -root "$ready" 2>/dev/null) == *[=#]* ]] && break
    sleep 0.1
  done
  [[ $(xprop -root "$ready" 2>/dev/null) == *[=#]* ]] || fail "$wm did not start: $(head -3 "$work/wm.log")"
fi

framed=
[ "$wm" = none ] || framed=--framed
"$probe" $framed >"$work/probe.log" 2>&1 || fail "$(cat "$work/probe.log")"
grep '^frame' "$work/probe.log"

# The program reads the INI file beside itself: give it a folder of its own.
cp "$editor" "$work/orveditor"
printf '[OrvFiler]\r\nOrvo=/bin/true\r\nLastpath=%s\r\n' "$work" >"$work/orvfiler.ini"
# A document whose name the toolkit would take for its option of right-to-left layout.
printf 'r4\r\n' >"$work/-reverse"

(cd "$work" && exec ./orveditor -reverse) >"$work/editor.log" 2>&1 &
editor_pid=$!

window=
for _ in $(seq 100); do
  window=$(xdotool search --name 'Orvo Editor Ver0\.21.* -reverse$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window showing the document -reverse: $(cat "$work/editor.log")"
class=$(xprop -id "$window" WM_CLASS)
[[ $class == *'"orveditor"'* ]] || fail "window class: $class"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
# The inner area lies below the menu bar.
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
actual=$(od -An -tx1 "$work/-reverse")
[ "$expected" = "$actual" ] || fail "saved bytes were$actual, expected$expected"
echo "1 passed, 0 failed"
