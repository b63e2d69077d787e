#!/usr/bin/env bash
# Draws the main window's icon and its mouse pointer. Run once after changing a drawing;
# the results are committed. (The splash picture and the background are drawn with the
# other pictures, at every density, by scripts/draw-pictures.sh.)
set -euo pipefail
cd "$(dirname "$0")/pictures"

teal='#1f5f5b'
deep='#0f3432'
gold='#e0b23a'
paper='#fbf6e9'

# Icon: a gold coin with K over a ledger page. Drawn once as a scalable picture, whose
# renderings are the program's own 64-pixel icon and the icons a desktop's menu and task
# bar show at the usual sizes (rsvg-convert, from librsvg2-bin, renders them).
mkdir -p ../icons
cat >../icons/kesterly.svg <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <title>Kesterly</title>
  <rect x="6" y="4" width="44" height="56" rx="5" fill="$paper" stroke="$deep" stroke-width="2"/>
  <path d="M12 16H44M12 24H44M12 32H44M12 40H44M12 48H44" stroke="#9fb8b5" stroke-width="1"/>
  <circle cx="44" cy="44" r="17" fill="$gold" stroke="$deep" stroke-width="2"/>
  <path d="M37 36H41V43L47.5 36H52L44.6 44L52.5 52H48L41 45.6V52H37Z" fill="$deep"/>
</svg>
SVG
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" ../icons/kesterly.svg -o "../icons/kesterly-$size.png"
done
cp ../icons/kesterly-64.png kesterly.png
cp ../icons/kesterly-128.png kesterly@2x.png

# Mouse pointer, 32 x 32, hot spot at the top-left corner: a teal arrow with a gold edge.
convert -size 32x32 xc:none \
  -draw "fill $teal stroke $gold stroke-width 2 polygon 1,1 1,24 7,18 12,29 16,27 11,17 19,17" \
  pointer.png
