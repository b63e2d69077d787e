#!/usr/bin/env bash
# Draws the shell's pictures: the splash picture, the main window's background, its icon
# and its mouse pointer. Run once after changing a drawing; the results are committed.
set -euo pipefail
cd "$(dirname "$0")/pictures"

teal='#1f5f5b'
deep='#0f3432'
gold='#e0b23a'
paper='#fbf6e9'
serif=$(fc-match -f '%{file}' 'Liberation Serif:bold')
sans=$(fc-match -f '%{file}' 'Liberation Sans')

# An open ledger: two pages with ruled lines and a column of figures, on a gold spine.
ledger() { # ledger <x> <y> <scale>
  local x=$1 y=$2 s=$3
  local w=$((110 * s / 10)) h=$((150 * s / 10))
  local draw="fill $paper stroke $deep stroke-width 2 "
  draw+="roundrectangle $x,$y $((x + w)),$((y + h)) 6,6 "
  draw+="roundrectangle $((x + w)),$y $((x + 2 * w)),$((y + h)) 6,6 "
  draw+="stroke $gold stroke-width 5 line $((x + w)),$((y + 4)) $((x + w)),$((y + h - 4)) "
  draw+="stroke '#9fb8b5' stroke-width 1 "
  local i
  for i in 1 2 3 4 5 6 7 8; do
    local ly=$((y + i * h / 10 + 6))
    draw+="line $((x + 10)),$ly $((x + w - 10)),$ly line $((x + w + 10)),$ly $((x + 2 * w - 10)),$ly "
  done
  draw+="stroke '#c0392b' line $((x + w + 3 * w / 4)),$((y + 10)) $((x + w + 3 * w / 4)),$((y + h - 10)) "
  echo "$draw"
}

# Splash picture, 900 x 500.
convert -size 900x500 gradient:"$teal"-"$deep" \
  -draw "fill none stroke '#2c7a74' stroke-width 1 $(for i in $(seq 0 40 900); do echo "line $i,0 $((i + 260)),500 "; done)" \
  -draw "$(ledger 520 150 16)" \
  -draw "fill $gold stroke none circle 696,120 696,160" \
  -font "$serif" -pointsize 30 -fill "$deep" -annotate +683+131 'K' \
  -font "$serif" -pointsize 96 -fill white -annotate +70+210 'Kesterly' \
  -font "$sans" -pointsize 28 -fill "$gold" -annotate +76+262 'Your personal accounts book' \
  -font "$sans" -pointsize 19 -fill '#cfe3e1' \
  -annotate +78+318 'Income and expenses against a running balance' \
  -annotate +78+348 'Reminders announced on time' \
  -annotate +78+378 'Interest worked out in a click' \
  -quality 92 -type TrueColor splash.jpg

# Main window background, 500 x 400, on white: a quiet ledger and the name.
convert -size 500x400 xc:white \
  -draw "$(ledger 118 70 12)" \
  -font "$serif" -pointsize 44 -fill "$teal" -gravity south -annotate +0+40 'Kesterly' \
  -quality 92 -type TrueColor background.jpg

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

# Mouse pointer, 32 x 32, hot spot at the top-left corner: a teal arrow with a gold edge.
convert -size 32x32 xc:none \
  -draw "fill $teal stroke $gold stroke-width 2 polygon 1,1 1,24 7,18 12,29 16,27 11,17 19,17" \
  pointer.png
