// CSV table of a chart's numbers: the formatting of its fields and the writing of its file.
#include "charts/TableCsv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "charts/Travaux.h"
#include "plot/AtomicFile.h"

namespace {

// Bytes of rows formatted together and written at once.
constexpr size_t kBloc = size_t{1} << 16;
// Below this many values, a second thread costs more than it saves.
constexpr size_t kValeursEnParallele = 50000;

}  // namespace

void TTableCsv::Colonne(const std::string& nom, const double* v, size_t n) {
  noms_.push_back(nom);
  colonnes_.push_back({v, n, nullptr});
}

void TTableCsv::ColonneTexte(const std::string& nom, std::vector<std::string>&& v) {
  textes_.push_back(std::move(v));
  noms_.push_back(nom);
  colonnes_.push_back({nullptr, textes_.back().size(), &textes_.back()});
}

void TTableCsv::Colonne(const std::string& nom, std::vector<double>&& v) {
  gardees_.push_back(std::move(v));
  Colonne(nom, gardees_.back().data(), gardees_.back().size());
}

namespace {

// Longest field: the shortest form of a double takes at most 24 characters.
constexpr size_t kChampMax = 24;

// Writes the field of v at p (room for kChampMax characters); returns its end.
inline char* Champ(char* p, double v) {
  if (!std::isfinite(v)) return p;
  // to_chars without a format gives the shortest text that reads back as v, in the "C" form.
  return std::to_chars(p, p + kChampMax, v).ptr;
}

}  // namespace

void TTableCsv::Nombre(double v, std::string* out) {
  char b[kChampMax];
  out->append(b, Champ(b, v));
}

void TTableCsv::Texte(const std::string& s, std::string* out) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) {
    out->append(s);
    return;
  }
  out->push_back('"');
  for (char c : s) {
    if (c == '"') out->push_back('"');
    out->push_back(c);
  }
  out->push_back('"');
}

void TTableCsv::Lignes(size_t debut, size_t fin, std::string* out) const {
  const size_t nc = colonnes_.size();
  size_t place = nc * (kChampMax + 1) + 1;  // the longest row of numbers
  for (const TColonne& c : colonnes_) {
    if (c.txt == nullptr) continue;
    size_t plus = 0;
    for (size_t i = debut; i < fin && i < c.n; ++i)
      plus = std::max(plus, 2 * (*c.txt)[i].size() + 2);  // every character a quote, two more
    place += plus;
  }
  const size_t taille = out->size();
  out->resize(taille + (fin - debut) * place);
  char* p = &(*out)[taille];
  std::string champ;
  for (size_t i = debut; i < fin; ++i) {
    for (size_t j = 0; j < nc; ++j) {
      const TColonne& c = colonnes_[j];
      if (j > 0) *p++ = ',';
      if (i >= c.n) continue;
      if (c.v != nullptr) {
        p = Champ(p, c.v[i]);
      } else {
        champ.clear();
        Texte((*c.txt)[i], &champ);
        p = std::copy(champ.begin(), champ.end(), p);
      }
    }
    *p++ = '\n';
  }
  out->resize(static_cast<size_t>(p - out->data()));
}

int TTableCsv::Ecrit(const char* nf) const {
  AtomicFile fichier;
  FILE* f = nf != nullptr && *nf != '\0' ? fichier.Open(nf) : nullptr;
  if (f == nullptr) return ErrOuverture;
  std::string entete;
  for (size_t j = 0; j < noms_.size(); ++j) {
    if (j > 0) entete.push_back(',');
    Texte(noms_[j], &entete);
  }
  entete.push_back('\n');
  if (std::fwrite(entete.data(), 1, entete.size(), f) != entete.size()) return ErrEcriture;
  size_t lignes = 0;
  for (const TColonne& c : colonnes_)
    if (c.n > lignes) lignes = c.n;
  // The rows are formatted by blocks of about kBloc bytes, on both cores where there are two,
  // and written in order as each block is ready.
  const size_t parBloc = kBloc / (20 * colonnes_.size() + 1) + 1;
  const size_t nbBlocs = (lignes + parBloc - 1) / parBloc;
  std::vector<std::string> blocs(nbBlocs);
  TTravaux travaux(
      nbBlocs,
      [&](size_t b) { Lignes(b * parBloc, std::min(lignes, (b + 1) * parBloc), &blocs[b]); },
      nbBlocs > 1 && lignes * colonnes_.size() >= kValeursEnParallele);
  for (size_t b = 0; b < nbBlocs; ++b) {
    travaux.Attend(b);
    if (std::fwrite(blocs[b].data(), 1, blocs[b].size(), f) != blocs[b].size()) return ErrEcriture;
    std::string().swap(blocs[b]);
  }
  return fichier.Commit() ? Ok : ErrEcriture;
}
