#!/usr/bin/env bash
# Draws the README's pictures with the program itself: every example script is run from a
# temporary folder with its EPS charts asked as PNG (150 dpi) and its EMF charts left out;
# the pictures land in docs/images/ under the names of the EPS files.
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
for png in "$work"/*.png; do
  cp "$png" docs/images/
  echo "docs/images/$(basename "$png")"
done
