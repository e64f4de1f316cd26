#!/usr/bin/env bash
# Packs a Windows build of the editor for its users, beside the build:
#   OrvEditor-<version>-win64.zip   a folder with orveditor.exe, the DLLs it loads, Qt's plugins
#                                   and Qt's Japanese texts: unzipped anywhere, it runs
#   OrvEditor-<version>-setup.exe   the same files in an NSIS installer (packaging/windows)
# The DLLs are found by following the import tables from the program and the two Qt plugins it
# loads by name, so nothing is shipped that is not loaded and nothing loaded is missing.
# Everything is stripped: the compiler's runtime alone shrinks from 24 MB to 2 MB.
# Usage: scripts/windows-package.sh BUILD-DIR QT-FOR-WINDOWS
# or, sourced (from a script with set -euo pipefail): orv_windows_package_packages, then
# orv_windows_package BUILD-DIR QT-FOR-WINDOWS.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

orv_package_fail() {
  echo "windows-package: $*" >&2
  exit 1
}

# makensis and zip pack; Qt's Japanese texts come from Debian; objdump and strip are mingw's;
# Wine's DLLs tell the system's own imports; unzip is for the test that opens the zip.
orv_windows_package_packages() {
  orv_install_debian nsis zip unzip qt6-translations-l10n binutils-mingw-w64-x86-64 wine wine64
}

# The DLLs of this program's own making or Qt's, found in these folders, are shipped; any other
# import must be one of the system's own (Wine's builtin copies stand for Windows' here) or an
# API set, which Windows resolves itself.
orv_import_names() {
  x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

orv_find_in() {
  local name=$1 dir found
  shift
  for dir in "$@"; do
    found=$(find "$dir" -maxdepth 1 -iname "$name" -print -quit)
    [ -n "$found" ] && echo "$found" && return 0
  done
  return 1
}

# Prints the DLLs to ship beside the program, one path a line.
orv_shipped_dlls() {
  local qt=$1
  shift
  local runtime winpthread system
  runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
  winpthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
  system=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
  [ -d "$system" ] || orv_package_fail "no Wine DLLs in $system to tell system DLLs by"
  local -A seen=()
  local pending=("$@") file name path
  while [ ${#pending[@]} -gt 0 ]; do
    file=${pending[0]}
    pending=("${pending[@]:1}")
    while read -r name; do
      [ -n "${seen[${name,,}]:-}" ] && continue
      seen[${name,,}]=1
      if path=$(orv_find_in "$name" "$qt/bin" "$runtime" "$winpthread"); then
        echo "$path"
        pending+=("$path")
      elif [[ ${name,,} != api-ms-win-* ]] && ! orv_find_in "$name" "$system" >/dev/null; then
        orv_package_fail "$(basename "$file") imports $name, which is neither shipped nor the system's"
      fi
    done < <(orv_import_names "$file")
  done
}

orv_windows_package() {
  local build qt
  build=$(cd "$1" && pwd)
  qt=$(cd "$2" && pwd)
  local exe=$build/src/orveditor.exe
  [ -f "$exe" ] || orv_package_fail "no $exe: build the Windows program first"
  local version
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  [ -n "$version" ] || orv_package_fail "no project version in $build/CMakeCache.txt"

  local folder=OrvEditor-$version
  local work=$build/package
  local stage=$work/$folder
  rm -rf "$work"
  mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"

  # The platform plugin and the native style are loaded by name at run time, so the walk starts
  # at them too. The window icon is a PNG, which Qt reads without an image-format plugin.
  local plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll) plugin dll
  cp "$exe" "$stage/"
  for plugin in "${plugins[@]}"; do
    cp "$qt/plugins/$plugin" "$stage/$plugin"
  done
  local dlls
  dlls=$(orv_shipped_dlls "$qt" "$exe" "${plugins[@]/#/$qt/plugins/}")
  while read -r dll; do
    cp "$dll" "$stage/"
  done <<<"$dlls"
  # qtbase holds the texts of the standard dialogs and buttons and loads no other catalogue.
  cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/"
  # The licences of what is shipped beside the program: Qt (LGPL 3), the GCC runtime (GPL 3 with
  # the runtime library exception) and mingw-w64's winpthreads, as Debian records them.
  mkdir -p "$stage/licenses"
  cp /usr/share/doc/libqt6core6/copyright "$stage/licenses/Qt.txt"
  cp /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright "$stage/licenses/GCC-runtime.txt"
  cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64.txt"
  cp /usr/share/common-licenses/LGPL-3 "$stage/licenses/LGPL-3.txt"
  cp /usr/share/common-licenses/GPL-3 "$stage/licenses/GPL-3.txt"
  find "$stage" -iname '*.dll' -o -iname '*.exe' | while read -r file; do
    x86_64-w64-mingw32-strip "$file"
  done

  local zip=$build/OrvEditor-$version-win64.zip
  rm -f "$zip"
  (cd "$work" && zip -q -r -9 -X "$zip" "$folder")

  # The installer copies and removes exactly the staged files, so an uninstall leaves neither
  # them nor (when empty) their folders, and never touches a file the user put there; it refuses a
  # folder that already holds a file of one of these names which it did not install.
  local files=$work/files.nsh
  (
    cd "$stage"
    inside() {
      local path=${1#.}
      echo "\$INSTDIR${path//\//\\}"
    }
    echo '!macro ORV_INSTALL_FILES'
    find . -type d | sort | while read -r dir; do
      echo "  SetOutPath \"$(inside "$dir")\""
      find "$dir" -maxdepth 1 -type f | sort | while read -r file; do
        echo "  File \"$stage/${file#./}\""
      done
    done
    echo '!macroend'
    echo '!macro ORV_UNINSTALL_FILES'
    find . -type f | sort | while read -r file; do echo "  Delete \"$(inside "$file")\""; done
    find . -mindepth 1 -type d | sort -r | while read -r dir; do echo "  RMDir \"$(inside "$dir")\""; done
    echo '!macroend'
    echo '!macro ORV_FOREIGN_FILE result'
    { find . -type f | sort; echo ./OrvEditor-uninstall.exe; } | while read -r file; do
      echo "  \${If} \${FileExists} \"$(inside "$file")\""
      echo "    StrCpy \${result} \"$(inside "$file" | sed 's/^\$INSTDIR\\//')\""
      echo "  \${EndIf}"
    done
    echo '!macroend'
  ) >"$files"

  local setup=$build/OrvEditor-$version-setup.exe
  rm -f "$setup"
  makensis -V2 -INPUTCHARSET UTF8 -DORV_VERSION="$version" -DORV_FILES="$files" \
    -DORV_ICON="$ORV_ROOT/packaging/windows/orveditor.ico" -DORV_OUTFILE="$setup" \
    "$ORV_ROOT/packaging/windows/orveditor.nsi" >&2
  ls -l "$zip" "$setup"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  [ $# -eq 2 ] || orv_package_fail "usage: $0 BUILD-DIR QT-FOR-WINDOWS"
  orv_windows_package_packages
  orv_windows_package "$1" "$2"
fi
