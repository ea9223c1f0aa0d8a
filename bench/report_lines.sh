#!/usr/bin/env bash
# What the report's figures of this tree cost beside those of a previous commit: the whole
# process of the properties report of an order-8 loop with a lightly damped pair (written with
# factors), run by both programs in interleaved rounds (wall-clock medians), then once each
# under valgrind's callgrind (instruction counts, which a busy machine does not disturb).
# Usage: bench/report_lines.sh BASE_BINARY [NEW_BINARY (default build/corvane)] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=$(realpath "$1")
new=$(realpath "${2:-$root/build/corvane}")
rounds=${3:-21}
work=$(mktemp -d "${TMPDIR:-/tmp}/bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cat >"$work/order8.txt" <<'END'
fct = H
H.gain = 0.3
H.pole = -1, -2, -5, -0.5
H.poleC = {1, 0.4, 0.2}
H.poleC = {1, 0.4, 4}
H.prop()
END
cd "$work"
: >base.ms
: >new.ms
for ((i = 0; i < rounds; i++)); do
  for which in base new; do
    bin=$base
    [ "$which" = new ] && bin=$new
    t0=$(date +%s%N)
    "$bin" order8.txt </dev/null >/dev/null
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000)) >>"$which.ms"
  done
done
median() { sort -n "$1" | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)] / 1000}'; }
mb=$(median base.ms)
mn=$(median new.ms)
echo "order-8 report, whole process, median of $rounds interleaved rounds:"
echo "  base $mb ms, new $mn ms, ratio $(awk -v a="$mn" -v b="$mb" 'BEGIN {printf "%.3f", a / b}')"
if command -v valgrind >/dev/null; then
  count() {
    valgrind --tool=callgrind --callgrind-out-file=cg.out "$1" order8.txt </dev/null >/dev/null 2>cg.err
    sed -n 's/^summary: //p' cg.out
  }
  ib=$(count "$base")
  in=$(count "$new")
  echo "  instructions: base $ib, new $in, ratio $(awk -v a="$in" -v b="$ib" 'BEGIN {printf "%.3f", a / b}')"
fi
