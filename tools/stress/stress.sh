#!/usr/bin/env bash
# Stress run: writes a script of N functions of order 8 (default 100, the registry's maximum),
# NBP points (default 10000), every chart kind to EPS and to EMF in open and closed loop, and a
# properties report of each function; runs it under GNU time in a scratch folder and prints the
# elapsed time and the peak memory. Fails on any error message, missing chart or exit status.
# Usage: stress.sh <corvane binary> [functions] [points]
set -euo pipefail
bin=$(realpath "$1")
n=${2:-100}
nbp=${3:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
script=$work/stress.txt
colours=(NOIR BLEU VERT ROUGE GRIS TURQUOISE VIOLET MARRON JAUNE BLEUCLAIR VERTCLAIR ROUGECLAIR
         GRISCLAIR TURQUOISECLAIR VIOLETCLAIR)
{
  echo "; stress: $n functions of order 8, $nbp points, every chart to EPS and EMF"
  for ((i = 0; i < n; i++)); do
    a=$((i % 7 + 1))
    echo "fct = F$i"
    echo "F$i.gain = $((i % 9 + 2))"
    echo "F$i.pole = -$a, -$((a + 2)), -0.$((i % 9 + 1)), -$((i % 5 + 4))"
    echo "F$i.poleC = {1, 0.$((i % 8 + 2)), $a}, {1, 1.$((i % 10)), $((a + 3))}"
    echo "F$i.zero = -$((i % 3 + 2))"
    echo "F$i.zeroC = {1, 2, $((i % 4 + 5))}"
    echo "F$i.Couleur = ${colours[i % 15]}"
  done
  echo "NBP = $nbp"
  echo "OpenLoop = 1"
  echo "ClosedLoop = 1"
  echo "Wmin = 0.001"
  echo "Wmax = 100"
  for dev in EPS EMF; do
    ext=$(tr 'A-Z' 'a-z' <<<"$dev")
    echo "BodeGP($dev, \"bodegp.$ext\")"
    echo "BodeG($dev, \"bodeg.$ext\")"
    echo "BodeP($dev, \"bodep.$ext\")"
    echo "Black($dev, \"black.$ext\")"
    echo "Temporel($dev, \"temporel.$ext\")"
  done
  for ((i = 0; i < n; i++)); do echo "F$i.prop()"; done
} >"$script"
# STRESS_SCRIPT=path: only write the script there (for profiling), run nothing.
if [ -n "${STRESS_SCRIPT:-}" ]; then
  cp "$script" "$STRESS_SCRIPT"
  exit 0
fi

cd "$work"
status=0
${STRESS_WRAP:-} /usr/bin/time -v "$bin" stress.txt </dev/null >out.txt 2>time.txt || status=$?
elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' time.txt)
peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' time.txt)
echo "stress: $n functions, NBP=$nbp: elapsed $elapsed, peak memory $((peak / 1024)) MiB"
ls -l ./*.eps ./*.emf | awk '{print "  " $5 " bytes  " $NF}'
failed=0
[ "$status" -eq 0 ] || { echo "exit status $status"; failed=1; }
# Error messages start "Erreur :" or "Erreur à la ligne"; the report's "Erreur statique ..."
# lines are figures.
if LC_ALL=C grep -a -q -E "Erreur (:|. la ligne)" out.txt; then
  echo "error messages:"
  LC_ALL=C grep -a -E "Erreur (:|. la ligne)" out.txt | head -n 10
  failed=1
fi
for f in bodegp bodeg bodep black temporel; do
  for ext in eps emf; do
    [ -s "$f.$ext" ] || { echo "missing chart $f.$ext"; failed=1; }
  done
done
reports=$(grep -a -c "^Fonction de transfert  F" out.txt || true)
[ "$reports" -eq "$n" ] || { echo "$reports reports instead of $n"; failed=1; }
exit $failed
