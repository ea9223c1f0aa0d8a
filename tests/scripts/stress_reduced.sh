#!/usr/bin/env bash
# A reduced stress run (6 functions of order 8, 500 points, every chart to EPS and EMF, a
# report each): it must end without an error message; the full run is tools/stress/stress.sh.
# Usage: stress_reduced.sh <corvane binary> <srcdir> [builddir]
set -u
exec bash "$2/tools/stress/stress.sh" "$1" 6 500
