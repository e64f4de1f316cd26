#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack in a release build of its own, checked
# with Debian's and the desktop's own tools, then unpacked into a temporary prefix where the
# desktop must hand a double-clicked .orv file to the editor.
# Usage: package_test.sh SOURCE-DIR BUILD-DIR
set -euo pipefail

source_dir=$1
build=$2
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

cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_TESTS=OFF \
  >"$work/build.log" 2>&1 || fail "configure: $(tail -20 "$work/build.log")"
cmake --build "$build" >>"$work/build.log" 2>&1 || fail "build: $(tail -20 "$work/build.log")"
rm -f "$build"/orveditor_*.deb
(cd "$build" && cpack -G DEB) >>"$work/build.log" 2>&1 || fail "cpack: $(tail -20 "$work/build.log")"
deb=$(echo "$build"/orveditor_*_*.deb)
[ -f "$deb" ] || fail "no package in $build"

# Dependencies: the libraries found by dpkg-shlibdeps, and the data the program opens by name.
depends=$(dpkg-deb --field "$deb" Depends)
for dep in libqt6widgets6 libqt6gui6 libqt6core6 librtmidi6 libfluidsynth3 libasound2 libxcb-xkb1 \
  timgm6mb-soundfont fonts-konatu fonts-vlgothic fonts-ipafont-gothic qt6-translations-l10n; do
  [[ ", $depends," == *", $dep "* || ", $depends," == *", $dep,"* ]] || fail "Depends lacks $dep: $depends"
done
recommends=$(dpkg-deb --field "$deb" Recommends)
for rec in qt6-wayland fcitx5-frontend-qt6; do
  [[ ", $recommends," == *", $rec,"* ]] || fail "Recommends lacks $rec: $recommends"
done
# Debian's own check: no error; the warnings left are listed.
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.log")"
grep '^[WE]:' "$work/lintian.log" || true
share=./usr/share
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for file in ./usr/bin/orveditor \
  $share/applications/io.github.orveditor.OrvEditor.desktop \
  $share/mime/packages/io.github.orveditor.OrvEditor.xml \
  $share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/io.github.orveditor.OrvEditor.png \
  $share/icons/hicolor/scalable/apps/io.github.orveditor.OrvEditor.svg \
  $share/metainfo/io.github.orveditor.OrvEditor.metainfo.xml \
  $share/man/man1/orveditor.1.gz \
  $share/doc/orveditor/copyright $share/doc/orveditor/changelog.gz \
  ./usr/lib/orveditor/modules/orveditor-{ports,synth}.so; do
  grep -qxF "$file" <<<"$contents" || fail "the package lacks $file"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share
desktop-file-validate "$share/applications/io.github.orveditor.OrvEditor.desktop" ||
  fail "desktop entry"
grep -qx 'StartupWMClass=orveditor' "$share/applications/io.github.orveditor.OrvEditor.desktop" ||
  fail "desktop entry without StartupWMClass=orveditor"
appstreamcli validate --no-net "$share/metainfo/io.github.orveditor.OrvEditor.metainfo.xml" \
  >"$work/appstream.log" 2>&1 || fail "metainfo: $(cat "$work/appstream.log")"
version=$(dpkg-deb --field "$deb" Version)
grep -q "<release version=\"$version\"" "$share/metainfo/io.github.orveditor.OrvEditor.metainfo.xml" ||
  fail "metainfo has no release $version"
warnings=$(MANWIDTH=80 man --warnings -l "$share/man/man1/orveditor.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "manual page: $warnings"

# The desktop's view of the prefix, as after installing there.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_DATA_DIRS=$share:/usr/share XDG_RUNTIME_DIR=$work/runtime
export PATH=$root/usr/bin:$PATH
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
update-mime-database "$share/mime"
update-desktop-database "$share/applications"
printf 'r4\r\n' >"$work/score.orv"
type=$(gio info -a standard::content-type "$work/score.orv" | sed -n 's/^ *standard::content-type: //p')
[ "$type" = text/x-orvo ] || fail "content type of score.orv: $type"
handlers=$(gio mime text/x-orvo)
grep -q '^Default application .*: io.github.orveditor.OrvEditor.desktop$' <<<"$handlers" ||
  fail "default application: $handlers"

# An installed copy reads the player from the user's folder; without it an advice box would wait.
printf '[OrvFiler]\r\nOrvo=/bin/true\r\n' >"$XDG_CONFIG_HOME/orvfiler.ini"
source "$source_dir/tests/e2e/x_server.sh"
start_x_server
gio open "$work/score.orv" || fail "gio open"
window=
for _ in $(seq 100); do
  window=$(xdotool search --name "Orvo Editor Ver0\.21.* $work/score\.orv\$" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "gio open did not start the editor on score.orv"
editor_pid=$(xdotool getwindowpid "$window")
[ "$(readlink "/proc/$editor_pid/exe")" = "$root/usr/bin/orveditor" ] ||
  fail "the window belongs to $(readlink "/proc/$editor_pid/exe")"
echo "$deb: $(du -k "$deb" | cut -f1) KiB, Depends: $depends"
echo "1 passed, 0 failed"
