#!/usr/bin/env bash
# Screen window checks: the missing-display path, then under a private Xvfb the window sizes,
# drawings of the screen layer and of the screen device as seen on screenshots, and the ends of
# the space-bar wait (key and close box). Usage: bash screen_window.sh <corvane> <srcdir> <builddir>
set -u
src=$2 build=$3
. "$src/tests/scripts/lib/xvfb.sh"

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
gtest_ran() { grep -q "\[  PASSED  \] $2 test" "$1" && ! grep -q "\[  SKIPPED \]" "$1"; }

# run_gtest LABEL BINARY FILTER N : runs N tests of a test program, bounded in time.
run_gtest() {
  local log="$work/$1.log"
  timeout 60 "$2" --gtest_filter="$3" >"$log" 2>&1
  check "$1" gtest_ran "$log" "$4" || cat "$log" >&2
}

# draw_check LABEL BINARY FILTER TABLE : runs one drawing test in the background, checks its
# screenshot against TABLE (lines "what column row R G B radius", rows from the top), then
# ends its wait with the space bar and checks that the window closes.
draw_check() {
  local label=$1 bin=$2 filter=$3 table=$4 log="$work/$1.log" shot="$work/$1.ppm" win
  local what x y r g b radius
  timeout 90 "$bin" --gtest_filter="$filter" >"$log" 2>&1 &
  bg=$!
  if ! win=$(xvfb_wait_window "^$(basename "$bin")\$" 30) ||
     ! xvfb_wait_text "$log" "Taper <ESPACE>..." 30; then
    ko "$label: window or prompt missing"
    xvfb_wait_pid "$bg" 1; bg=""
    cat "$log" >&2
    return
  fi
  if xvfb_screenshot "$win" "$shot"; then
    check "$label: window is 502x702" [ "$(xvfb_size "$shot")" = "502 702" ]
    while read -r what x y r g b radius; do
      [ -z "$what" ] && continue
      check "$label: $what at ($x,$y) is ($r,$g,$b)" \
        xvfb_find_colour "$shot" "$x" "$y" "$r" "$g" "$b" "$radius"
    done <"$table"
  else
    ko "$label: screenshot"
  fi
  check "$label: space bar sent" xvfb_press_key "$win" space
  xvfb_wait_pid "$bg" 20
  bg=""
  check "$label: wait ended by the space bar (status $XVFB_STATUS)" [ "$XVFB_STATUS" = 0 ]
  check "$label: window closed" xvfb_window_gone "$win" 10
  check "$label: test passed" gtest_ran "$log" 1 || cat "$log" >&2
}

TS="$build/tests/test_screen" TP="$build/tests/test_plot"
for t in "$TS" "$TP"; do [ -x "$t" ] || { echo "FAIL: $t not built" >&2; exit 1; }; done
xvfb_need_tools Xvfb xdotool xwd "$XVFB_CONVERT" || exit 1

# 1. No display at all: one message, no wait, no crash; the device draws nothing.
(
  unset DISPLAY
  run_gtest nodisplay-layer "$TS" 'ScreenLayer.MissingDisplayFailsCleanly' 1
  run_gtest nodisplay-device "$TP" 'ScreenDevice.MissingDisplay*' 1
  echo "$passed $failed" >"$work/counts"
)
read -r passed failed <"$work/counts"

# 2. A private X server large enough for the largest window.
xvfb_start 2100x2100x24 || { echo "FAIL: Xvfb cannot start" >&2; exit 1; }
export CORVANE_SCREEN_TEST=1
xvfb_no_gl_leak_check

# 3. Window sizes, reopening, the close box ending the wait, line width and pen colours.
run_gtest sizes "$TS" 'ScreenLayer.WindowLargestSize:ScreenLayer.WindowCloseBoxEndsWait' 2
run_gtest device-pens "$TP" 'ScreenDevice.WindowWidthAndPen' 1

# The space bar already held when the wait starts: the wait ends only once it is released.
held_key() {
  local log="$work/held.log" win
  timeout 60 "$TS" --gtest_filter='ScreenLayer.WindowHeldKeyEndsWaitOnRelease' >"$log" 2>&1 &
  bg=$!
  if win=$(xvfb_wait_window '^test_screen$' 30); then
    timeout 5 xdotool mousemove --window "$win" 20 20 && sleep 0.2 &&
      timeout 5 xdotool keydown space
    check "held key: prompt shown" xvfb_wait_text "$log" "Taper <ESPACE>..." 20
    sleep 0.5
    check "held key: still waiting while the key is down" kill -0 "$bg"
    timeout 5 xdotool keyup space
    xvfb_wait_pid "$bg" 20
    bg=""
    check "held key: wait ended on release (status $XVFB_STATUS)" [ "$XVFB_STATUS" = 0 ]
    check "held key: test passed" gtest_ran "$log" 1 || cat "$log" >&2
  else
    ko "held key: window missing"
    xvfb_wait_pid "$bg" 1; bg=""
  fi
}
held_key

# 4. Drawings. A layer pixel (x, y) lies at row 702 - y; a device unit (x, y) is layer pixel
# (x + 1, y + 1). Colours by their standard names: red, blue, green (0,128,0), magenta,
# yellow, white. Radius 1 allows for thin lines falling on either side of a pixel edge.
cat >"$work/layer.table" <<'TABLE'
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
draw_check layer "$TS" 'ScreenLayer.WindowDrawAndWait' "$work/layer.table"

# Device drawing in centimetres (50 units each): red (1,1)-(5,1), blue (8,2)-(8,8), green
# circle of radius 1 about (5,7), magenta square (1,9)-(3,11).
cat >"$work/device.table" <<'TABLE'
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
square-top        101 151 255 0 255 1
square-bottom     101 251 255 0 255 1
square-left        51 201 255 0 255 1
square-right      151 201 255 0 255 1
background         10  10 255 255 255 0
circle-centre     251 351 255 255 255 0
square-centre     101 201 255 255 255 0
beside-red-line   151 645 255 255 255 0
past-red-line     262 651 255 255 255 0
TABLE
draw_check device "$TP" 'ScreenDevice.WindowDrawAndWait' "$work/device.table"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
