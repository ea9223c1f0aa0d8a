// CSV table: numbers in their shortest exact form, quoted names, and the file's bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>

#include "charts/TableCsv.h"
#include "tests/support/ReadFile.h"
#include "tests/support/ScratchDir.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(TableCsv, NumbersAndNames) {
  const struct {
    double v;
    const char* text;
  } nombres[] = {
      {0.1, "0.1"},
      {100, "100"},
      {-2.5, "-2.5"},
      {1e-4, "1e-04"},
      {1.0 / 3, "0.3333333333333333"},
      {-20 * std::log10(2.0), "-6.020599913279624"},
      {5e-324, "5e-324"},
      {1e300, "1e+300"},
      {std::nan(""), ""},
      {kInf, ""},
      {-kInf, ""},
  };
  for (const auto& n : nombres) {
    std::string s;
    TTableCsv::Nombre(n.v, &s);
    EXPECT_EQ(s, n.text) << n.v;
  }
  // Any finite double reads back as itself, in at most 17 significant digits.
  std::mt19937_64 rng(27);
  for (int i = 0; i < 100000; ++i) {
    const uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    std::string s;
    TTableCsv::Nombre(v, &s);
    const double back = std::strtod(s.c_str(), nullptr);
    ASSERT_EQ(std::memcmp(&back, &v, sizeof v), 0) << s;
    char g17[40];
    std::snprintf(g17, sizeof g17, "%.17g", v);
    ASSERT_LE(s.size(), std::strlen(g17) + 1) << s << " " << g17;  // "e-05" against "e-5"
  }
  const struct {
    const char* nom;
    const char* champ;
  } noms[] = {
      {"H_gain_dB", "H_gain_dB"},
      {"a,b", "\"a,b\""},
      {"dit \"x\"", "\"dit \"\"x\"\"\""},
      {"deux\nlignes", "\"deux\nlignes\""},
      {"", ""},
  };
  for (const auto& n : noms) {
    std::string s;
    TTableCsv::Texte(n.nom, &s);
    EXPECT_EQ(s, n.champ) << n.nom;
  }
}

// The file: header, one row a value, empty fields past a shorter column and for values that
// are not finite, texts quoted where they must be; it replaces an earlier file and leaves
// nothing else in its folder.
TEST(TableCsv, FileBytes) {
  ScratchDir dir;
  const std::string f = dir.Write("t.csv", "earlier contents\n");
  const double x[] = {1, 2, 3};
  TTableCsv t;
  t.Colonne("x", x, 3);
  t.Colonne("y", {0.5, std::nan(""), -kInf});
  t.Colonne("z,q", {1e-10});
  t.ColonneTexte("nom", {"H", "a \"b\", c"});
  ASSERT_EQ(t.Ecrit(f.c_str()), TTableCsv::Ok);
  EXPECT_EQ(ReadFile(f), "x,y,\"z,q\",nom\n1,0.5,1e-10,H\n2,,,\"a \"\"b\"\", c\"\n3,,,\n");
  size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) n += !e.is_directory();
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(t.Ecrit((dir.path() + "/no/such/folder.csv").c_str()), TTableCsv::ErrOuverture);
  EXPECT_EQ(t.Ecrit(dir.path().c_str()), TTableCsv::ErrOuverture);
  EXPECT_EQ(t.Ecrit(""), TTableCsv::ErrOuverture);
}

}  // namespace
