// The global registry Param, name lookup for expressions, and the loop conversions bo/bf.
#include "model/Param.h"

#include <cmath>
#include <cstring>
#include <new>

T_Param Param;

T_Param::~T_Param() {
  for (unsigned i = 0; i < NbFctTransfert; ++i) delete fct[i];
}

void T_Param::Reset() {
  this->~T_Param();
  new (this) T_Param();
}

TFctTransfert* T_Param::AddFctTransfert(const char* nom, double gain) {
  if (NbFctTransfert >= kMaxFct) return nullptr;
  TFctTransfert* f = new TFctTransfert(nom);
  f->Checked = true;
  f->g = gain;
  fct[NbFctTransfert++] = f;
  return f;
}

TFctTransfert* T_Param::AddFctTransfert(const char* nom, double gain, double* zeros,
                                        unsigned int nbz, double* poles, unsigned int nbp,
                                        double* zerosC, unsigned int nbzC, double* polesC,
                                        unsigned int nbpC) {
  if (NbFctTransfert >= kMaxFct) return nullptr;
  TFctTransfert* f = new TFctTransfert(nom);
  f->g = gain;
  for (unsigned i = 0; i < nbz; ++i) f->AddZero(zeros[i]);
  for (unsigned i = 0; i < nbp; ++i) f->AddPole(poles[i]);
  for (unsigned i = 0; i < nbzC; ++i) f->AddZeroC(zerosC[3 * i], zerosC[3 * i + 1], zerosC[3 * i + 2]);
  for (unsigned i = 0; i < nbpC; ++i) f->AddPoleC(polesC[3 * i], polesC[3 * i + 1], polesC[3 * i + 2]);
  f->Checked = true;
  fct[NbFctTransfert++] = f;
  return f;
}

TFctTransfert* FctLF(const char* nFct) {
  for (unsigned i = 0; i < Param.NbFctTransfert && Param.fct[i] != nullptr; ++i) {
    const char* n = Param.fct[i]->Nom;
    if (n != nullptr && std::strcmp(n, nFct) == 0) return Param.fct[i];
  }
  return nullptr;
}

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Shared tail of bo and bf: a + jb in polar form with its phase brought into (-2pi, 0].
t_complex Polar(double a, double b) {
  double ph = std::atan2(b, a);
  if (ph > 0) ph -= kTwoPi;
  return {std::hypot(a, b), ph};
}

}  // namespace

t_complex* bo(t_complex* xbf) {
  static t_complex r;
  double m = xbf->m, cs = std::cos(xbf->p), sn = std::sin(xbf->p);
  double d = 1 - 2 * m * cs + m * m;
  r = Polar((m * cs - m * m) / d, m * sn / d);
  return &r;
}

t_complex* bf(t_complex* xbo) {
  static t_complex r;
  double m = xbo->m, cs = std::cos(xbo->p), sn = std::sin(xbo->p);
  double d = 1 + 2 * m * cs + m * m;
  r = Polar((m * m + m * cs) / d, m * sn / d);
  return &r;
}
