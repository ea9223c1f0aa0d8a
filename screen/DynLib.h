// Shared libraries opened at run time: a list of sonames opened together, and lookup of an entry
// point in any of them. Used by the screen layer (Allegro) and the PDF, SVG and PNG device
// (cairo, libpng), so that a program that draws neither never loads them.
#pragma once

#include <vector>

// Opens every library of sonames (separated by ':'); false, with the reason on stderr, as soon
// as one cannot be opened.
bool OuvreBibliotheques(const char* sonames, std::vector<void*>* libs);
// The entry point nom in the first of libs that has it; null, with "quoi: nom introuvable" on
// stderr, when none has.
void* ChercheFonction(const std::vector<void*>& libs, const char* nom, const char* quoi);
