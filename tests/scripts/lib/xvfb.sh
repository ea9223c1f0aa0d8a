# Helpers for checks that need a window: a private Xvfb server, window lookup, screenshots,
# pixel reading and key presses. Source this file; every helper is bounded in time.
# Functions return non-zero on failure and print why on stderr. Typical use:
#   . "$src/tests/scripts/lib/xvfb.sh"; trap xvfb_stop EXIT
#   xvfb_start || exit 1; xvfb_no_gl_leak_check
#   prog args >log 2>&1 & pid=$!
#   win=$(xvfb_wait_window '^prog$') && xvfb_wait_text log "Taper <ESPACE>..."
#   xvfb_screenshot "$win" shot.ppm && xvfb_find_colour shot.ppm X Y R G B 1
#   xvfb_press_key "$win" space; xvfb_wait_pid "$pid" 20; [ "$XVFB_STATUS" = 0 ]
# The window of a program is named after its executable (corvane, test_plot, ...).

XVFB_PID=""
XVFB_DIR=""

xvfb_need_tools() {  # xvfb_need_tools TOOL... : fails, naming the first missing tool
  local t
  for t in "$@"; do
    command -v "$t" >/dev/null 2>&1 || { echo "xvfb.sh: missing tool: $t" >&2; return 1; }
  done
}

# ImageMagick's convert, bounded in time (a wrapper of the same name may stand first in PATH).
XVFB_CONVERT=/usr/bin/convert
[ -x "$XVFB_CONVERT" ] || XVFB_CONVERT=$(command -v convert || echo convert)
xvfb_convert() { timeout 20 "$XVFB_CONVERT" "$@"; }

# xvfb_start [WxHxD] : starts Xvfb on a free display number and exports DISPLAY.
xvfb_start() {
  local screen=${1:-1024x768x24} i
  xvfb_need_tools Xvfb || return 1
  XVFB_DIR=$(mktemp -d "${TMPDIR:-/tmp}/xvfb.XXXXXX") || return 1
  # -displayfd lets the server pick a display number nobody uses and tell it back.
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset \
    3>"$XVFB_DIR/display" >"$XVFB_DIR/log" 2>&1 &
  XVFB_PID=$!
  for i in $(seq 1 100); do
    if [ -s "$XVFB_DIR/display" ]; then
      export DISPLAY=":$(tr -d '[:space:]' <"$XVFB_DIR/display")"
      if timeout 5 xdpyinfo >/dev/null 2>&1 || timeout 5 xdotool getmouselocation >/dev/null 2>&1
      then return 0; fi
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "xvfb.sh: Xvfb could not start:" >&2
  cat "$XVFB_DIR/log" >&2
  xvfb_stop
  return 1
}

# Programs drawing through the GL driver: the driver keeps a few allocations to the end and is
# unloaded before LeakSanitizer reports, so leak detection (only) is turned off for them.
xvfb_no_gl_leak_check() {
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
}

xvfb_stop() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null
    timeout 5 tail --pid="$XVFB_PID" -f /dev/null 2>/dev/null || kill -9 "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
  fi
  [ -n "$XVFB_DIR" ] && rm -rf "$XVFB_DIR"
  XVFB_DIR=""
  unset DISPLAY
}

# xvfb_wait_window NAME_REGEX [SECONDS] : prints the id of the first visible window so named.
xvfb_wait_window() {
  local out
  out=$(timeout "${2:-20}" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null) || {
    echo "xvfb.sh: no window named '$1' appeared" >&2
    return 1
  }
  echo "$out" | head -n 1
}

# xvfb_window_gone WIN [SECONDS] : succeeds once the window no longer exists.
xvfb_window_gone() {
  local i n=$(( ${2:-10} * 10 ))
  for i in $(seq 1 "$n"); do
    timeout 5 xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  echo "xvfb.sh: window $1 still open" >&2
  return 1
}

# xvfb_screenshot WIN OUT.ppm : the window's contents as a binary PPM image.
xvfb_screenshot() {
  local xwd="$2.xwd"
  timeout 20 xwd -silent -id "$1" -out "$xwd" || { echo "xvfb.sh: xwd failed" >&2; return 1; }
  xvfb_convert "xwd:$xwd" "ppm:$2" || { echo "xvfb.sh: convert failed" >&2; return 1; }
  rm -f "$xwd"
}

# xvfb_size IMAGE : prints "WIDTH HEIGHT".
xvfb_size() { xvfb_convert "$1" -format '%w %h' info:; }

# xvfb_pixel IMAGE X Y : prints "R G B" (0..255) of the pixel in column X, row Y (row 0 on top).
xvfb_pixel() {
  xvfb_convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- |
    sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1 \2 \3/p' | head -n 1
}

# xvfb_find_colour IMAGE X Y R G B [RADIUS] : succeeds when a pixel of colour R G B lies within
# RADIUS (default 1) pixels of (X, Y). Thin lines may fall on either side of a pixel edge.
xvfb_find_colour() {
  local r=${7:-1} x0 y0
  x0=$(( $2 - r )); y0=$(( $3 - r ))
  [ $x0 -lt 0 ] && x0=0
  [ $y0 -lt 0 ] && y0=0
  xvfb_convert "$1" -crop "$(( 2 * r + 1 ))x$(( 2 * r + 1 ))+$x0+$y0" +repage \
    -depth 8 txt:- | grep -q "($4,$5,$6)"
}

# xvfb_press_key WIN KEY : puts the pointer on the window (keys go to the window under the
# pointer when no window manager runs) and holds KEY for a moment so polling loops see it.
xvfb_press_key() {
  timeout 5 xdotool mousemove --window "$1" 20 20 || return 1
  sleep 0.2
  timeout 5 xdotool keydown "$2" || return 1
  sleep 0.3
  timeout 5 xdotool keyup "$2"
}

# xvfb_wait_text FILE TEXT [SECONDS] : succeeds once FILE contains TEXT.
xvfb_wait_text() {
  local i n=$(( ${3:-20} * 10 ))
  for i in $(seq 1 "$n"); do
    grep -qF -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "xvfb.sh: '$2' never appeared in $1" >&2
  return 1
}

# xvfb_wait_pid PID [SECONDS] : waits for a background child of this shell (call it directly,
# not inside $(...)); sets XVFB_STATUS to its exit status. Kills it and fails when time is up.
XVFB_STATUS=""
xvfb_wait_pid() {
  local i n=$(( ${2:-20} * 10 ))
  XVFB_STATUS=""
  for i in $(seq 1 "$n"); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      XVFB_STATUS=$?
      return 0
    fi
    sleep 0.1
  done
  kill "$1" 2>/dev/null; sleep 0.5; kill -9 "$1" 2>/dev/null; wait "$1" 2>/dev/null
  echo "xvfb.sh: process $1 did not end in time" >&2
  XVFB_STATUS=124
  return 1
}
