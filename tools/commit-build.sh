#!/usr/bin/env bash
# Builds the program of a commit once (git archive into build-compare/<hash>/src, built into
# build-compare/<hash>/build, ccache when there is one) and prints the path of its corvane.
#
#   tools/commit-build.sh COMMIT
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
hash=$(git -C "$root" rev-parse --verify "$1^{commit}") || { echo "unknown commit $1" >&2; exit 2; }
cache=$root/build-compare/$hash
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -x "$cache/build/corvane" ]; then
  mkdir -p "$cache/src"
  git -C "$root" archive "$hash" | tar -x -C "$cache/src"
  { cmake -S "$cache/src" -B "$cache/build" -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF "${launcher[@]}" &&
    cmake --build "$cache/build" -j2 --target corvane; } >"$cache/build.log" 2>&1 ||
    { echo "build of $1 failed, see $cache/build.log" >&2; exit 2; }
fi
echo "$cache/build/corvane"
