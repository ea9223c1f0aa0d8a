#!/usr/bin/env bash
# The program starts without cairo, libpng and Allegro among its libraries: the devices load them
# when a chart needs them. With a cairo that lacks its entry points, a PNG chart is reported as a
# file not written and removed, the reason goes to standard error, and the EPS chart after it is
# written as usual.
# Usage: bash lazy_libraries.sh <corvane> <srcdir> <builddir>
set -u
corvane=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/lazy_libraries.XXXXXX")
trap 'rm -rf "$work"' EXIT

passed=0 failed=0
check() { local what=$1; shift; if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what" >&2; fi; }

needed=$(objdump -p "$corvane" | awk '$1 == "NEEDED" { print $2 }')
for lib in libcairo libpng liballegro libX11; do
  check "$lib not needed at start" bash -c "! grep -q '^$lib' <<<'$needed'"
done

# A library with cairo's soname and no entry points, found first by the loader.
mkdir -p "$work/lib" "$work/run"
${CC:-cc} -shared -fPIC -Wl,-soname,libcairo.so.2 -o "$work/lib/libcairo.so.2" -x c /dev/null ||
  { echo "FAIL: cannot build the stand-in library" >&2; exit 1; }
cat >"$work/run/s.txt" <<'SCRIPT'
fct = H
H.gain = 10
H.pole = -1, -10
BodeG(PNG, "h.png")
BodeG(EPS, "h.eps")
SCRIPT
(cd "$work/run" && LD_LIBRARY_PATH="$work/lib" "$corvane" s.txt </dev/null >out 2>err)
check "program ended normally" [ $? = 0 ]
check "PNG reported not written" grep -q "h.png impossible" "$work/run/out"
check "PNG file removed" [ ! -e "$work/run/h.png" ]
check "reason on standard error" grep -q "cairo_" "$work/run/err"
check "EPS chart written" grep -q "^%!PS" "$work/run/h.eps"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
