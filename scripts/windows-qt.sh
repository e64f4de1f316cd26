#!/usr/bin/env bash
# Builds Qt for 64-bit Windows with Debian's mingw-w64 cross compiler, from Debian's own
# qt6-base source package (the same version as the host's Qt tools, which the cross build
# runs as moc, rcc and uic). The result goes into a cache outside the work tree, keyed by
# the Qt version and a hash of everything that shapes the build, so later runs and other
# clones reuse it:
#   ${XDG_CACHE_HOME:-~/.cache}/orveditor/qt-<version>-win64-<hash>/
# The first build takes about half an hour of CPU time (18 minutes on 2 cores, in the end
# 82 MB); later runs return at once.
#
# Run it, or source it (from a script with set -euo pipefail) and call orv_windows_qt:
# either way ORV_WINDOWS_QT ends up naming the install. Run, it also prints that path as
# its last line.
# Qt's Japanese texts are not built here: the .qm files of Debian's qt6-translations-l10n
# (/usr/share/qt6/translations/qt*_ja.qm) are the same on every platform and are copied.

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ORV_WINDOWS_TOOLCHAIN=$ORV_ROOT/cmake/mingw-w64-x86_64.cmake

# What the Windows editor needs of Qt: Core, Gui, Widgets and Test; everything else is off.
# OpenGL is switched off as a whole (configure's -no-opengl): FEATURE_opengl=OFF alone would
# leave dynamic GL on, which the Windows platform plugin then calls into without OpenGL.
# wintab.h (tablet input) is not in Debian's source.
ORV_WINDOWS_QT_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_network=OFF
  -DINPUT_opengl=no
  -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_tabletevent=OFF
)

orv_windows_qt_packages() {
  # The cross compiler, and what Qt's configure and apt-get source need on the host.
  orv_install_debian g++-mingw-w64-x86-64-posix cmake ninja-build perl python3 dpkg-dev xz-utils \
    qt6-base-dev qt6-base-dev-tools
}

# Prints deb822 stanzas of deb-src entries for the system's own Debian suites, with the same
# mirror, suites, components and key as its deb entries. Third-party repositories are left
# out (they rarely publish sources): only suites named after this release count.
orv_windows_qt_deb_src() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  local f
  local etc=${ORV_APT_ETC:-/etc/apt}
  for f in "$etc"/sources.list "$etc"/sources.list.d/*.list "$etc"/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    case $f in
    *.sources)
      awk -v rel="$codename" '
        function flush() {
          if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "") {
            n = split(suites, s, " "); keep = ""
            for (i = 1; i <= n; i++) if (s[i] == rel || index(s[i], rel "-") == 1) keep = keep " " s[i]
            if (keep != "") {
              print "Types: deb-src"; print "URIs: " uris; print "Suites:" keep
              print "Components: " comps
              if (key != "") print "Signed-By: " key
              print ""
            }
          }
          types = uris = suites = comps = key = enabled = ""
        }
        /^[ \t]*#/ { next }
        /^[ \t]*$/ { flush(); next }
        { k = tolower($1); sub(/:$/, "", k); v = $0; sub(/^[^:]*:[ \t]*/, "", v) }
        k == "types" { types = v } k == "uris" { uris = v } k == "suites" { suites = v }
        k == "components" { comps = v } k == "signed-by" { key = v } k == "enabled" { enabled = v }
        END { flush() }' "$f"
      ;;
    *)
      # One-line format: deb [options] uri suite component...
      awk -v rel="$codename" '
        $1 != "deb" { next }
        { i = 2; opts = ""
          if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
          uri = $i; suite = $(i + 1); comps = ""
          for (j = i + 2; j <= NF; j++) comps = comps " " $j
          key = ""
          if (match(opts, /signed-by=[^] ]*/)) key = substr(opts, RSTART + 10, RLENGTH - 10)
          if (suite == rel || index(suite, rel "-") == 1) {
            print "Types: deb-src"; print "URIs: " uri; print "Suites: " suite
            print "Components:" comps
            if (key != "") print "Signed-By: " key
            print ""
          } }' "$f"
      ;;
    esac
  done
}

