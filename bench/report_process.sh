#!/usr/bin/env bash
# Whole-process time of the properties report: an order-8 loop with a lightly damped pair,
# written with factors and as an expression, the same loop behind a delay of 0.5 s, of 1000 s and
# of 1 us, an order-16 loop, and 2/((s+1)(s+2)) simulated over 1000 s (TempTfin = 1000).
# Usage:
#   bench/report_process.sh [BUILD_DIR]
#       every script with hyperfine (build/ by default);
#   bench/report_process.sh --base BASE_BINARY [NEW_BINARY] [ROUNDS]
#       the order-8, order-16 and 1000 s reports of a previous build beside this one
#       (build/corvane by default), run in interleaved rounds (wall-clock medians of 21 rounds by
#       default), then once each under valgrind's callgrind (instruction counts, which a busy
#       machine does not disturb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The scripts, in the folder $work.
cat >"$work/factors.txt" <<'END'
fct = H
H.gain = 0.3
H.pole = -1, -2, -5, -0.5
H.poleC = {1, 0.4, 0.2}
H.poleC = {1, 0.4, 4}
H.prop()
END
cat >"$work/expression.txt" <<'END'
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
  sed "s/^H.prop()/H.retard = $tau\nH.prop()/" "$work/factors.txt" >"$work/delay_$tau.txt"
done
cat >"$work/order16.txt" <<'END'
fct = H
H.gain = 300
H.pole = -1, -2, -5, -0.5, -1.5, -3, -4, -6
H.poleC = {1, 0.4, 0.2}, {1, 0.4, 4}, {1, 0.6, 1}, {1, 0.8, 9}
H.prop()
END
cat >"$work/tfin1000.txt" <<'END'
TempTfin = 1000
fct = H
H.gain = 2
H.pole = -1, -2
H.prop()
END

if [ "${1:-}" != --base ]; then
  build=$(realpath "${1:-$root/build}")
  cd "$work"
  hyperfine -N --warmup 3 --runs 30 \
    "$build/corvane factors.txt" "$build/corvane expression.txt" \
    "$build/corvane delay_0.5.txt" "$build/corvane delay_1000.txt" \
    "$build/corvane delay_1e-6.txt" "$build/corvane order16.txt" "$build/corvane tfin1000.txt"
  exit
fi

base=$(realpath "$2")
new=$(realpath "${3:-$root/build/corvane}")
rounds=${4:-21}
cd "$work"
median() { sort -n "$1" | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)] / 1000}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }
for script in factors order16 tfin1000; do
  : >base.ms
  : >new.ms
  for ((i = 0; i < rounds; i++)); do
    for which in base new; do
      bin=$base
      [ "$which" = new ] && bin=$new
      t0=$(date +%s%N)
      "$bin" "$script.txt" </dev/null >/dev/null
      t1=$(date +%s%N)
      echo $(((t1 - t0) / 1000)) >>"$which.ms"
    done
  done
  mb=$(median base.ms)
  mn=$(median new.ms)
  echo "$script report, whole process, median of $rounds interleaved rounds:"
  echo "  base $mb ms, new $mn ms, ratio $(ratio "$mn" "$mb")"
  if command -v valgrind >/dev/null; then
    count() {
      valgrind --tool=callgrind --callgrind-out-file=cg.out "$1" "$script.txt" </dev/null \
        >/dev/null 2>cg.err
      sed -n 's/^summary: //p' cg.out
    }
    ib=$(count "$base")
    in=$(count "$new")
    echo "  instructions: base $ib, new $in, ratio $(ratio "$in" "$ib")"
  fi
done
