#!/usr/bin/env bash
# Installs what is missing, builds from scratch (plain, then with ASan+UBSan) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)
for variant in plain sanitize; do
  dir=build-test-$variant
  rm -rf "$dir"
  san=OFF; [ $variant = sanitize ] && san=ON
  cmake -S . -B "$dir" -DCORVANE_SANITIZE=$san -DCORVANE_BENCH=OFF >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== tests ($variant) =="
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
done
echo "== fuzzing (libFuzzer, one minute a target) =="
bash tools/run-fuzz.sh
