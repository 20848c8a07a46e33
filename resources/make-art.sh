#!/bin/sh
# Draws the program's pictures with ImageMagick (convert, version 6 or 7):
#   splash.jpg       461x375 photograph-like crossword on paper, with a pencil
#   kwisvinder.png   32x32 icon in 16 colours: a grid under a magnifier
#   kwisvinder.ico   the same icon for the Windows resource script
# The results are committed; run this again only to change the pictures.
# Usage: resources/make-art.sh [output directory, default: this directory]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# ---------------------------------------------------------------- splash
# The grid: '#' a black square, '.' an empty cell, a letter one pencilled in.
cell=27
cols=11
rows=9
set -- \
  "KWISVINDER#" \
  "A#.#E#.#.#." \
  "ZOEKEN#...." \
  "E#.#.#R#.#." \
  "R....#ASTER" \
  "#.#.#.#.#.#" \
  "....#LETTER" \
  ".#.#.#.#.#." \
  "PEN#......."

gw=$((cols * cell + 1))
gh=$((rows * cell + 1))
draw=grid.mvg
: > "$draw"
y=0
number=1
for line in "$@"; do
  x=0
  while [ $x -lt $cols ]; do
    ch=$(printf '%s' "$line" | cut -c $((x + 1)))
    px=$((x * cell))
    py=$((y * cell))
    if [ "$ch" = "#" ]; then
      echo "fill '#1b1b1d' rectangle $px,$py $((px + cell)),$((py + cell))" >> "$draw"
    else
      # A small clue number in the corner of every third open cell of the top
      # row and first column, as a printed puzzle has them.
      if [ $y -eq 0 ] || [ $x -eq 0 ]; then
        if [ $(((x + y) % 3)) -eq 0 ]; then
          echo "fill '#333333' font-size 7 text $((px + 2)),$((py + 8)) '$number'" >> "$draw"
          number=$((number + 1))
        fi
      fi
      if [ "$ch" != "." ]; then
        # Hand-written: each letter a little turned and shifted.
        turn=$(((x * 7 + y * 13) % 11 - 5))
        dx=$(((x * 5 + y * 3) % 4))
        echo "push graphic-context fill '#55555c' translate $((px + 8 + dx)),$((py + 22)) rotate $turn font-size 18 text 0,0 '$ch' pop graphic-context" >> "$draw"
      fi
    fi
    x=$((x + 1))
  done
  y=$((y + 1))
done
i=0
while [ $i -le $cols ]; do
  echo "stroke '#2a2a2a' stroke-width 1 line $((i * cell)),0 $((i * cell)),$gh" >> "$draw"
  i=$((i + 1))
done
i=0
while [ $i -le $rows ]; do
  echo "stroke '#2a2a2a' stroke-width 1 line 0,$((i * cell)) $gw,$((i * cell))" >> "$draw"
  i=$((i + 1))
done

convert -size ${gw}x${gh} xc:none -font Liberation-Sans-Narrow -draw "$(cat "$draw")" \
  -bordercolor none -border 30 -background none -rotate -5 grid.png

# Paper: warm white with fibre noise, lit from the top left.
convert -size 461x375 xc:'#eee7d6' -seed 11 -attenuate 0.35 +noise Gaussian \
  -blur 0x0.6 paper.png
convert -size 700x600 radial-gradient:'#ffffff'-'#8c8478' \
  -crop 461x375+40+30 +repage light.png

# The grid printed on the paper: darkest where ink is, with a faint smudge.
convert grid.png -channel A -blur 0x0.4 +channel grid-soft.png

# The pencil, drawn lying flat, then turned across the page.
convert -size 330x40 xc:none \
  -fill '#d9a321' -draw "rectangle 40,8 290,32" \
  -fill '#f2c84b' -draw "rectangle 40,11 290,17" \
  -fill '#b98616' -draw "rectangle 40,26 290,32" \
  -fill '#c7c9cc' -draw "rectangle 290,8 312,32" \
  -fill '#9ea1a6' -draw "line 296,8 296,32" -draw "line 302,8 302,32" \
  -fill '#d98c9a' -draw "roundrectangle 310,8 326,32 5,5" \
  -fill '#e8c9a0' -draw "polygon 40,8 40,32 6,20" \
  -fill '#3a3a3e' -draw "polygon 14,16 14,24 2,20" \
  pencil-flat.png
convert pencil-flat.png -background none -rotate -28 pencil.png
convert pencil.png -fill '#000000' -colorize 100 -channel A -evaluate multiply 0.45 +channel \
  -blur 0x6 pencil-shadow.png

convert paper.png \
  grid-soft.png -geometry +52+8 -compose multiply -composite \
  light.png -compose multiply -composite \
  pencil-shadow.png -geometry +188+150 -compose over -composite \
  pencil.png -geometry +174+136 -compose over -composite \
  -seed 5 -attenuate 0.25 +noise Gaussian -blur 0x0.5 \
  -quality 88 -sampling-factor 2x2 -strip "$out/splash.jpg"

# ------------------------------------------------------------------ icon
# Its own 16-colour palette.
convert -size 1x1 \
  xc:'#000000' xc:'#ffffff' xc:'#c0c0c0' xc:'#808080' xc:'#404040' \
  xc:'#1d3f8f' xc:'#4f7fd0' xc:'#a8d0f0' xc:'#e8f4ff' \
  xc:'#7a4a1c' xc:'#b07838' xc:'#f0c040' xc:'#c02020' \
  xc:'#208040' xc:'#f8f0d8' xc:'#604020' \
  +append palette.png

# A 4x4 puzzle on a page, a magnifier lying over its lower right.
convert -size 32x32 xc:none +antialias \
  -fill '#f8f0d8' -stroke '#404040' -draw "rectangle 1,1 22,22" \
  -stroke '#808080' -draw "line 6,1 6,22" -draw "line 11,1 11,22" -draw "line 16,1 16,22" \
  -draw "line 1,6 22,6" -draw "line 1,11 22,11" -draw "line 1,16 22,16" \
  -stroke none -fill '#000000' \
  -draw "rectangle 7,2 10,5" -draw "rectangle 17,2 21,5" -draw "rectangle 2,12 5,15" \
  -draw "rectangle 12,7 15,10" -draw "rectangle 2,17 5,21" \
  -fill '#c02020' -draw "rectangle 2,2 5,5" \
  -stroke '#604020' -strokewidth 4 -draw "line 25,25 30,30" \
  -stroke '#b07838' -strokewidth 2 -draw "line 25,25 30,30" \
  -stroke '#1d3f8f' -strokewidth 2 -fill '#a8d0f0' -draw "circle 18,18 18,26" \
  -stroke none -fill '#e8f4ff' -draw "circle 15,15 15,17" \
  icon-drawn.png
# Colours onto the palette; what was not drawn on stays transparent, as the
# mask of a 16-colour Windows icon.
convert icon-drawn.png -alpha off +dither -remap palette.png \
  \( icon-drawn.png -alpha extract -threshold 50% \) \
  -compose copy_opacity -composite \
  -type PaletteAlpha -define png:bit-depth=4 -strip "$out/kwisvinder.png"
convert "$out/kwisvinder.png" -type PaletteAlpha "$out/kwisvinder.ico"
