#!/usr/bin/env bash
# Checks that the program exports the plotting kernel's classes: member functions, type
# information and virtual tables of TR_INFO and the devices, and the device holder's members.
# Usage: export_table.sh <corvane binary> [srcdir] [builddir]
set -u
bin=$1
syms=$(nm -D --defined-only "$bin" | awk '{print $NF}') || { echo "nm failed on $bin"; exit 1; }
missing=0
need() {
  if ! grep -qx -- "$1" <<<"$syms"; then
    echo "missing export: $1 ($(c++filt "$1"))"
    missing=$((missing + 1))
  fi
}
for cls in 7TR_INFO 5C_EPS 8C_HPGLA4 5C_EMF; do
  need "_ZTI$cls"
  need "_ZTV$cls"
  need "_ZN${cls}7tr_initEv"
  need "_ZN${cls}7tr_moveEiii"
  need "_ZN${cls}6tr_penEi"
  need "_ZN${cls}8tr_closeEv"
  need "_ZN${cls}7tr_sizeEii"
  need "_ZN${cls}8tr_widthEd"
done
for m in 6TRINITEv 7TRCLOSEEv 6WINDOWEdddd 6VWPORTEdddd 7VWPORTAEdddd 6BOUNDSEdddd 4MOVEEdd \
         4DRAWEdd 5PLUMEEi 9LINEWIDTHEd 6SETLINEid 8USERLINEEjPKd 5bmoveEddi 6bnmoveEddi \
         5bnwrtEiii 9tr_mvopt_Eiii 8bn_flushEv 6bnsendEPKci 8bn_breakEiPKc 5CVANGEd; do
  need "_ZN7TR_INFO$m"
done
need _ZN5C_EPSC1EPKc
need _ZN5C_EPS6wr_colEv
need _ZN8C_HPGLA4C1EPKcb
need _ZN5C_EMFC1EPKc
need _ZN5C_EMF7emf_penEij
need _ZN5C_EMF7emf_endEv
need _ZN8TMDGraphC1E6GrTypePKc
need _ZN8TMDGraphC1E6GrType
need _ZN8TMDGraphD1Ev
# The screen device is checked once it is part of the program.
if grep -q '5C_SCR' <<<"$syms"; then
  need _ZTI5C_SCR
  need _ZTV5C_SCR
  need _ZN5C_SCR7tr_moveEiii
fi
if [ "$missing" -ne 0 ]; then
  echo "$missing exports missing"
  exit 1
fi
echo "export table complete"
