#!/usr/bin/env bash
# Draws the icons from their vector source into packaging/: a PNG for every size the desktops ask
# for, and the multi-size .ico of the Windows program. The 32-pixel picture is drawn by hand and
# kept as it is. Run after changing the SVG; the results are committed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
orv_install_debian librsvg2-bin icoutils
icons=$ORV_ROOT/packaging/icons
name=io.github.orveditor.OrvEditor
for size in 16 20 24 40 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$icons/$name.svg" -o "$icons/$name-$size.png"
done
# Windows picks the size of each place (16 to 256 pixels at 100 to 200 %); 256 is stored as PNG.
icotool -c -o "$ORV_ROOT/packaging/windows/orveditor.ico" \
  "$icons/$name-"{16,20,24,32,40,48,64}.png -r "$icons/$name-128.png" -r "$icons/$name-256.png"
