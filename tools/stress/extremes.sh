#!/usr/bin/env bash
# Times single script lines at the extremes of the command ranges, each in a script of its
# own: 1000 lines of 120 poles on one function (the order limit stops it at 1000), and each
# chart kind and the report on one function of order 1000 at the most points, the widest
# frequency range, the longest and finest simulation, in open and closed loop. Prints the
# processor time (user + system, so that a busy machine does not inflate it) and the elapsed
# time of each run, through GNU time; the setup lines cost milliseconds. The case chain is a
# Bode chart at the most points, in open and closed loop, of one function of 97 chained
# expressions holding 48 500 constant terms, 500 a line (the functions it names are not drawn).
# Usage: extremes.sh <corvane binary> [case ...]   cases: poles bode black temporel prop chain
set -euo pipefail
bin=$(realpath "$1")
shift
cases=("$@")
[ ${#cases[@]} -eq 0 ] && cases=(poles bode black temporel prop chain)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

order1000() {  # 500 distinct damped second-order factors, 40 a line, and 100 real zeros
  echo "fct = H"
  for ((l = 0; l < 500; l += 40)); do
    line="H.poleC = "
    for ((i = l; i < l + 40 && i < 500; i++)); do
      [ $i -gt $l ] && line+=", "
      line+="{1, 0.$((200 + i)), $((1 + i / 100)).$((i % 100))}"
    done
    echo "$line"
  done
  line="H.zero = -1"
  for ((i = 1; i < 100; i++)); do line+=", -$((1 + i / 50)).$((i % 50 + 10))"; done
  echo "$line"
  echo "NBP = 10000"
  echo "Wmin = 1e-10"
  echo "Wmax = 1e10"
  echo "ClosedLoop = 1"
  echo "TempTfin = 1000"
  echo "TempDt = 1e-7"
}

for c in "${cases[@]}"; do
  s=$work/$c.txt
  case $c in
    poles)
      {
        echo "fct = H"
        line="H.pole = -1"
        for ((i = 1; i < 120; i++)); do line+=", -1.$i"; done
        for ((l = 0; l < 1000; l++)); do echo "$line"; done
      } >"$s"
      ;;
    bode) { order1000; echo 'BodeGP(EPS, "bode.eps")'; } >"$s" ;;
    black) { order1000; echo 'Black(EPS, "black.eps")'; } >"$s" ;;
    temporel) { order1000; echo 'Temporel(EPS, "temp.eps")'; } >"$s" ;;
    prop) { order1000; echo 'H.prop()'; } >"$s" ;;
    chain)
      {
        echo "fct = E0"
        echo "E0.pole = -1, -10"
        echo "E0.select = 0"
        ones="1"
        for ((i = 1; i < 499; i++)); do ones+="+1"; done
        for ((k = 1; k <= 97; k++)); do  # E<k> = 499/499 * E<k-1>: 500 constants a line
          echo "fct = E$k"
          echo "E$k.exp = \"($ones)/499*E$((k - 1))\""
          [ $k -lt 97 ] && echo "E$k.select = 0"
        done
        echo "NBP = 10000"
        echo "Wmin = 0.001"
        echo "Wmax = 100"
        echo "ClosedLoop = 1"
        echo 'BodeGP(EPS, "chain.eps")'
      } >"$s"
      ;;
    *) echo "unknown case $c" >&2; exit 2 ;;
  esac
  (cd "$work" && /usr/bin/time -o "$work/$c.time" -f "%U %S %e" "$bin" "$s" </dev/null >"$work/$c.out")
  if grep -a -q "Erreur : " "$work/$c.out"; then
    echo "$c: evaluation error" >&2
    exit 1
  fi
  read -r user sys elapsed <"$work/$c.time"
  awk -v c="$c" -v u="$user" -v s="$sys" -v e="$elapsed" \
    'BEGIN { printf "%-9s %7.2f s of processor, %7.2f s elapsed\n", c, u + s, e }'
done
