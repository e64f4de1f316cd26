#!/usr/bin/env bash
# The Windows zip and installer as a user gets them, under Wine on Xvfb: in a throwaway copy of
# the project's Wine prefix, with no Qt or compiler folder on Wine's search path, so only what
# the package ships is there to load. The zip runs from a folder with a blank in its name and
# finds an orvfiler.ini beside it. The installer, silent, for the current user and for the whole
# machine, puts the program, a Start-menu entry, the .orv association and an uninstall entry in
# place; the editor starts from the Start menu and opens a score; the uninstaller takes all of it
# away again. In OrvFiler's folder under Program Files, the editor reads the user's VirtualStore
# copy of OrvFiler's INI, a launcher may pass its path unquoted, and the installer puts it there
# beside OrvFiler's own files, touching none of them. Older Windows is refused.
# Usage: windows_installer_test.sh BUILD-DIR QT-FOR-WINDOWS
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "$1" && pwd)
qt=$2
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -f "$work/prefix/system.reg" ] && WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
ok() { echo "ok: $*"; }
source "$source_dir/tests/e2e/x_server.sh"

exe=$build/src/orveditor.exe
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$build/OrvEditor-$version-win64.zip
setup=$build/OrvEditor-$version-setup.exe
if [ ! "$zip" -nt "$exe" ] || [ ! "$setup" -nt "$exe" ]; then
  "$source_dir/scripts/windows-package.sh" "$build" "$qt" >"$work/package.log" 2>&1 ||
    fail "packaging: $(tail -20 "$work/package.log")"
fi

project_prefix=${XDG_CACHE_HOME:-$HOME/.cache}/orveditor/wine
if [ ! -f "$project_prefix/system.reg" ]; then
  env -u WINEPREFIX "$source_dir/scripts/wine-run.sh" "$qt" cmd /c exit >/dev/null 2>&1 ||
    fail "no Wine prefix in $project_prefix"
fi
mkdir "$work/prefix"
cp -a "$project_prefix/." "$work/prefix/"
# No Mono or Gecko to offer, and no menu builder: it would copy the Start-menu entry and the
# association into this machine's own desktop menus.
export WINEPREFIX=$work/prefix WINEDEBUG=fixme-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINEPATH
start_x_server

log=$work/wine.log
windows_var() { wine cmd /c echo "%$1%" 2>>"$log" | tr -d '\r'; }
unix_path() { winepath -u "$1" 2>>"$log"; }
windows_path() { winepath -w "$1" 2>>"$log"; }
# The data of a registry value, or of the key's default value when no name is given.
reg_value() {
  local args=(/ve)
  [ -n "${2:-}" ] && args=(/v "$2")
  wine reg query "$1" "${args[@]}" 2>>"$log" | tr -d '\r' |
    sed -n 's/^    .*    REG_[A-Z_]*    \(.*\)$/\1/p'
}

window_named() {
  local id
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && echo "$id" && return 0
  done
  return 1
}
# Waits for a window of that name; with a process id, only while that process runs.
wait_window() {
  for _ in $(seq 300); do
    window_named "$1" && return 0
    [ -n "${2:-}" ] && ! kill -0 "$2" 2>/dev/null && break
    sleep 0.2
  done
  return 1
}
# Ends the process behind a window, and waits until Wine has nothing running: the registry is
# then on disk and no file is held open.
close_window_program() {
  local pid
  pid=$(xdotool getwindowpid "$1")
  kill "$pid"
  timeout 60 wineserver -w || fail "Wine did not come to rest"
}

title="Orvo Editor Ver0.21β "
appdata=$(unix_path "$(windows_var APPDATA)")
localappdata=$(unix_path "$(windows_var LOCALAPPDATA)")
programs_menu_user="$appdata/Microsoft/Windows/Start Menu/Programs"
programs_menu_all="$(unix_path "$(windows_var ProgramData)")/Microsoft/Windows/Start Menu/Programs"
program_files=$(windows_var ProgramFiles)
[ -n "$appdata" ] && [ -n "$program_files" ] || fail "no user folders in the Wine prefix: $(tail "$log")"
# The user's own programs folder is the system's, as the Start menu's is: an installer makes it
# when it is missing and an uninstaller leaves it.
mkdir -p "$localappdata/Programs"

echo "== the zip, unzipped into a folder with a blank in its name"
unzipped="$work/unzipped here"
mkdir "$unzipped"
unzip -q "$zip" -d "$unzipped"
app=$unzipped/OrvEditor-$version
[ -f "$app/orveditor.exe" ] || fail "the zip has no OrvEditor-$version/orveditor.exe"
wine "$app/orveditor.exe" >>"$log" 2>&1 &
box=$(wait_window OrvEditor $!) ||
  fail "without orvfiler.ini the editor showed no advice box: $(grep "^[0-9a-f]*:err:" "$log" | tail -3)"
