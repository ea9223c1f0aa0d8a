// Loading of cairo and libpng on demand and lookup of the entry points the program uses.
#include "plot/CairoLib.h"

#include <cstring>
#include <vector>

#include "screen/DynLib.h"

namespace {

// The libraries (sonames, separated by ':'), given by the build.
constexpr const char* kBibliotheques = CORVANE_CAIRO_LIBS;

enum class Etat { Inconnu, Charge, Echec };

TCairoLib gTable;
Etat gEtat = Etat::Inconnu;

bool Charge(TCairoLib* t) {
  std::vector<void*> libs;
  if (!OuvreBibliotheques(kBibliotheques, &libs)) return false;
  auto cherche = [&](const char* nom) { return ChercheFonction(libs, nom, "cairo"); };
#define CORVANE_CAIRO_CHERCHE(nom)      \
  if (void* f = cherche(#nom))          \
    std::memcpy(&t->nom, &f, sizeof f); \
  else                                  \
    return false;
  CORVANE_CAIRO_FONCTIONS(CORVANE_CAIRO_CHERCHE)
#undef CORVANE_CAIRO_CHERCHE
  return true;
}

}  // namespace

const TCairoLib* CairoLib() {
  if (gEtat == Etat::Inconnu) gEtat = Charge(&gTable) ? Etat::Charge : Etat::Echec;
  return CairoLibCharge();
}

const TCairoLib* CairoLibCharge() { return gEtat == Etat::Charge ? &gTable : nullptr; }
