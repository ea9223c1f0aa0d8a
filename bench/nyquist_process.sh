#!/bin/sh
# Whole-process time of the Nyquist chart of an order-8 loop with a lightly damped pair at the
# default 400 points (EPS, and PNG), and of its properties report with and without the Nyquist
# criterion's share (the report alone is timed by bench/report_process.sh).
# Usage: bench/nyquist_process.sh [build dir]
set -eu
build=${1:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cat >"$dir/nyquist.txt" <<END
fct = H
H.gain = 3
H.pole = -1, -2, -5, -0.5
H.poleC = {1, 0.04, 0.2}
H.poleC = {1, 0.4, 4}
NBP = 400
Nyquist(EPS, "$dir/n.eps")
END
sed 's/Nyquist(EPS, "\(.*\)n.eps")/Nyquist(PNG, "\1n.png")/' "$dir/nyquist.txt" >"$dir/png.txt"
cat >"$dir/empty.txt" <<'END'
fct = H
H.gain = 3
H.pole = -1, -2, -5, -0.5
H.poleC = {1, 0.04, 0.2}
H.poleC = {1, 0.4, 4}
END
# Interleaved rounds (the machine is shared), median of each: hyperfine when it is there, else
# the shell's clock.
if command -v hyperfine >/dev/null; then
  exec hyperfine -N --warmup 3 --runs 50 "$build/corvane $dir/empty.txt" \
    "$build/corvane $dir/nyquist.txt" "$build/corvane $dir/png.txt"
fi
runs=${RUNS:-41}
i=0
while [ $i -lt $runs ]; do
  for s in empty nyquist png; do
    t0=$(date +%s%N)
    "$build/corvane" "$dir/$s.txt" </dev/null >/dev/null
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000)) >>"$dir/$s.us"
  done
  i=$((i + 1))
done
for s in empty nyquist png; do
  printf '%s: median %s us over %s runs\n' "$s" "$(sort -n "$dir/$s.us" | sed -n "$((runs / 2 + 1))p")" "$runs"
done
