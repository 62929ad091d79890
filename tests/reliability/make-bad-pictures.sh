#!/usr/bin/env bash
# Pictures the backdrop test reads: a good small one, a very large one and
# two cut short (in the header, in the picture data). Made once per build tree.
set -eu
out=$1
mkdir -p "$out"
[ -s "$out/huge.jpg" ] && exit 0
colour='rgb(200,30,40)'
convert -size 400x300 "xc:$colour" -depth 8 -quality 90 "$out/good.jpg"
# Noise makes the picture data long enough to cut in the middle.
convert -size 400x300 plasma:red-blue -depth 8 -quality 90 "$out/noisy.jpg"
size=$(stat -c %s "$out/noisy.jpg")
head -c 300 "$out/noisy.jpg" > "$out/cut-in-header.jpg"
head -c $((size / 2)) "$out/noisy.jpg" > "$out/cut-in-data.jpg"
convert -size 8000x6000 "xc:$colour" -depth 8 -quality 90 "$out/huge.tmp.jpg"
mv "$out/huge.tmp.jpg" "$out/huge.jpg"
