#!/usr/bin/env bash
# Installs what is missing, builds from scratch (plain, then with ASan+UBSan) and runs every test.
# Each phase ends with its wall time, to see where the minutes go.
set -euo pipefail
cd "$(dirname "$0")/.."
phase_start=$SECONDS
phase_done() {
  echo "== $1: $((SECONDS - phase_start)) s =="
  phase_start=$SECONDS
}
bash tools/install-deps.sh
phase_done "packages"
jobs=$(nproc)
for variant in plain sanitize; do
  dir=build-test-$variant
  rm -rf "$dir"
  san=OFF; [ $variant = sanitize ] && san=ON
  cmake -S . -B "$dir" -DCORVANE_SANITIZE=$san -DCORVANE_BENCH=OFF >/dev/null
  cmake --build "$dir" -j "$jobs"
  phase_done "build ($variant)"
  echo "== tests ($variant) =="
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
  phase_done "tests ($variant)"
done
echo "== fuzzing (libFuzzer, the three targets side by side) =="
bash tools/run-fuzz.sh
phase_done "fuzzing"
