#!/usr/bin/env bash
# Builds the libFuzzer targets from scratch into build-fuzz (clang, ASan+UBSan) and runs each
# for a bounded time on seed corpora made from fuzz/corpus and examples/. Exits non-zero when a
# target reports a crash, a sanitizer error, a leak, a timeout or an out-of-memory input.
# The three targets run side by side, each for FUZZ_TIME seconds (default 90: on two cores,
# about the minute of processor time each had when they ran one after the other).
# FUZZ_TIME and FUZZ_JOBS (build jobs) may be set.
set -euo pipefail
cd "$(dirname "$0")/.."
time_each=${FUZZ_TIME:-90}
dir=$PWD/build-fuzz  # absolute: the script target works in a folder of its own
rm -rf "$dir"
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCORVANE_FUZZ=ON >/dev/null
cmake --build "$dir" -j "${FUZZ_JOBS:-$(nproc)}" --target fuzz_script fuzz_itmath fuzz_polyitmath

# Seed corpora: one file per expression line, one per script.
mkdir -p "$dir/corpus/script" "$dir/corpus/itmath" "$dir/corpus/polyitmath" "$dir/artifacts"
cp fuzz/corpus/script/*.txt examples/*.txt "$dir/corpus/script/"
n=0
while IFS= read -r line; do
  n=$((n + 1))
  printf '%s' "$line" >"$dir/corpus/itmath/seed$n"
  printf '%s' "$line" >"$dir/corpus/polyitmath/seed$n"
done <fuzz/corpus/expressions.txt

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# target, corpus, longest input in bytes (a script is bounded so that one input stays short)
entries=("fuzz_script script 2048" "fuzz_itmath itmath 512" "fuzz_polyitmath polyitmath 512")
echo "== ${#entries[@]} targets side by side (${time_each} s each) =="
pids=()
for entry in "${entries[@]}"; do
  read -r target corpus maxlen <<<"$entry"
  "$dir/fuzz/$target" "$dir/corpus/$corpus" -max_total_time="$time_each" -timeout=10 \
    -rss_limit_mb=2048 -max_len="$maxlen" -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/$target-" >"$dir/$target.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!entries[@]}"; do
  read -r target _ <<<"${entries[$i]}"
  log="$dir/$target.log"
  echo "== $target =="
  if ! wait "${pids[$i]}"; then
    status=1
    echo "$target FAILED; the input is in $dir/artifacts/. End of its log:"
    tail -n 60 "$log"
  fi
  grep -E '^#[0-9]+.*(DONE|pulse|NEW)' "$log" | tail -n 1 || true
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" || true
done
exit $status
