#!/usr/bin/env bash
# End to end on Windows' side: the Windows editor under Wine on its own X server, driven by real X
# input events, bare or under openbox. It checks the caption without and with a document,
# composes a token on the on-screen keyboard, types, holds a key in the text and then in Key
# mode through the X server's auto-repeat, saves through the menu and checks the CP932 bytes, and
# starts a player that records the command line it is given.
# The Wine prefix is the run's own: joined to a Wine server that programs without a display
# started (the offscreen tests), the editor would get no X window at all.
# Usage: windows_e2e.sh BUILD-WINDOWS-DIR QT-FOR-WINDOWS-DIR [none|openbox]
# (the build holds the editor and the tests' recording player)
# With ORV_E2E_SHOTS=/some/prefix, pictures of the screen go to /some/prefix-NAME.png.
set -euo pipefail

build=$(cd "$1" && pwd)
qt=$2
wm=${3:-none}
here=$(cd "$(dirname "$0")" && pwd)
wine_run=$here/../../scripts/wine-run.sh
work=$(mktemp -d)
export WINEPREFIX=$work/wine USER=${USER:-$(id -un)}
xvfb_pid=
wm_pid=
editor_pid=
cleanup() {
  [ -n "$editor_pid" ] && kill "$editor_pid" 2>/dev/null || true
  [ -d "$WINEPREFIX" ] && { wineserver -k; wineserver -w; } 2>/dev/null || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
shot() { [ -z "${ORV_E2E_SHOTS:-}" ] || import -window root "$ORV_E2E_SHOTS-$1.png"; }
fail() {
  echo "FAIL ($wm): $*" >&2
  shot fail
  exit 1
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
since() { local t=$(((${EPOCHREALTIME/./} - ${1/./}) / 100000)); echo "$((t / 10)).$((t % 10)) s"; }

source "$here/x_server.sh"
start_x_server
case $wm in
  none) ;;
  openbox)
    openbox --sm-disable >"$work/wm.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 100); do
      [[ $(xprop -root _NET_SUPPORTING_WM_CHECK) == *'#'* ]] && break || sleep 0.1
    done
    ;;
  *) fail "unknown window manager" ;;
esac

started=$EPOCHREALTIME
"$wine_run" "$qt" cmd.exe /c exit >"$work/wine.log" 2>&1 || fail "no Wine: $(cat "$work/wine.log")"
echo "Wine prefix made in $(since "$started")"
# The recording player of the tests stands in for the player, found through the INI in the user's
# roaming folder as an installed copy finds it.
player="$work/Orvo Player/player.exe"
mkdir "$work/Orvo Player"
cp "$build/tests/support/orv_recording_player.exe" "$player"
appdata=$WINEPREFIX/drive_c/users/$USER/AppData/Roaming
mkdir -p "$appdata"
printf '[OrvFiler]\r\nOrvo=%s\r\n' "$(windows_path "$player")" >"$appdata/orvfiler.ini"
score=$work/和音.orv
printf '\x98\x61\x89\xb9\r\n' >"$score"  # 和音 in CP932

# A box or main window of the editor, named by the pattern: waits for it to show.
find_window() {
  for _ in $(seq 600); do
    xdotool search --all --onlyvisible --pid "$editor_pid" --name "$1" 2>/dev/null | grep -m1 . &&
      return
    kill -0 "$editor_pid" 2>/dev/null || fail "the editor ended: $(tail -3 "$work/editor.log")"
    sleep 0.1
  done
  fail "no window named $1"
}
start_editor() {
  started=$EPOCHREALTIME
  "$wine_run" "$qt" "$build/src/orveditor.exe" "$@" >>"$work/editor.log" 2>&1 &
  editor_pid=$!
  window=$(find_window '^Orvo Editor')
  echo "window shown $(since "$started") after start"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  inner_top=$((HEIGHT - 488))  # the inner area lies below the menu bar
  sleep 0.5
}
expect_caption() {
  local caption
  for _ in $(seq 50); do
    caption=$(xdotool getwindowname "$window")
    [ "$caption" = "$1" ] && echo "ok: caption '$1'" && return
    sleep 0.1
  done
  fail "caption is '$caption', expected '$1'"
}
# Clicks at a point given in twips of the inner area.
click() {
  xdotool mousemove --window "$window" $(($1 / 15)) $((inner_top + $2 / 15)) click 1
  sleep 0.3
}
hold() { xdotool keydown "$1" sleep 1.5 keyup "$1" sleep 0.3; }
file_menu() {
  # The keys go to the window that has the input, which a closed box may have left elsewhere.
  if [ "$wm" = none ]; then xdotool windowfocus "$window"; else xdotool windowactivate --sync "$window"; fi
  xdotool key alt+f sleep 1 key "$1"
}
exit_editor() {
  # A busy machine may open the menu after the item's key has gone by: then close and try again.
  for _ in 1 2 3; do
    file_menu x  # 終了(&X)
    for _ in $(seq 50); do kill -0 "$editor_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$editor_pid" 2>/dev/null || break
    xdotool key Escape sleep 0.5
  done
  kill -0 "$editor_pid" 2>/dev/null && fail "the editor did not end after Exit"
  wait "$editor_pid" || fail "the editor ended with status $?"
  editor_pid=
}

title='Orvo Editor Ver0.21β '
start_editor
expect_caption "$title"
shot empty
exit_editor

start_editor "$(windows_path "$score")"
expect_caption "$title$(windows_path "$score")"
click 630 1800   # key 0, "d", low on the white key
click 6620 510   # Enter: inserts "d" at the caret (the start of the text)
expect_caption "$title$(windows_path "$score")(更新)"
xdotool type --delay 50 ' c8'
hold a           # typed, and typed again for each repeat
click 4320 510   # 和音
click 7530 1230  # Key: the PC keys play
hold a           # the physical A: key 0, composed once however long it is held
shot key-held
xdotool search --all --onlyvisible --pid "$editor_pid" --name '^OrvEditor$' >/dev/null &&
  fail "a box showed while A was held: its repeats composed again"
click 6620 510   # Enter
click 7530 1230  # Key off, so that the menu's letters reach the menu
file_menu s      # 上書き保存(&S)
expect_caption "$title$(windows_path "$score")"
bytes=$(od -An -tx1 -v "$score" | tr -d ' \n')
[[ $bytes =~ ^6420633861(61)+5b645d986189b90d0a$ ]] ||
  fail "saved bytes were $bytes, expected 'd c8', 'a' repeated, '[d]', 和音 in CP932, CR LF"
echo "ok: saved $bytes: A held in Key mode composed [d] once"

click 7680 150   # Orvo: the command line is shown first
box=$(find_window '^OrvEditor$')
shot player-box
xdotool windowfocus "$box" key Return
for _ in $(seq 100); do [ -e "$player.0" ] && break; sleep 0.1; done
touch "$player.0.go"  # lets it end
expected="\"$(windows_path "$player")\" \"$(windows_path "$score")\" *P*E*X"
line=$(cat "$player.0.line" 2>/dev/null || true)
[ "$line" = "$expected" ] || fail "the player got '$line', expected '$expected'"
echo "ok: the player got $line"
exit_editor
echo "1 passed, 0 failed"
