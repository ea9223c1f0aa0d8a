#!/usr/bin/env bash
# Charts on the screen under a private Xvfb: a Bode chart shows in the window (grid colours,
# the curve, a decade line where the axis puts it) and the space bar ends it; a Black chart
# then opens a new window, ended the same way, and the script goes on.
# Usage: bash screen_chart.sh <corvane> <srcdir> <builddir>
set -u
corvane=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") src=$2
. "$src/tests/scripts/lib/xvfb.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/screen_chart.XXXXXX")
bg=""
cleanup() {
  [ -n "$bg" ] && kill "$bg" 2>/dev/null
  xvfb_stop
  rm -rf "$work"
}
trap cleanup EXIT

passed=0 failed=0
check() { local what=$1; shift; if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what" >&2; fi; }

# count R G B : pixels of that colour in the last screenshot's histogram ($hist).
hist=""
count() { echo "$hist" | awk -v c="($1,$2,$3)" '{ gsub(/ /, "", $2) } $2 == c { sub(":", "", $1); n += $1 } END { print n + 0 }'; }

xvfb_need_tools Xvfb xdotool xwd "$XVFB_CONVERT" || exit 1
xvfb_start 1024x768x24 || { echo "FAIL: Xvfb cannot start" >&2; exit 1; }
xvfb_no_gl_leak_check

# 10/((s+1)(s+10)) from 0.01 to 100 Hz, that is 0.0628 to 628 rad/s.
cat >"$work/bode.txt" <<'SCRIPT'
fct = H
H.gain = 10
H.pole = -1, -10
H.Couleur = ROUGE
Wmin = 0.01
Wmax = 100
BodeGP(SCR)
Black(SCR)
fct = After
SCRIPT

(cd "$work" && exec "$corvane" bode.txt) >"$work/log" 2>&1 &
bg=$!
if ! win=$(xvfb_wait_window '^corvane$' 30) || ! xvfb_wait_text "$work/log" "Taper <ESPACE>..." 30
then
  echo "FAIL: no chart window or prompt" >&2
  cat "$work/log" >&2
  exit 1
fi
shot="$work/shot.ppm"
if xvfb_screenshot "$win" "$shot"; then
  hist=$(xvfb_convert "$shot" -format %c histogram:info:-)
  check "not blank: fewer than 97 % white pixels" [ "$(count 255 255 255)" -lt $((502 * 702 * 97 / 100)) ]
  check "major grid in blue" [ "$(count 0 0 255)" -gt 2000 ]
  check "minor grid in green" [ "$(count 0 128 0)" -gt 2000 ]
  check "curves in red" [ "$(count 255 0 0)" -gt 500 ]
  # The 1 rad/s decade line: x = 0.5 x (2 + 16 x log10(1 / 0.0628) / 4) cm at 50 pixels per cm,
  # plus the layer's origin pixel; row 171 lies inside the gain panel.
  x=$(awk 'BEGIN { printf "%d", 0.5 * (2 + 16 * -log(0.02 * 3.14159265358979) / log(10) / 4) * 50 + 1.5 }')
  check "decade line of 1 rad/s at column $x" xvfb_find_colour "$shot" "$x" 171 0 0 255 2
else
  check "screenshot" false
fi
check "space bar sent" xvfb_press_key "$win" space
check "Bode window closed" xvfb_window_gone "$win" 10

# prompts N [SECONDS] : succeeds once the log holds N space-bar prompts.
prompts() {
  local i
  for i in $(seq 1 $(( ${2:-20} * 10 ))); do
    [ "$(grep -c "Taper <ESPACE>" "$work/log")" -ge "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
if win=$(xvfb_wait_window '^corvane$' 30) && prompts 2 30; then
  if xvfb_screenshot "$win" "$shot"; then
    hist=$(xvfb_convert "$shot" -format %c histogram:info:-)
    check "Black chart: grid and contours in black" [ "$(count 0 0 0)" -gt 5000 ]
    check "Black chart: curve in red" [ "$(count 255 0 0)" -gt 200 ]
  else
    check "Black screenshot" false
  fi
  check "second space bar sent" xvfb_press_key "$win" space
else
  check "Black chart window and prompt" false
  cat "$work/log" >&2
fi
xvfb_wait_pid "$bg" 20
bg=""
check "program ended (status $XVFB_STATUS)" [ "$XVFB_STATUS" = 0 ]
check "window closed" xvfb_window_gone "$win" 10
check "script went on after the chart" grep -q "Fonction 'After' cr" "$work/log"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
