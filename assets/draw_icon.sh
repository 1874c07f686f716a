#!/usr/bin/env bash
# Draws the program icon (a die showing three: blue frame, white face, red
# pips) in the sizes Windows shows, 16 to 256 pixels, into one .ico file.
# Each size is drawn at four times its size and scaled down, so that small
# sizes stay crisp. Usage: draw_icon.sh <output.ico>
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=()
for size in 256 48 32 24 16; do
  s=$((size * 4))
  # Geometry as fractions of the side, in integer pixels of the large canvas.
  f() { echo $((s * $1 / 1000)); }
  r=$(f 220); i0=$(f 190); i1=$(f 810); ir=$(f 100); dot=$(f 95)
  pips=""
  for c in 330 500 670; do
    x=$(f $c)
    pips="$pips circle $x,$x $((x + dot)),$x"
  done
  convert -size ${s}x${s} xc:none \
    -fill '#1f5fbf' -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" \
    -fill white -draw "roundrectangle $i0,$i0 $i1,$i1 $ir,$ir" \
    -fill '#d02020' -draw "$pips" \
    -resize ${size}x${size} -depth 8 "PNG32:$work/$size.png"
  frames+=("$work/$size.png")
done
convert "${frames[@]}" "$out"
