// Loading of the Allegro 5 libraries on demand and lookup of the entry points the program uses.
#include "screen/Allegro.h"

#include <cstring>
#include <vector>

#include "screen/DynLib.h"

namespace {

// The libraries (sonames, separated by ':'), given by the build.
constexpr const char* kBibliotheques = CORVANE_ALLEGRO_LIBS;

enum class Etat { Inconnu, Charge, Echec };

TAllegro gTable;
Etat gEtat = Etat::Inconnu;

bool Charge(TAllegro* t) {
  std::vector<void*> libs;
  if (!OuvreBibliotheques(kBibliotheques, &libs)) return false;
  auto cherche = [&](const char* nom) { return ChercheFonction(libs, nom, "Allegro"); };
#define CORVANE_ALLEGRO_CHERCHE(nom)    \
  if (void* f = cherche(#nom))          \
    std::memcpy(&t->nom, &f, sizeof f); \
  else                                  \
    return false;
  CORVANE_ALLEGRO_FONCTIONS(CORVANE_ALLEGRO_CHERCHE)
#undef CORVANE_ALLEGRO_CHERCHE
  return true;
}

}  // namespace

const TAllegro* Allegro() {
  if (gEtat == Etat::Inconnu) gEtat = Charge(&gTable) ? Etat::Charge : Etat::Echec;
  return AllegroCharge();
}

const TAllegro* AllegroCharge() { return gEtat == Etat::Charge ? &gTable : nullptr; }
