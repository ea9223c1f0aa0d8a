#!/bin/bash
# Font sheet: the tool writes an EPS file that Ghostscript renders, with ink over most of the page.
# Arguments: <corvane> <source dir> <build dir>.
set -eu
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$3/font_sheet" "$tmp/sheet.eps"
bbox=$(gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bbox "$tmp/sheet.eps" 2>&1 | grep '^%%BoundingBox:')
read -r _ x0 y0 x1 y1 <<<"$bbox"
echo "ink: $x0 $y0 $x1 $y1"
# The page is 19 x 28 cm (539 x 794 points); the glyph grid spans nearly all of it.
test $((x1 - x0)) -gt 450
test $((y1 - y0)) -gt 700
gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=png16m -r48 -sOutputFile="$tmp/sheet.png" \
  "$tmp/sheet.eps"
test -s "$tmp/sheet.png"
