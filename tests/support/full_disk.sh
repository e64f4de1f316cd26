#!/usr/bin/env bash
# Gives the Windows tests under Wine a drive with little room: a 1 MB tmpfs mounted at MOUNT-POINT
# and linked as DRIVE in the Wine prefix that scripts/wine-run.sh uses; the test fills it itself.
# Mounting needs root: without it no drive is made, and the test that needs one skips.
# Usage: full_disk.sh mount|unmount MOUNT-POINT DRIVE     (DRIVE as Wine names it, e.g. t:)
set -euo pipefail
action=$1 point=$2 drive=$3
prefix=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/orveditor/wine}
link=$prefix/dosdevices/$drive
# Never a drive onto the build tree's own disk: the link goes first and comes only after a mount.
rm -f "$link"
if mountpoint -q "$point"; then umount "$point"; fi
[ "$action" = mount ] || exit 0
mkdir -p "$point" "$prefix/dosdevices"
if ! mount -t tmpfs -o size=1m orv-full-disk "$point"; then
  echo "full_disk.sh: cannot mount a small file system here; no drive $drive" >&2
  exit 0
fi
ln -s "$point" "$link"
