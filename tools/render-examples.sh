#!/usr/bin/env bash
# Runs every example script (tools/run-examples.sh) and renders the EPS charts they write into
# small PNG pictures under docs/images/, with Ghostscript.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/run-examples.sh >/dev/null
mkdir -p docs/images
shopt -s nullglob
for eps in out/*.eps; do
  png="docs/images/$(basename "${eps%.eps}").png"
  gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=png256 -r48 \
     -dTextAlphaBits=4 -dGraphicsAlphaBits=4 -sOutputFile="$png" "$eps"
  echo "$png"
done