close_window_program "$box"
ok "without orvfiler.ini the unzipped editor shows the advice box"
# Runs a command that starts the editor (in the background), and waits for the window with that
# caption; the advice box would have come before it, as the window waits for it.
shows_without_advice() {
  local caption=$1 why=$2
  shift 2
  "$@" >>"$log" 2>&1 &
  window=$(wait_window "$caption") || fail "no window \"$caption\" ($why)"
  window_named OrvEditor >/dev/null && fail "the advice box showed ($why)"
  close_window_program "$window"
}
printf '[OrvFiler]\r\nOrvo=C:\\Orvo\\orvo.exe\r\n' >"$app/orvfiler.ini"
shows_without_advice "$title" "orvfiler.ini beside the program" wine "$app/orveditor.exe"
ok "the unzipped editor shows \"$title\" and finds the orvfiler.ini beside it"

# A score named after the program, started by a launcher that passes the program's path and the
# score's unquoted, blanks and all.
score="$work/楽譜 置き場/曲 1.orv"
mkdir -p "$(dirname "$score")"
printf 'd4 r4\r\n' >"$score"
launcher=$build/tests/support/orv_unquoted_launcher.exe
shows_without_advice "$title$(windows_path "$score")" "started with an unquoted path" \
  wine "$launcher" "$(windows_path "$app/orveditor.exe") $(windows_path "$score")"
ok "started with an unquoted path \"$(windows_path "$app/orveditor.exe") …\", the editor opens the score"
rm "$app/orvfiler.ini"

