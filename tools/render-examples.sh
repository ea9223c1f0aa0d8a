#!/usr/bin/env bash
# Draws the README's pictures with the program itself: every example script is run from a
# temporary folder with its EPS charts asked as PNG (150 dpi) and its EMF charts left out;
# the pictures land in docs/images/ under the names of the EPS files. The LaTeX examples
# (examples/*.tex) are drawn from the CSV files the scripts wrote, under their own names.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCORVANE_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc)" --target corvane >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs/images
shopt -s nullglob
for script in examples/*.txt; do
  name=$(basename "$script")
  sed -E -e '/\([[:space:]]*[Ee][Mm][Ff][[:space:]]*,/d' \
    -e 's/\([[:space:]]*[Ee][Pp][Ss][[:space:]]*,[[:space:]]*"([^"]*)\.eps"/(PNG, "\1.png"/' \
    "$script" >"$work/$name"
  (cd "$work" && "$OLDPWD/build/corvane" "$name" </dev/null >/dev/null)
done
# The LaTeX examples draw the CSV tables the scripts wrote with pgfplots (when pdflatex is here).
if command -v pdflatex >/dev/null; then
  for tex in examples/*.tex; do
    name=$(basename "$tex" .tex)
    cp "$tex" "$work/"
    (cd "$work" && pdflatex -interaction=nonstopmode "$name.tex" >/dev/null &&
      pdftoppm -r 150 -png -singlefile "$name.pdf" "$name.page" &&
      convert "$name.page.png" -trim -bordercolor white -border 10 "$name.png" && rm "$name.page.png")
  done
fi
for png in "$work"/*.png; do
  cp "$png" docs/images/
  echo "docs/images/$(basename "$png")"
done
