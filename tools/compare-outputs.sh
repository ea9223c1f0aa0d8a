#!/usr/bin/env bash
# Runs every example script, the script corpus of the fuzz targets, the scripts of
# tools/compare/ and a reduced stress script with the program of a previous commit and with the
# program of the working tree, each in a fresh folder, and compares the console bytes and the
# bytes of every file written. Prints one line per difference and fails when there is one.
# Usage: tools/compare-outputs.sh [BASE_COMMIT] (default: main)
# The base is built once by tools/commit-build.sh (into build-compare/<hash>/); the working
# tree is built into build-compare/work/ (program only, so build/ keeps its own settings).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=${1:-main}
hash=$(git -C "$root" rev-parse --verify "$base^{commit}") || { echo "unknown commit $base"; exit 2; }
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

build() {  # build SRC BUILDDIR
  cmake -S "$1" -B "$2" -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF "${launcher[@]}" >"$2.log" 2>&1 &&
    cmake --build "$2" -j2 --target corvane >>"$2.log" 2>&1 || { echo "build of $1 failed, see $2.log"; exit 2; }
}
old=$(bash "$root/tools/commit-build.sh" "$hash") || exit 2
build "$root" "$root/build-compare/work"
new=$root/build-compare/work/corvane

work=$(mktemp -d "${TMPDIR:-/tmp}/compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
scripts=("$root"/examples/*.txt "$root"/fuzz/corpus/script/*.txt "$root"/tools/compare/*.txt)
STRESS_SCRIPT=$work/stress_reduced.txt bash "$root/tools/stress/stress.sh" "$new" 10 1000 &&
  scripts+=("$work/stress_reduced.txt")

# run BINARY SCRIPT DIR : runs the script inside DIR, console to DIR/console.out; no display,
# no key wait, bounded in time.
run() {
  mkdir -p "$3"
  cp "$2" "$3/script.txt"
  (cd "$3" && env -u DISPLAY timeout 300 "$1" script.txt </dev/null >console.out 2>console.err)
  echo "exit $?" >>"$3/console.err"
}

differ=0 compared=0
for s in "${scripts[@]}"; do
  name=$(basename "$s" .txt)
  d=$work/$(basename "$(dirname "$s")")_$name
  run "$old" "$s" "$d/old"
  run "$new" "$s" "$d/new"
  # Every file of either run, the console included, must exist in both with the same bytes.
  while IFS= read -r f; do
    compared=$((compared + 1))
    if [ ! -e "$d/old/$f" ] || [ ! -e "$d/new/$f" ]; then
      echo "DIFF $s: $f written by one program only"
      differ=$((differ + 1))
    elif ! cmp -s "$d/old/$f" "$d/new/$f"; then
      echo "DIFF $s: $f differs ($(cmp "$d/old/$f" "$d/new/$f" 2>&1 | head -n 1))"
      differ=$((differ + 1))
    fi
  done < <( (cd "$d/old" && find . -type f; cd "$d/new" && find . -type f) | sort -u)
done
echo "compare-outputs: ${#scripts[@]} scripts, $compared files compared with $base (${hash:0:7}), $differ differences"
[ "$differ" -eq 0 ]