# orv_windows_qt_source DIR VERSION: Debian's qt6-base source of that version, unpacked with
# Debian's patches applied, in DIR/qt6-base-*. Uses a private apt configuration under DIR,
# so the system's sources and package lists stay as they are.
orv_windows_qt_source() {
  local dir=$1 version=$2
  mkdir -p "$dir/apt/sources.list.d" "$dir/apt/lists/partial"
  orv_windows_qt_deb_src >"$dir/apt/sources.list.d/orveditor-src.sources"
  if [ ! -s "$dir/apt/sources.list.d/orveditor-src.sources" ]; then
    echo "No Debian suite found in /etc/apt to take qt6-base's source from" >&2
    return 1
  fi
  local apt_opts=(
    -o Dir::Etc::SourceList=/dev/null
    -o Dir::Etc::SourceParts="$dir/apt/sources.list.d"
    -o Dir::State::Lists="$dir/apt/lists"
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
    # apt's unprivileged downloader could not write into the caller's private folders.
    -o APT::Sandbox::User=root
  )
  apt-get "${apt_opts[@]}" update -qq
  (cd "$dir" && apt-get "${apt_opts[@]}" source -qq "qt6-base=$version")
}

orv_windows_qt() {
  orv_windows_qt_packages

  local version qt_version
  version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
  qt_version=${version%%+*}
  qt_version=${qt_version%%-*}

  # The key covers the source version, the options, the toolchain file and the compiler:
  # change any of them and a new install is built beside the old one.
  local key
  key=$({
    echo "$version"
    printf '%s\n' "${ORV_WINDOWS_QT_OPTIONS[@]}"
    cat "$ORV_WINDOWS_TOOLCHAIN"
    x86_64-w64-mingw32-g++-posix -dumpfullversion
  } | sha256sum | cut -c1-10)

  local cache=${XDG_CACHE_HOME:-$HOME/.cache}/orveditor
  local name=qt-$qt_version-win64-$key
  ORV_WINDOWS_QT=$cache/$name
  local stamp=$ORV_WINDOWS_QT/.orveditor-complete
  if [ -f "$stamp" ]; then
    echo "Qt for Windows is already built: $ORV_WINDOWS_QT" >&2
    return 0
  fi
  # One build at a time (a developer's run and CI's may start together): the second waits for
  # the first and then finds its install. The lock goes with the descriptor when this returns.
  mkdir -p "$cache"
  local lock
  exec {lock}>"$cache/$name.lock"
  flock "$lock"
  if [ -f "$stamp" ]; then
    exec {lock}>&-
    echo "Qt for Windows is already built: $ORV_WINDOWS_QT" >&2
    return 0
  fi

  local work=$cache/$name.build
  echo "Building Qt $qt_version for Windows (Debian source $version) into $ORV_WINDOWS_QT" >&2
  mkdir -p "$work"

  # Unpacked once; an interrupted build resumes in the same build folder.
  local src
  if [ ! -f "$work/source-ready" ]; then
    rm -rf "$work/source"
    mkdir -p "$work/source"
    orv_windows_qt_source "$work/source" "$version"
    touch "$work/source-ready"
  fi
  src=$(find "$work/source" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*')

  local TIMEFORMAT="Qt for Windows configured and built in %0lR (CPU: %0lU user, %0lS system)"
  time {
    if [ ! -f "$work/build/build.ninja" ]; then
      cmake -S "$src" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$ORV_WINDOWS_TOOLCHAIN" \
        -DCMAKE_INSTALL_PREFIX="$ORV_WINDOWS_QT" \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        "${ORV_WINDOWS_QT_OPTIONS[@]}"
    fi
    cmake --build "$work/build" --parallel "${ORV_WINDOWS_QT_JOBS:-2}"
  }
  rm -rf "$ORV_WINDOWS_QT"
  cmake --install "$work/build" >/dev/null
  # Written last: a folder without it is an interrupted install and is built again.
  echo "$version ${ORV_WINDOWS_QT_OPTIONS[*]}" >"$stamp"
  rm -rf "$work"
  exec {lock}>&-

  echo "Qt for Windows is in $ORV_WINDOWS_QT ($(du -sh "$ORV_WINDOWS_QT" | cut -f1))" >&2
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  orv_windows_qt
  echo "$ORV_WINDOWS_QT"
fi
