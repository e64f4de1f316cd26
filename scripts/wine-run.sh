#!/usr/bin/env bash
# Runs a program of the Windows build under Wine, as ctest and the Windows script do: in the
# project's own Wine prefix, with Qt's and the compiler's DLLs found on the search path and
# Wine's own diagnostics silenced. The program's exit code is Wine's.
# Usage: wine-run.sh QT-FOR-WINDOWS PROGRAM.exe [ARGUMENT...]
set -euo pipefail
qt=$1
shift
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/orveditor/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs .NET or a browser engine, and Wine would offer to fetch them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
winpthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
export WINEPATH="$(windows_path "$qt/bin");$(windows_path "$runtime");$(windows_path "$winpthread")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
# Debian's Wine passes for Windows 7 unless told otherwise; the editor is made for Windows 10
# (version 1809) and later, and its installer refuses anything older.
if [ ! -f "$WINEPREFIX/.orveditor-win10" ]; then
  wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.orveditor-win10"
fi
exec wine "$@"
