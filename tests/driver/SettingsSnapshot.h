// Every script-settable field of Param in one printable line, to compare whole states.
#pragma once

#include <cstdio>
#include <string>

#include "model/Param.h"

inline std::string SettingsOf(const T_Param& p) {
  char s[1024];
  std::snprintf(s, sizeof s,
                "nbfct=%u coul=%d black=%d nichols=%d wn=%.17g wm=%.17g nbp=%d echb=%d nich=%d "
                "bo=%d bf=%d dt=%.17g tfin=%.17g t1=%d t2=%d in=%d rbin=%d b1=%d b2=%d rbbode=%d "
                "ep=%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g leg=%d marges=%d",
                p.NbFctTransfert, p.CBCouleurs, p.ColorBlack, p.ColorNichols, p.EdWn, p.EdWm,
                p.EdNBP, p.CBEchBlack, p.CBNichols, p.CBBO, p.CBBF, p.EdDt, p.EdTFin, p.ColorTemp1,
                p.ColorTemp2, p.ColorInput, p.RBInput, p.ColorBode1, p.ColorBode2, p.RBBode,
                p.EpCourbe, p.EpBlack, p.EpNichols, p.EpBod1, p.EpBod2, p.EpTemp1, p.EpTemp2,
                p.CBLegende, p.CBMarges);
  return s;
}
