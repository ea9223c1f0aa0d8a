#!/bin/sh
# Whole-process time of the properties report of an order-8 loop with a lightly damped pair,
# written with factors and as an expression, and of the same loop behind a delay of 0.5 s, of
# 1000 s and of 1 us. Usage: bench/report_process.sh [build dir]
set -eu
build=${1:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cat >"$dir/factors.txt" <<'END'
fct = H
H.gain = 0.3
H.pole = -1, -2, -5, -0.5
H.poleC = {1, 0.4, 0.2}
H.poleC = {1, 0.4, 4}
H.prop()
END
cat >"$dir/expression.txt" <<'END'
fct = P1
P1.pole = -1
fct = P2
P2.pole = -2
fct = P3
P3.pole = -5
fct = P4
P4.pole = -0.5
fct = Q1
Q1.poleC = {1, 0.4, 0.2}
fct = Q2
Q2.poleC = {1, 0.4, 4}
fct = E
E.exp = "0.3*P1*P2*P3*P4*Q1*Q2"
E.prop()
END
for tau in 0.5 1000 1e-6; do
  sed "s/^H.prop()/H.retard = $tau\nH.prop()/" "$dir/factors.txt" >"$dir/delay_$tau.txt"
done
hyperfine -N --warmup 3 --runs 30 \
  "$build/corvane $dir/factors.txt" "$build/corvane $dir/expression.txt" \
  "$build/corvane $dir/delay_0.5.txt" "$build/corvane $dir/delay_1000.txt" \
  "$build/corvane $dir/delay_1e-6.txt"
