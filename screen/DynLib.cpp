// Opening shared libraries by soname and looking up their entry points.
#include "screen/DynLib.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

bool OuvreBibliotheques(const char* sonames, std::vector<void*>* libs) {
  const char* p = sonames;
  while (*p != '\0') {
    const char* fin = std::strchr(p, ':');
    std::string nom(p, fin != nullptr ? static_cast<size_t>(fin - p) : std::strlen(p));
    p = fin != nullptr ? fin + 1 : p + nom.size();
    if (nom.empty()) continue;
    // Already in the process (a program linked with the library): the same one is returned.
    void* h = dlopen(nom.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (h == nullptr) {
      std::fprintf(stderr, "%s\n", dlerror());
      return false;
    }
    libs->push_back(h);
  }
  return true;
}

void* ChercheFonction(const std::vector<void*>& libs, const char* nom, const char* quoi) {
  for (void* h : libs)
    if (void* f = dlsym(h, nom)) return f;
  std::fprintf(stderr, "%s: %s introuvable\n", quoi, nom);
  return nullptr;
}
