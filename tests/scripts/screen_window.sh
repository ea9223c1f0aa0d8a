#!/usr/bin/env bash
# Screen window checks: the missing-display path, then under a private Xvfb the window sizes,
# the drawing as seen on a screenshot, and the ends of the space-bar wait (key and close box).
# Usage: bash screen_window.sh <corvane> <srcdir> <builddir>
set -u
src=$2 build=$3
. "$src/tests/scripts/lib/xvfb.sh"

T="$build/tests/test_screen"
work=$(mktemp -d "${TMPDIR:-/tmp}/screen_window.XXXXXX")
bg=""
cleanup() {
  [ -n "$bg" ] && kill "$bg" 2>/dev/null
  xvfb_stop
  rm -rf "$work"
}
trap cleanup EXIT

passed=0 failed=0
ok() { passed=$((passed + 1)); }
ko() { failed=$((failed + 1)); echo "FAIL: $*" >&2; }
check() { local what=$1; shift; if "$@"; then ok; else ko "$what"; fi; }

# gtest_ran LOG N : N tests ran and passed, none skipped.
gtest_ran() {
  grep -q "\[  PASSED  \] $2 test" "$1" && ! grep -q "\[  SKIPPED \]" "$1"
}

[ -x "$T" ] || { echo "FAIL: $T not built" >&2; exit 1; }
xvfb_need_tools Xvfb xdotool xwd "$XVFB_CONVERT" || exit 1

# 1. No display at all: one message, no wait, no crash.
env -u DISPLAY timeout 30 "$T" --gtest_filter='ScreenLayer.MissingDisplayFailsCleanly' \
  >"$work/nodisplay.log" 2>&1
check "no-display test (see below)" gtest_ran "$work/nodisplay.log" 1 ||
  cat "$work/nodisplay.log" >&2

# 2. A private X server large enough for the largest window.
xvfb_start 2100x2100x24 || { echo "FAIL: Xvfb cannot start" >&2; exit 1; }
export CORVANE_SCREEN_TEST=1
xvfb_no_gl_leak_check

# 3. Window sizes, reopening, and the close box ending the wait.
timeout 60 "$T" --gtest_filter='ScreenLayer.WindowLargestSize:ScreenLayer.WindowCloseBoxEndsWait' \
  >"$work/sizes.log" 2>&1
check "window sizes / close box" gtest_ran "$work/sizes.log" 2 || cat "$work/sizes.log" >&2

# 4. Drawing: the test program draws known shapes and waits for the space bar.
timeout 90 "$T" --gtest_filter='ScreenLayer.WindowDrawAndWait' >"$work/draw.log" 2>&1 &
bg=$!
if win=$(xvfb_wait_window '^test_screen$' 30) && xvfb_wait_text "$work/draw.log" "Taper <ESPACE>..." 30
then
  ok
  shot="$work/draw.ppm"
  if xvfb_screenshot "$win" "$shot"; then
    check "window is 502x702" [ "$(xvfb_size "$shot")" = "502 702" ]
    # Expected pixels (column, row from the top): layer pixel (x, y) lies at row 702 - y.
    # Colours by their standard names: red, blue, green (0,128,0), magenta, yellow, white.
    while read -r what x y r g b radius; do
      check "$what at ($x,$y) is ($r,$g,$b)" xvfb_find_colour "$shot" "$x" "$y" "$r" "$g" "$b" "$radius"
    done <<'TABLE'
red-line-start     52 651 255 0 0 1
red-line-middle   151 651 255 0 0 1
red-line-end      250 651 255 0 0 1
blue-line-bottom  401 600 0 0 255 1
blue-line-middle  401 451 0 0 255 1
blue-line-top     401 302 0 0 255 1
circle-left       201 351 0 128 0 1
circle-right      301 351 0 128 0 1
circle-top        251 301 0 128 0 1
circle-bottom     251 401 0 128 0 1
circle-diagonal   286 316 0 128 0 1
pixel             400 102 255 0 255 0
box-top            75  70 255 255 0 1
box-bottom         75 140 255 255 0 1
box-left           50 105 255 255 0 1
box-right         100 105 255 255 0 1
background         10  10 255 255 255 0
circle-centre     251 351 255 255 255 0
box-centre         75 105 255 255 255 0
beside-red-line   151 645 255 255 255 0
past-red-line     262 651 255 255 255 0
beside-pixel      402 102 255 255 255 0
TABLE
  else
    ko "screenshot"
  fi
  check "space bar sent" xvfb_press_key "$win" space
  xvfb_wait_pid "$bg" 20
  bg=""
  check "wait ended by the space bar (status $XVFB_STATUS)" [ "$XVFB_STATUS" = 0 ]
  check "window closed" xvfb_window_gone "$win" 10
  check "drawing test passed" gtest_ran "$work/draw.log" 1
else
  ko "drawing window or prompt missing"
fi
[ $failed -gt 0 ] && { echo "--- draw.log" >&2; cat "$work/draw.log" >&2; }

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
