#!/usr/bin/env bash
# Whole-process timings of three charts, two programs side by side and the peers in the same
# rounds (interleaved, so that a busy machine weighs on all alike; medians): the Bode chart of
# 100 functions x 10000 points to EPS beside GNU Octave's bode and Scilab's repfreq on the same
# responses (tools/bode100.sh; the peers' own timing of their 100 evaluations is read too), a
# Black chart of one function with its Nichols contours, and the time chart of 20 fourth-order
# functions in both loops (the functions of sim_bench's time chart).
# Usage: tools/bench-charts.sh OLD NEW [ROUNDS]
#   OLD, NEW: a commit (built once by tools/commit-build.sh) or the path of a corvane binary.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
binary() {
  if [ -x "$1" ] && [ -f "$1" ]; then realpath "$1"; else bash "$root/tools/commit-build.sh" "$1"; fi
}
old=$(binary "$1") || exit 2
new=$(binary "$2") || exit 2
rounds=${3:-11}
work=$(mktemp -d "${TMPDIR:-/tmp}/bench-charts.XXXXXX")
trap 'rm -rf "$work"' EXIT
bash "$root/tools/bode100.sh" "$work"
cd "$work"
printf 'fct = H\nH.gain = 10\nH.pole = -1, -10\nBlack(EPS, "black.eps")\n' >black.txt
for ((i = 0; i < 20; i++)); do
  echo "fct = F$i"
  echo "F$i.gain = $((2 + i))"
  awk -v i=$i 'BEGIN { printf "F%d.pole = %g, %g\n", i, -0.5 - 0.1 * i, -5 - i;
                       printf "F%d.poleC = {1, %g, %g}\n", i, 0.4 + 0.05 * i, 4 + i }'
done >time20.txt
printf 'OpenLoop = 1\nClosedLoop = 1\nTemporel(EPS, "time20.eps")\n' >>time20.txt

# run NAME COMMAND...: one timed run, "NAME wall_s processor_s" appended to times.txt (the
# processor time by perf stat where it runs, else by time).
run() {
  local name=$1
  shift
  local s e
  s=$(date +%s%N)
  if [ $has_perf = 1 ]; then  # processor time to the microsecond, every thread
    perf stat -x, -e task-clock -o cpu.txt "$@" </dev/null >out.txt 2>&1
  else
    /usr/bin/time -f "%U %S" -o cpu.txt "$@" </dev/null >out.txt 2>&1
  fi
  e=$(date +%s%N)
  if [ $has_perf = 1 ]; then
    cpu=$(awk -F, '/task-clock/ { printf "%.4f", $1 / 1000 }' cpu.txt)
  else
    cpu=$(awk '{ print $1 + $2 }' cpu.txt)
  fi
  echo "$name $(awk -v a="$s" -v b="$e" 'BEGIN { printf "%.4f", (b - a) / 1e9 }') $cpu" >>times.txt
  case $name in
    octave) sed -n 's/.*points: \([0-9.]*\) s (processor \([0-9.]*\) s).*/octave_bode \1 \2/p' out.txt >>times.txt ;;
    scilab) sed -n 's/.*points: \([0-9.]*\) s (processor \([0-9.]*\) s).*/scilab_repfreq \1 \2/p' out.txt >>times.txt ;;
  esac
}
has_octave=0 has_scilab=0 has_perf=0
perf stat -e task-clock true >/dev/null 2>&1 && has_perf=1
command -v octave-cli >/dev/null && has_octave=1
command -v scilab-cli >/dev/null && has_scilab=1
for ((r = 0; r < rounds; r++)); do
  for side in old new; do
    bin=$old
    [ $side = new ] && bin=$new
    run "bode100_$side" "$bin" bode100.txt
    run "black_$side" "$bin" black.txt
    run "time20_$side" "$bin" time20.txt
  done
  [ $has_octave = 1 ] && run octave octave-cli -q octave_bode.m
  [ $has_scilab = 1 ] && run scilab scilab-cli -nwni -quit -f scilab_bode.sce
done
echo "$rounds rounds; old $old; new $new; medians, wall then processor (s):"
python3 - times.txt <<'PY'
import statistics, sys
t = {}
for l in open(sys.argv[1]):
    n, w, c = l.split()
    t.setdefault(n, []).append((float(w), float(c)))
for n in sorted(t):
    w = statistics.median(x[0] for x in t[n]); c = statistics.median(x[1] for x in t[n])
    print("%-16s %8.4f %8.4f   (%d runs, wall min %.4f)" % (n, w, c, len(t[n]), min(x[0] for x in t[n])))
PY
