// Table of the numbers behind a chart, written as a CSV file (RFC 4180 fields, LF line ends,
// '.' as decimal point whatever the locale, one header line of column names).
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

class TTableCsv {
 public:
  // What Ecrit returns.
  enum { Ok = 0, ErrOuverture = 1, ErrEcriture = 2 };

  // Adds a column named nom whose values are v[0 .. n-1]; the values are not copied and must
  // stay where they are until the table is written.
  void Colonne(const std::string& nom, const double* v, size_t n);
  // Adds a column that the table keeps.
  void Colonne(const std::string& nom, std::vector<double>&& v);
  // Adds a column of texts (a name on each row of a long table), which the table keeps.
  void ColonneTexte(const std::string& nom, std::vector<std::string>&& v);

  size_t NbColonnes() const { return noms_.size(); }

  // Writes the table to the file nf: the header, then one line a row, as many rows as the
  // longest column (a shorter column and a value that is not finite leave an empty field).
  // The file is written whole or not at all, as the chart files are (AtomicFile): a failed
  // write leaves an earlier file of that name as it was. ErrOuverture: the file could not be
  // created; ErrEcriture: it could not be written whole.
  int Ecrit(const char* nf) const;

  // Appends one field: v in the shortest form that reads back as the same double (nothing when
  // v is not finite).
  static void Nombre(double v, std::string* out);
  // Appends one field holding the text s, quoted when it holds a comma, a quote or a line end.
  static void Texte(const std::string& s, std::string* out);

 private:
  // Appends rows debut .. fin-1 to out.
  void Lignes(size_t debut, size_t fin, std::string* out) const;

  struct TColonne {
    const double* v;                      // the numbers, or null for a column of texts
    size_t n;
    const std::vector<std::string>* txt;  // the texts, or null for a column of numbers
  };
  std::vector<std::string> noms_;
  std::vector<TColonne> colonnes_;
  std::deque<std::vector<double>> gardees_;  // the columns the table keeps
  std::deque<std::vector<std::string>> textes_;
};
