#!/usr/bin/env bash
# Times the properties report of 96/((s+1)(s+2)(s+3)(s+4)) in corvane (bench/sim_bench) and
# the same figures computed by GNU Octave's control package in-process, one after the other.
#
#   tools/bench-report-vs-octave.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
"$build/bench/sim_bench" --benchmark_filter=PropertiesReport --benchmark_min_time=2
octave-cli --no-gui -q "$root/tools/bench-report-octave.m" | tail -1
