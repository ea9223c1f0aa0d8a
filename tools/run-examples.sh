#!/usr/bin/env bash
# Installs what is missing, builds corvane into build/ and runs every examples/*.txt script
# from inside out/, so that the chart files the scripts name land in out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCORVANE_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc)"
mkdir -p out
shopt -s nullglob
for script in examples/*.txt; do
  echo "== $script =="
  (cd out && ../build/corvane "../$script" </dev/null)
done
echo "== chart files in out/ =="
ls -l out
