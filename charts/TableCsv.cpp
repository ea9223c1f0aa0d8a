// CSV table of a chart's numbers: the formatting of its fields and the writing of its file.
#include "charts/TableCsv.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Bytes gathered before they go to the file.
constexpr size_t kBloc = size_t{1} << 16;

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

void TTableCsv::Nombre(double v, std::string* out) {
  if (!std::isfinite(v)) return;
  char b[32];
  // to_chars without a format gives the shortest text that reads back as v, in the "C" form.
  const std::to_chars_result r = std::to_chars(b, b + sizeof b, v);
  out->append(b, r.ptr);
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

int TTableCsv::Ecrit(const char* nf) const {
  TFichierCsv f;
  if (nf == nullptr || *nf == '\0' || !f.Ouvre(nf)) return ErrOuverture;
  std::string bloc;
  bloc.reserve(kBloc + 4096);
  for (size_t j = 0; j < noms_.size(); ++j) {
    if (j > 0) bloc.push_back(',');
    Texte(noms_[j], &bloc);
  }
  bloc.push_back('\n');
  size_t lignes = 0;
  for (const TColonne& c : colonnes_)
    if (c.n > lignes) lignes = c.n;
  for (size_t i = 0; i < lignes; ++i) {
    for (size_t j = 0; j < colonnes_.size(); ++j) {
      if (j > 0) bloc.push_back(',');
      if (i < colonnes_[j].n) Nombre(colonnes_[j].v[i], &bloc);
    }
    bloc.push_back('\n');
    if (bloc.size() >= kBloc) {
      if (!f.Ecrit(bloc.data(), bloc.size())) return ErrEcriture;
      bloc.clear();
    }
  }
  if (!f.Ecrit(bloc.data(), bloc.size())) return ErrEcriture;
  return f.Termine() ? Ok : ErrEcriture;
}
