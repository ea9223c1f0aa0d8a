#!/usr/bin/env bash
# Runs the same scripts with two builds of corvane and compares, byte for byte, the console
# output and every file each run writes. The scripts are examples/*.txt and every script the
# test suite hands to the program (captured while test_e2e and tests/scripts/*.sh run).
#
#   tools/compare-sim-outputs.sh OLD_BINARY [BUILD_DIR]
#
# BUILD_DIR (default build/) holds the new corvane and the test programs; OLD_BINARY is a copy
# of corvane built from the commit to compare against. Exit status 0 when every run matches.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
old="$(realpath "$1")"
build="$(realpath "${2:-$root/build}")"
new="$build/corvane"
work="$(mktemp -d /tmp/corvane-compare-XXXXXX)"
cap="$work/captured"
mkdir -p "$cap"

# Capture of the scripts the tests run (the program is put back afterwards).
bash "$root/tools/capture-test-scripts.sh" "$build" "$cap"

# A few more time charts and reports: every order from 0 to 10, biproper functions, each input.
extra="$work/extra"
mkdir -p "$extra"
for input in 0 1 2; do
  {
    echo "ClosedLoop = 1"
    echo "Input = $input"
    echo "TempTfin = 8"
    echo "fct = K"
    echo "K.gain = 0.5"
    poles=""
    for n in 1 2 3 4 5 6 7 8 9 10; do
      poles="$poles${poles:+, }-$n"
      echo "fct = P$n"
      echo "P$n.gain = $((n * 3))"
      echo "P$n.pole = $poles"
      [ $((n % 3)) -eq 0 ] && echo "P$n.zero = -0.5"
    done
    echo "fct = B"
    echo "B.gain = 2"
    echo "B.zero = -3"
    echo "B.pole = -1"
    echo "fct = E"
    echo "E.exp = \"P2*B/(1+P3)\""
    echo "Temporel(EPS, \"t$input.eps\")"
    echo "Temporel(EMF, \"t$input.emf\")"
    for f in K P1 P4 P8 P9 P10 B E; do echo "$f.prop()"; done
  } >"$extra/orders$input.txt"
done

# Every distinct script once.
scripts=("$root"/examples/*.txt "$extra"/*.txt)
declare -A seen
for f in "$cap"/s-*; do
  sum=$(md5sum <"$f" | cut -d' ' -f1)
  [ -n "${seen[$sum]:-}" ] && continue
  seen[$sum]=1
  scripts+=("$f")
done

fails=0
runs=0
for s in "${scripts[@]}"; do
  for side in old new; do
    d="$work/run/$side"
    rm -rf "$d" && mkdir -p "$d"
    cp "$s" "$d/script.txt"
    bin="$old"
    [ "$side" = new ] && bin="$new"
    (cd "$d" && timeout 300 env -u DISPLAY "$bin" script.txt </dev/null >stdout.bin 2>stderr.bin)
    echo "$?" >"$d/status"
    # A PDF carries the time it was written: only that date is left out of the comparison.
    for f in "$d"/*.pdf; do
      [ -f "$f" ] && perl -0777 -pi -e 's{/CreationDate \(D:\d+Z\)}{/CreationDate (D:0)}g' "$f"
    done
  done
  runs=$((runs + 1))
  if ! diff -r -q "$work/run/old" "$work/run/new" >/dev/null; then
    fails=$((fails + 1))
    echo "DIFFERS: $s"
    diff -r -q "$work/run/old" "$work/run/new" | head -5
    keep="$work/differs/$runs"
    mkdir -p "$keep" && cp -r "$work/run/old" "$work/run/new" "$keep/" && cp "$s" "$keep/"
  fi
done
echo "$runs scripts compared, $fails differ (work folder: $work)"
[ "$fails" -eq 0 ]
