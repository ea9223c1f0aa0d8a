#!/usr/bin/env bash
# Whole-process timings of the program (hyperfine, medians): a Bode chart (gain and phase) of
# 100 functions of order 8 at 10000 points to EPS, set beside GNU Octave's bode computing the
# same responses; the depth-12 nested expression E_k = "(E_k-1+E_k-1)/2" as a Bode chart at
# 10000 points and as a report; a Black chart of one function with grid and contours; the root
# locus of an order-8 function; an empty
# script; and every example script run one after the other.
# Usage: tools/bench-process.sh [corvane binary] (default build/corvane)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(realpath "${1:-$root/build/corvane}")
work=$(mktemp -d "${TMPDIR:-/tmp}/bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# The Bode chart of 100 functions and the same responses for GNU Octave.
bash "$root/tools/bode100.sh" "$work"

{
  echo "fct = E0"; echo "E0.gain = 4"; echo "E0.pole = -1, -2, -5"; echo "E0.select = 0"
  for k in $(seq 1 12); do echo "fct = E$k"; echo "E$k.exp = \"(E$((k - 1))+E$((k - 1)))/2\""; echo "E$k.select = 0"; done
  echo "E12.select = 1"; echo "NBP = 10000"
} >nested.txt
(cat nested.txt; echo 'BodeGP(EPS, "nested.eps")') >nested_bode.txt
(cat nested.txt; echo 'E12.prop()') >nested_prop.txt
printf 'fct = H\nH.gain = 10\nH.pole = -1, -10\nBlack(EPS, "black.eps")\n' >black.txt
# Root locus of an order-8 function with two zeros and two close pairs of complex poles.
printf 'fct = H\nH.gain = 5\nH.zero = -3, -7\nH.pole = -1, -1.05, -6, -8\nH.poleC = {1, 0.2, 4}, {1, 0.25, 4.2}\nEvans(EPS, "evans.eps")\n' >evans8.txt
: >empty.txt
examples=""
for s in "$root"/examples/*.txt; do examples+="$bin $s </dev/null >/dev/null; "; done

hyperfine -N --warmup 2 --style basic --export-json times.json \
  -n bode100 "$bin bode100.txt" -n nested_bode "$bin nested_bode.txt" \
  -n nested_prop "$bin nested_prop.txt" -n black "$bin black.txt" -n evans8 "$bin evans8.txt" -n empty "$bin empty.txt" \
  </dev/null >/dev/null
hyperfine --warmup 1 --style basic -n examples --export-json ex.json "$examples" >/dev/null
python3 - times.json ex.json <<'PY'
import json, sys
for f in sys.argv[1:]:
    for r in json.load(open(f))["results"]:
        print("%-12s median %8.1f ms  (min %.1f, max %.1f, %d runs)" % (r["command"],
              1000 * r["median"], 1000 * r["min"], 1000 * r["max"], len(r["times"])))
PY

# GNU Octave: the same 100 responses at the same 10000 frequencies, [mag, phase] = bode(sys, w).
if command -v octave-cli >/dev/null; then
  octave-cli -q octave_bode.m
fi
