// Loading of cairo and libpng on demand and lookup of the entry points the program uses.
#include "plot/CairoLib.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The libraries (sonames, separated by ':'), given by the build.
constexpr const char* kBibliotheques = CORVANE_CAIRO_LIBS;

enum class Etat { Inconnu, Charge, Echec };

TCairoLib gTable;
Etat gEtat = Etat::Inconnu;

bool Charge(TCairoLib* t) {
  std::vector<void*> libs;
  const char* p = kBibliotheques;
  while (*p != '\0') {
    const char* fin = std::strchr(p, ':');
    std::string nom(p, fin != nullptr ? static_cast<size_t>(fin - p) : std::strlen(p));
    p = fin != nullptr ? fin + 1 : p + nom.size();
    if (nom.empty()) continue;
    // Already in the process (a program linked with cairo): the same library is returned.
    void* h = dlopen(nom.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (h == nullptr) {
      std::fprintf(stderr, "%s\n", dlerror());
      return false;
    }
    libs.push_back(h);
  }
  auto cherche = [&](const char* nom) -> void* {
    for (void* h : libs)
      if (void* f = dlsym(h, nom)) return f;
    std::fprintf(stderr, "cairo: %s introuvable\n", nom);
    return nullptr;
  };
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
