#!/usr/bin/env bash
# Runs every example script under Valgrind memcheck, inside a scratch folder, and fails on any
# memory error or definite/indirect leak. Screen-chart lines are left out (no window here).
# An ASan-instrumented program cannot run under Valgrind: there the check is skipped, since
# the sanitizer build's own leak checker covers the same runs.
# Usage: valgrind_examples.sh <corvane binary> <srcdir> [builddir]
set -u
bin=$(realpath "$1")
src=$(realpath "$2")
if ! command -v valgrind >/dev/null; then
  echo "valgrind is not installed"
  exit 1
fi
if ldd "$bin" 2>/dev/null | grep -q libasan || nm "$bin" 2>/dev/null | grep -q __asan_init; then
  echo "ASan-instrumented program: Valgrind check skipped"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
shopt -s nullglob
for script in "$src"/examples/*.txt "$src"/fuzz/corpus/script/*.txt; do
  name=$(basename "$script")
  # Chart commands on the screen device would open a window: drop those lines.
  grep -viE '\( *scr *\)' "$script" >"$work/$name"
  if ! (cd "$work" && valgrind -q --error-exitcode=1 --leak-check=full \
        --errors-for-leak-kinds=definite,indirect "$bin" "$name" </dev/null >"$name.out" \
        2>"$name.valgrind"); then
    echo "FAIL: $name"
    cat "$work/$name.valgrind"
    failed=1
  else
    echo "ok: $name"
  fi
done
exit $failed
