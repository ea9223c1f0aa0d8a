#!/usr/bin/env bash
# Runs two programs on every example script, every script of tools/compare/, the script corpus
# of the fuzz targets and every script the test suite hands to the program, each in a fresh
# folder, and reports for each chart file the largest point difference between the two
# drawings, in kernel units (400 a centimetre): tools/chart_points.py reads EPS, SVG, PDF and
# EMF files; the other files (PNG, CSV, the console) are compared byte for byte.
# Usage: tools/compare-points.sh OLD NEW [BUILD_DIR [SCRIPT...]]
#   OLD, NEW: a commit (built once by tools/commit-build.sh) or the path of a corvane binary.
#   BUILD_DIR (default build/): a build with the test programs, whose runs give the test scripts.
#   SCRIPT...: more scripts to run (for instance the Bode chart of tools/bode100.sh).
# Prints one line per chart file, then the largest difference met and the files above one unit.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
binary() {  # binary COMMIT_OR_PATH
  if [ -x "$1" ] && [ -f "$1" ]; then realpath "$1"; else bash "$root/tools/commit-build.sh" "$1"; fi
}
old=$(binary "$1") || exit 2
new=$(binary "$2") || exit 2
build=$(realpath "${3:-$root/build}")
shift $(($# < 3 ? $# : 3))

work=$(mktemp -d "${TMPDIR:-/tmp}/compare-points.XXXXXX")
trap 'rm -rf "$work"' EXIT
bash "$root/tools/capture-test-scripts.sh" "$build" "$work/captured"
scripts=("$root"/examples/*.txt "$root"/tools/compare/*.txt "$root"/fuzz/corpus/script/*.txt)
for f in "$@"; do scripts+=("$(realpath "$f")"); done
declare -A seen
for f in "${scripts[@]}"; do seen[$(md5sum <"$f" | cut -d' ' -f1)]=1; done
for f in "$work"/captured/s-*; do
  [ -f "$f" ] || continue
  sum=$(md5sum <"$f" | cut -d' ' -f1)
  [ -n "${seen[$sum]:-}" ] && continue
  seen[$sum]=1
  scripts+=("$f")
done

report=$work/report.txt
other=0
for s in "${scripts[@]}"; do
  name=$(basename "$(dirname "$s")")/$(basename "$s")
  for side in old new; do
    d=$work/run/$side
    rm -rf "$d" && mkdir -p "$d"
    cp "$s" "$d/script.txt"
    bin=$old
    [ "$side" = new ] && bin=$new
    (cd "$d" && env -u DISPLAY timeout 300 "$bin" script.txt </dev/null >console.out 2>console.err)
    rm -f "$d/script.txt"
  done
  python3 "$root/tools/chart_points.py" "$work/run/old" "$work/run/new" "$name" | tee -a "$report"
  # Files that are not read as drawings must keep their bytes.
  while IFS= read -r f; do
    case "${f,,}" in *.eps | *.svg | *.pdf | *.emf) continue ;; esac
    if ! cmp -s "$work/run/old/$f" "$work/run/new/$f"; then
      echo "$name $f: bytes differ"
      other=$((other + 1))
    fi
  done < <( (cd "$work/run/old" && find . -type f; cd "$work/run/new" && find . -type f) | sort -u)
done
python3 - "$report" "$other" <<'PY'
import re, sys
lines = open(sys.argv[1]).read().splitlines()
worst, above, read = 0.0, [], 0
for l in lines:
    m = re.search(r"largest difference (\S+) kernel units", l)
    if m:
        read += 1
        v = float("inf") if m.group(1) == "more" else float(m.group(1))
        worst = max(worst, v)
        if v > 1:
            above.append(l)
same = sum(1 for l in lines if l.endswith("same bytes"))
print("compare-points: %d chart files, %d with the same bytes, %d drawn differently; largest "
      "difference %.3g kernel units; %d above one unit; %s other files differ"
      % (len(lines), same, read, worst, len(above), sys.argv[2]))
for l in above:
    print("  above one unit:", l)
PY
