#!/usr/bin/env bash
# Runs every example script into a fresh folder and checks the sizes of the chart files against
# their targets: every EPS and EMF under 400 kB, time_step.eps under 300 kB. Prints one line per
# file (size in bytes, target) and fails when one is over.
# Usage: tools/chart-sizes.sh [PROGRAM] (default: build/corvane)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prog=$(realpath "${1:-$root/build/corvane}")
work=$(mktemp -d "${TMPDIR:-/tmp}/sizes.XXXXXX")
trap 'rm -rf "$work"' EXIT
for s in "$root"/examples/*.txt; do
  (cd "$work" && env -u DISPLAY timeout 300 "$prog" "$s" </dev/null >/dev/null 2>&1)
done
fail=0
for f in "$work"/*.eps "$work"/*.emf "$work"/*.pdf "$work"/*.svg; do
  [ -e "$f" ] || continue
  name=$(basename "$f")
  size=$(stat -c %s "$f")
  case $name in
    time_step.eps) target=300000 ;;
    *.eps | *.emf) target=400000 ;;
    *) target= ;;
  esac
  if [ -n "$target" ] && [ "$size" -ge "$target" ]; then
    printf '%-32s %9d  OVER %d\n' "$name" "$size" "$target"
    fail=1
  else
    printf '%-32s %9d  %s\n' "$name" "$size" "${target:+< $target}"
  fi
done
exit $fail
