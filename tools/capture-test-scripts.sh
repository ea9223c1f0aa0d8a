#!/usr/bin/env bash
# Copies into OUT_DIR every script the test suite hands to the program: a wrapper stands in for
# BUILD_DIR/corvane while test_e2e and tests/scripts/*.sh run, copies each script it is given
# (as OUT_DIR/s-XXXXXX) and runs the real program on it. The program is put back afterwards.
#
#   tools/capture-test-scripts.sh BUILD_DIR OUT_DIR
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "$1")"
cap="$(realpath -m "$2")"
new="$build/corvane"
mkdir -p "$cap"
work="$(mktemp -d /tmp/corvane-capture-XXXXXX)"
real="$work/corvane.real"
cp "$new" "$real"
wrapper="$work/corvane-wrapper"
cat >"$wrapper" <<EOW
#!/usr/bin/env bash
if [ \$# -ge 1 ] && [ -f "\$1" ]; then cp "\$1" "\$(mktemp "$cap/s-XXXXXX")"; fi
exec "$real" "\$@"
EOW
chmod +x "$wrapper"
restore() { cp "$real" "$new"; rm -rf "$work"; }
trap restore EXIT
cp "$wrapper" "$new"
"$build/tests/test_e2e" >"$cap.test_e2e.log" 2>&1 || echo "note: test_e2e failed during capture"
for t in "$root"/tests/scripts/*.sh; do
  # The examples run already; under valgrind they would only take long.
  [ "$(basename "$t")" = valgrind_examples.sh ] && continue
  bash "$t" "$new" "$root" "$build" >/dev/null 2>&1 || true
done
