#!/usr/bin/env bash
# Installation checks. `cmake --install` into a fresh prefix gives the program, a manual page
# that man reads, and the example scripts; the installed program answers --help and --version
# and draws an example. As root (CI), the Debian package built by cpack also declares its
# library dependencies, installs with apt-get, runs an example from /usr/bin, and is removed.
# Usage: install_package.sh <corvane binary> <srcdir> <builddir>
set -u
build=$(cd "$3" && pwd)
work=$(mktemp -d)
installed_pkg=0
cleanup() {
  [ $installed_pkg = 1 ] && dpkg -r corvane >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# Runs an installed program on the Bode example from a scratch folder; the chart must appear.
run_example() {
  local bin=$1 examples=$2 out="$work/run-$RANDOM"
  mkdir -p "$out"
  (cd "$out" && "$bin" "$examples/first_steps.txt" </dev/null >/dev/null) || fail "$bin failed"
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=nullpage "$out/first_steps_bode.eps" >/dev/null 2>&1 ||
    fail "$bin wrote no readable chart"
}

# ---- cmake --install into a temporary prefix ----
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
[ -x "$prefix/bin/corvane" ] || fail "bin/corvane missing"
page=$prefix/share/man/man1/corvane.1
[ -f "$page" ] || fail "share/man/man1/corvane.1 missing"
text=$(MANWIDTH=80 man -l "$page" 2>"$work/man.err") || fail "man -l cannot read the page"
grep -qiE "warning|error" "$work/man.err" && fail "man warnings: $(cat "$work/man.err")"
for section in NAME SYNOPSIS DEVICES MESSAGES EXAMPLES; do
  grep -q "^$section" <<<"$text" || fail "manual page has no $section section"
done
for dev in SCR EPS EMF PDF SVG PNG; do
  grep -q "($dev" <<<"$text" || fail "manual page does not describe the $dev device"
done
examples=$prefix/share/doc/corvane/examples
n=$(ls "$examples"/*.txt 2>/dev/null | wc -l)
[ "$n" -eq "$(ls "$2"/examples/*.txt | wc -l)" ] || fail "$n examples installed"
"$prefix/bin/corvane" --version >"$work/v" || fail "--version exit status"
version=$(sed -n 's/^project(corvane VERSION \([0-9.]*\).*/\1/p' "$2/CMakeLists.txt")
[ "$(cat "$work/v")" = "corvane $version" ] || fail "--version printed '$(cat "$work/v")'"
"$prefix/bin/corvane" --help >"$work/h" || fail "--help exit status"
grep -q "corvane SCRIPT" "$work/h" || fail "--help printed no usage"
grep -q "Corvane" "$work/h" && fail "--help ran as a script"
run_example "$prefix/bin/corvane" "$examples"
echo "cmake --install: program, manual page and $n examples"

# ---- Debian package ----
if [ "$(id -u)" -ne 0 ] || ! command -v dpkg-shlibdeps >/dev/null || ! command -v apt-get >/dev/null; then
  echo "package check skipped (needs root, dpkg-dev and apt-get)"
  exit 0
fi
if dpkg-query -W -f='${Status}' corvane 2>/dev/null | grep -q "install ok installed"; then
  echo "package check skipped: a corvane package is already installed"
  exit 0
fi
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1) ||
  fail "cpack: $(tail -5 "$work/cpack.log")"
deb=$(ls "$work"/pkg/corvane_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no corvane_*.deb"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libcairo2 libpng16-16 liballegro5.2 libc6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
  >"$work/apt.log" 2>&1 || fail "apt-get install: $(tail -5 "$work/apt.log")"
installed_pkg=1
[ -x /usr/bin/corvane ] || fail "/usr/bin/corvane missing"
man -w corvane >/dev/null 2>&1 || [ -f /usr/share/man/man1/corvane.1 ] || fail "manual page missing"
run_example /usr/bin/corvane /usr/share/doc/corvane/examples
dpkg -r corvane >/dev/null 2>&1 || fail "dpkg -r corvane"
installed_pkg=0
[ -e /usr/bin/corvane ] && fail "/usr/bin/corvane left after removal"
echo "package $(basename "$deb"): Depends: $depends"