# OrvFiler under Program Files: a 32-bit program there writes its INI into the user's
# VirtualStore, and the editor beside it must read that copy, not the stale one.
orvfiler_dir="$(windows_var ProgramFiles\(x86\))\\OrvFiler"
orvfiler=$(unix_path "$orvfiler_dir")
mkdir -p "$orvfiler"
cp -r "$app/." "$orvfiler/"
printf '[OrvFiler]\r\nLastpath=C:\\\r\n' >"$orvfiler/orvfiler.ini"
store="$localappdata/VirtualStore/${orvfiler_dir#*:\\}"
store=${store//\\//}
mkdir -p "$store"
printf '[OrvFiler]\r\nOrvo=C:\\Orvo\\orvo.exe\r\n' >"$store/orvfiler.ini"
shows_without_advice "$title" "the VirtualStore copy names the player" wine "$orvfiler/orveditor.exe"
ok "in $orvfiler_dir the editor reads the VirtualStore copy of orvfiler.ini"
rm -rf "$orvfiler" "$localappdata/VirtualStore"

# An installed copy finds the player in the user's own orvfiler.ini.
printf '[OrvFiler]\r\nOrvo=C:\\Orvo\\orvo.exe\r\n' >"$appdata/orvfiler.ini"
# What an uninstall has to bring back: the files outside Windows' own folder and the temporary
# ones (the uninstaller's copy of itself goes at the next restart), and the registry keys that
# name the editor or the .orv suffix.
snapshot() {
  (cd "$WINEPREFIX/drive_c" && find . -path ./windows -prune -o -path './users/*/Temp' -prune -o -print | sort)
  { grep -h -i -E '^\[[^]]*(orveditor|\\\\\.orv\])' "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" || true; } |
    sed 's/\] [0-9]*$/]/' | sort
}

for mode in CurrentUser AllUsers; do
  echo "== installed silently with /$mode"
  case $mode in
    CurrentUser) hive=HKCU dir=$(windows_path "$localappdata/Programs")\\OrvEditor menu=$programs_menu_user ;;
    AllUsers) hive=HKLM dir=$program_files\\OrvEditor menu=$programs_menu_all ;;
  esac
  snapshot >"$work/before"
  wine "$setup" /S "/$mode" >>"$log" 2>&1 || fail "the installer failed with /$mode"
  uninstall_key="$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OrvEditor"
  location=$(reg_value "$uninstall_key" InstallLocation)
  [ "$location" = "$dir" ] || fail "installed into \"$location\", not \"$dir\""
  installed=$(unix_path "$dir")
  diff -r --exclude=OrvEditor-uninstall.exe "$app" "$installed" >"$work/diff" || fail "installed files: $(cat "$work/diff")"
  [ -f "$installed/OrvEditor-uninstall.exe" ] || fail "no OrvEditor-uninstall.exe in $dir"
  ok "the zip's files and OrvEditor-uninstall.exe in $dir"
  [ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "uninstall entry without version $version"
  quiet=$(reg_value "$uninstall_key" QuietUninstallString)
  [ "$quiet" = "\"$dir\\OrvEditor-uninstall.exe\" /$mode /S" ] || fail "QuietUninstallString: $quiet"
  ok "the uninstall entry in $uninstall_key"
  [ "$(reg_value "$hive\\Software\\Classes\\.orv")" = OrvEditor.Score ] || fail ".orv is not OrvEditor.Score"
  command=$(reg_value "$hive\\Software\\Classes\\OrvEditor.Score\\shell\\open\\command")
  [ "$command" = "\"$dir\\orveditor.exe\" \"%1\"" ] || fail "the open command is $command"
  ok ".orv opens with $command"

  [ -f "$menu/OrvEditor.lnk" ] || fail "no Start-menu entry in $menu"
  wine start "$(windows_path "$menu/OrvEditor.lnk")" >>"$log" 2>&1
  window=$(wait_window "$title") || fail "the Start-menu entry showed no window \"$title\""
  close_window_program "$window"
  ok "the Start-menu entry starts the editor, which finds %APPDATA%\\orvfiler.ini"

  # Wine keeps the user's own classes out of HKEY_CLASSES_ROOT, which Windows does not, so only
  # the machine's association can be followed here; its command is the same.
  if [ "$mode" = AllUsers ]; then
    wine start /unix "$score" >>"$log" 2>&1
    caption="$title$(windows_path "$score")"
    window=$(wait_window "$caption") || fail "opening the score showed no window \"$caption\""
    close_window_program "$window"
    ok "opening \"$(windows_path "$score")\" starts the editor with that score"
  fi

  uninstaller=${quiet#\"}
  wine "${uninstaller%%\"*}" "/$mode" /S >>"$log" 2>&1 || fail "the uninstaller failed"
  timeout 60 wineserver -w || fail "Wine did not come to rest after the uninstaller"
  snapshot >"$work/after"
  diff "$work/before" "$work/after" >"$work/diff" || fail "left after uninstalling: $(cat "$work/diff")"
  ok "the uninstaller leaves no file, Start-menu entry or registry key behind"
done
echo "== installed into OrvFiler's folder, beside OrvFiler's own files"
mkdir -p "$orvfiler"
for file in OrvFiler.exe orvfiler.ini uninstall.exe; do echo "OrvFiler's $file" >"$orvfiler/$file"; done
cp -a "$orvfiler" "$work/orvfiler-before"
# /D= takes the rest of the command line, blanks and all, unquoted.
install_into_orvfiler() { wine "$launcher" "$(windows_path "$setup") /S /AllUsers /D=$orvfiler_dir" >>"$log" 2>&1; }
install_into_orvfiler || fail "the installer refused OrvFiler's folder"
[ -f "$orvfiler/orveditor.exe" ] && [ -f "$orvfiler/OrvEditor-uninstall.exe" ] || fail "not installed into $orvfiler_dir"
for file in OrvFiler.exe orvfiler.ini uninstall.exe; do
  cmp -s "$orvfiler/$file" "$work/orvfiler-before/$file" || fail "the installer changed OrvFiler's $file"
done
wine "$orvfiler/OrvEditor-uninstall.exe" /AllUsers /S >>"$log" 2>&1 || fail "the uninstaller failed in OrvFiler's folder"
timeout 60 wineserver -w || fail "Wine did not come to rest after the uninstaller"
diff -r "$work/orvfiler-before" "$orvfiler" >"$work/diff" || fail "OrvFiler's folder after the uninstall: $(cat "$work/diff")"
ok "installed beside OrvFiler's files and uninstalled again, OrvFiler's files untouched"

# A folder holding a file of the editor's names that the editor did not put there is refused.
echo "someone else's" >"$orvfiler/Qt6Core.dll"
install_into_orvfiler && fail "the installer replaced a Qt6Core.dll it did not install"
[ "$(cat "$orvfiler/Qt6Core.dll")" = "someone else's" ] && [ ! -f "$orvfiler/orveditor.exe" ] ||
  fail "the refused install changed the folder"
ok "a folder with someone else's Qt6Core.dll is refused and left as it was"

echo "== on Windows 8.1"
wine reg add 'HKCU\Software\Wine' /v Version /d win81 /f >>"$log" 2>&1
wine "$setup" /S /CurrentUser >>"$log" 2>&1 && fail "the installer ran on Windows 8.1"
wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >>"$log" 2>&1
[ -d "$localappdata/Programs/OrvEditor" ] && fail "the refused installer left files"
ok "the installer refuses Windows 8.1"
echo "installer: 1 passed, 0 failed"
