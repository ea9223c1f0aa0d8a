#!/usr/bin/env bash
# The properties report of the order-8 and order-16 loops of tools/bench-report-octave.m in
# corvane (bench/report_bench, BM_ReportPeers, in-process) beside the same figures computed
# in-process by GNU Octave's control package and by Scilab, in interleaved rounds: for each
# program the median over the rounds of the processor time and of the wall-clock time of one
# report, and how many times faster corvane is. Processor time is the fairer figure on a shared
# machine (a busy machine stretches the wall clock of all three).
#
#   tools/bench-report-vs-octave.sh [BUILD_DIR] [ROUNDS (default 5)]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
rounds="${2:-5}"
work=$(mktemp -d "${TMPDIR:-/tmp}/peers.XXXXXX")
trap 'rm -rf "$work"' EXIT
median() { sort -n "$1" | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
for ((r = 0; r < rounds; r++)); do
  for order in 8 16; do
    # google benchmark's CSV: name,iterations,real_time,cpu_time,time_unit,...
    "$build/bench/report_bench" --benchmark_filter="ReportPeers/$order\$" \
      --benchmark_min_time=1 --benchmark_format=csv 2>/dev/null |
      awk -F, -v d="$work" -v o="$order" '/ReportPeers/ {
        print $3 >> (d "/corvane" o ".wall"); print $4 >> (d "/corvane" o ".cpu") }'
    octave-cli --no-gui -q "$root/tools/bench-report-octave.m" "$order" 2 |
      sed -n 's/^Octave: \([0-9.]*\) ms per report, \([0-9.]*\) ms.*/\1 \2/p' |
      while read -r wall cpu; do echo "$wall" >>"$work/octave$order.wall"; echo "$cpu" >>"$work/octave$order.cpu"; done
    ORDER=$order RUNS=3 scilab-cli -nb -quit -f "$root/tools/bench-report-scilab.sce" 2>/dev/null |
      sed -n 's/^Scilab: \([0-9.]*\) ms per report, \([0-9.]*\) ms.*/\1 \2/p' |
      while read -r wall cpu; do echo "$wall" >>"$work/scilab$order.wall"; echo "$cpu" >>"$work/scilab$order.cpu"; done
  done
done
echo "Properties report, in-process, medians of $rounds interleaved rounds (ms of processor / ms of wall clock):"
for order in 8 16; do
  c=$(median "$work/corvane$order.cpu") cw=$(median "$work/corvane$order.wall")
  o=$(median "$work/octave$order.cpu") ow=$(median "$work/octave$order.wall")
  s=$(median "$work/scilab$order.cpu") sw=$(median "$work/scilab$order.wall")
  awk -v n="$order" -v c="$c" -v cw="$cw" -v o="$o" -v ow="$ow" -v s="$s" -v sw="$sw" 'BEGIN {
    printf "  order %2d: corvane %.2f / %.2f, Octave %.0f / %.0f (%.0fx / %.0fx), Scilab %.1f / %.1f (%.1fx / %.1fx)\n",
      n, c, cw, o, ow, o / c, ow / cw, s, sw, s / c, sw / cw }'
done
