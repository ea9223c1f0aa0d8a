// CSV table of a chart's numbers: the formatting of its fields and the writing of its file.
#include "charts/TableCsv.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "charts/Travaux.h"

namespace {

// Bytes of rows formatted together and written at once.
constexpr size_t kBloc = size_t{1} << 16;
// Below this many values, a second thread costs more than it saves.
constexpr size_t kValeursEnParallele = 50000;

// The output file. A plain file (or a new one) is written under a temporary name in its folder
// and renamed to its own name by Termine, once every byte went out; anything else named by the
// script (a device such as /dev/full, a pipe, a symbolic link) is written in place.
class TFichierCsv {
 public:
  ~TFichierCsv() {
    if (fd_ >= 0) close(fd_);
    if (!temp_.empty()) unlink(temp_.c_str());
  }

  // False when the file cannot be created.
  bool Ouvre(const char* nf) {
    nom_ = nf;
    struct stat st;
    const bool existe = lstat(nf, &st) == 0;
    if (existe && !S_ISREG(st.st_mode)) {
      fd_ = open(nf, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      return fd_ >= 0;
    }
    // A read-only file is refused as opening it for writing would be.
    if (existe && access(nf, W_OK) != 0) return false;
    for (unsigned essai = 0; essai < 100 && fd_ < 0; ++essai) {
      temp_ = nom_ + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(essai);
      fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) temp_.clear();
    return fd_ >= 0;
  }

  // False when a byte could not be written.
  bool Ecrit(const char* p, size_t n) {
    while (n > 0) {
      const ssize_t k = write(fd_, p, n);
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) return false;
      p += k;
      n -= static_cast<size_t>(k);
    }
    return true;
  }

  // Closes the file and gives it its name; false when it is not whole.
  bool Termine() {
    const int rc = close(fd_);
    fd_ = -1;
    if (rc != 0) return false;
    if (temp_.empty()) return true;
    if (rename(temp_.c_str(), nom_.c_str()) != 0) return false;
    temp_.clear();
    return true;
  }

 private:
  std::string nom_;
  std::string temp_;  // the temporary name while the file is written, empty otherwise
  int fd_ = -1;
};

}  // namespace

void TTableCsv::Colonne(const std::string& nom, const double* v, size_t n) {
  noms_.push_back(nom);
  colonnes_.push_back({v, n});
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
  const size_t taille = out->size();
  out->resize(taille + (fin - debut) * (nc * (kChampMax + 1) + 1));
  char* p = &(*out)[taille];
  for (size_t i = debut; i < fin; ++i) {
    for (size_t j = 0; j < nc; ++j) {
      if (j > 0) *p++ = ',';
      if (i < colonnes_[j].n) p = Champ(p, colonnes_[j].v[i]);
    }
    *p++ = '\n';
  }
  out->resize(static_cast<size_t>(p - out->data()));
}

int TTableCsv::Ecrit(const char* nf) const {
  TFichierCsv f;
  if (nf == nullptr || *nf == '\0' || !f.Ouvre(nf)) return ErrOuverture;
  std::string entete;
  for (size_t j = 0; j < noms_.size(); ++j) {
    if (j > 0) entete.push_back(',');
    Texte(noms_[j], &entete);
  }
  entete.push_back('\n');
  if (!f.Ecrit(entete.data(), entete.size())) return ErrEcriture;
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
    if (!f.Ecrit(blocs[b].data(), blocs[b].size())) return ErrEcriture;
    std::string().swap(blocs[b]);
  }
  return f.Termine() ? Ok : ErrEcriture;
}
