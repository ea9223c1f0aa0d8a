// Checks the script readers: names, quoted texts, command words, unsigned values, lists of
// reals and triples, colours and devices, with every reader error and its header.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/Interpreter.h"
#include "plot/TrColors.h"
#include "tests/support/ScriptCapture.h"

namespace {

// An interpreter without a file, holding one line as line 3 of a script.
struct Line {
  iTPrm it{static_cast<FILE*>(nullptr)};
  explicit Line(const std::string& text) { it.SetLine(text.c_str(), 3); }
};

// Runs reader on the line and returns what was printed.
template <class F>
std::string Printed(F reader) {
  testing::internal::CaptureStdout();
  reader();
  return testing::internal::GetCapturedStdout();
}

const char* const kBadEnd = "Fin de ligne incorrecte (extra paramètre ?)\n";

TEST(LexerTest, Separators) {
  Line l(" \t\r\n x");
  l.it.PasseSep();
  EXPECT_EQ(*l.it.pbuf, 'x');
  EXPECT_FALSE(l.it.isSpace('\v'));
  Line c("  ; comment");
  c.it.PasseSep();
  EXPECT_TRUE(c.it.isEOL());
  Line e("   ");
  e.it.PasseSep();
  EXPECT_TRUE(e.it.isEOL());
}

TEST(LexerTest, ErrShowsLineNumberAndLineAsRead) {
  Line l("Wmin 5\n");
  EXPECT_EQ(Printed([&] { l.it.Err("message %d\n", 7); }),
            "Erreur à la ligne 3 : Wmin 5\nmessage 7\n");
  Line last("Wmin 5");  // last line of a file without line end: the header gets one
  EXPECT_EQ(Printed([&] { last.it.Err("x\n"); }), "Erreur à la ligne 3 : Wmin 5\nx\n");
  Line cr("Wmin 5\r");  // a line ended by a lone CR: an LF after it, or the message would overwrite it
  EXPECT_EQ(Printed([&] { cr.it.Err("x\n"); }), "Erreur à la ligne 3 : Wmin 5\r\nx\n");
}

TEST(LexerTest, Names) {
  struct Case {
    const char* line;
    const char* name;
    char next;  // character at pbuf afterwards
  } cases[] = {
      {"  abc_1 x", "abc_1", ' '},
      {"_x9.gain", "_x9", '.'},
      {"1abc", "", '1'},
      {"café", "caf", "café"[3]},  // an accented letter ends a name
      {"", "", '\0'},
      {"\"q\"", "", '"'},
  };
  for (const Case& c : cases) {
    Line l(c.line);
    l.it.ReadNomSymb();
    EXPECT_STREQ(l.it.NomSymb, c.name) << c.line;
    EXPECT_EQ(*l.it.pbuf, c.next) << c.line;
  }
}

TEST(LexerTest, QuotedTexts) {
  struct Case {
    const char* line;
    bool ok;
    const char* text;
  } cases[] = {
      {" \"a;b, c\" rest", true, "a;b, c"}, {"\"\"", true, ""},          {"\"abc", false, "abc"},
      {"\"ab\r\ncd\"", false, "ab"},        {"\"ab\ncd\"", false, "ab"},
  };
  for (const Case& c : cases) {
    Line l(c.line);
    EXPECT_EQ(l.it.ReadExp(), c.ok) << c.line;
    EXPECT_STREQ(l.it.NomSymb, c.text) << c.line;
    if (c.ok) {
      EXPECT_EQ(*l.it.pbuf, '"') << c.line;
    }
  }
  Line none("abc");
  std::strcpy(none.it.NomSymb, "kept");
  EXPECT_FALSE(none.it.ReadExp());
  EXPECT_STREQ(none.it.NomSymb, "kept");
}

TEST(LexerTest, CommandWords) {
  struct Case {
    const char* line;
    bool found;
    int cmde;
  } cases[] = {
      {"fct = H", true, 0},
      {"OpenLoop=1", true, 1},
      {"openloop=1", true, 1},
      {"OPENLOOP=1", true, 1},
      {"CouleurBodeSec=BLEU", true, 14},
      {"couleurbodesec", true, 14},
      {"Black(SCR)", true, 15},
      {"CouleurInput", true, 32},
      {"H.gain=1", false, -1},
      {"OpenLoops=1", false, -1},
      {"1x", false, -1},
  };
  for (const Case& c : cases) {
    Line l(c.line);
    EXPECT_EQ(l.it.ReadCmde(), c.found) << c.line;
    EXPECT_EQ(l.it.cmde, c.cmde) << c.line;
  }
}

TEST(LexerTest, UnsignedValues) {
  struct Case {
    const char* line;
    const char* error;  // null: accepted
    unsigned value;
  } cases[] = {
      {"=5", nullptr, 5},
      {"= 5 ; comment", nullptr, 5},
      {"=+7", nullptr, 7},
      {"=0", nullptr, 0},
      {"=-1", nullptr, 4294967295u},
      {"=-4294967295", nullptr, 1},
      {"=4294967295", nullptr, 4294967295u},
      {"=4294967296", nullptr, 4294967295u},
      {"=99999999999999999999999", nullptr, 4294967295u},
      {"=-99999999999999999999999", nullptr, 4294967295u},
      {"5", "'=' manquant !\n", 0},
      {" =5", "'=' manquant !\n", 0},
      {"=x", "Paramètre invalide !\n", 0},
      {"=", "Paramètre invalide !\n", 0},
      {"=-", "Paramètre invalide !\n", 0},
      {"=- 5", "Paramètre invalide !\n", 0},
      {"=5 6", kBadEnd, 0},
      {"=5x", kBadEnd, 0},
  };
  for (const Case& c : cases) {
    Line l(c.line);
    unsigned v = 12345;
    bool ok = false;
    std::string out = Printed([&] { ok = l.it.ReadValUI(&v); });
    if (c.error == nullptr) {
      EXPECT_TRUE(ok) << c.line;
      EXPECT_EQ(out, "") << c.line;
      EXPECT_EQ(v, c.value) << c.line;
    } else {
      EXPECT_FALSE(ok) << c.line;
      EXPECT_EQ(out, ErrorHeader(3, c.line) + c.error) << c.line;
    }
  }
}

TEST(LexerTest, ListsOfReals) {
  struct Case {
    const char* line;
    const char* error;
    std::vector<double> values;
  } cases[] = {
      {"=1", nullptr, {1}},
      {"=  -1 , -10 ; two poles", nullptr, {-1, -10}},
      {"=1.5e3,2E-2,.5,-0", nullptr, {1500, 0.02, 0.5, 0}},
      {"=1,2,3\n", nullptr, {1, 2, 3}},
      {"1", "'=' manquant !\n", {}},
      {"=abc", "Paramètre invalide !\n", {}},
      {"=1,,2", "Paramètre invalide !\n", {}},
      {"=1,", "Paramètre invalide !\n", {}},
      {"=", "Paramètre invalide !\n", {}},
      {"=1 2", kBadEnd, {}},
      {"=1;2", nullptr, {1}},
      {"=1e400", "Paramètre invalide !\n", {}},  // out of range
      {"=nan", "Paramètre invalide !\n", {}},
      {"=-inf", "Paramètre invalide !\n", {}},
  };
  for (const Case& c : cases) {
    Line l(c.line);
    bool ok = false;
    std::string out = Printed([&] { ok = l.it.ReadValD(); });
    if (c.error == nullptr) {
      EXPECT_TRUE(ok) << c.line;
      EXPECT_EQ(out, "") << c.line;
      ASSERT_EQ(l.it.nbprm, c.values.size()) << c.line;
      for (size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(l.it.prm[i], c.values[i]) << c.line;
    } else {
      EXPECT_FALSE(ok) << c.line;
      EXPECT_EQ(out, ErrorHeader(3, c.line) + c.error) << c.line;
    }
  }
}

// A list of n values 1, 2, ..., n, or of n triples {k, k, k}.
std::string Reals(int n) {
  std::string s = "=";
  for (int i = 1; i <= n; ++i) s += (i > 1 ? "," : "") + std::to_string(i);
  return s;
}
std::string Triples(int n) {
  std::string s = "=";
  for (int i = 1; i <= n; ++i) {
    std::string k = std::to_string(i);
    s += (i > 1 ? "," : "") + ("{" + k + "," + k + "," + k + "}");
  }
  return s;
}

TEST(LexerTest, AtMost120ValuesOr40Triples) {
  Line full(Reals(120));
  EXPECT_TRUE(full.it.ReadValD());
  EXPECT_EQ(full.it.nbprm, 120u);
  EXPECT_EQ(full.it.prm[119], 120.0);

  std::string line = Reals(121);
  Line over(line);
  bool ok = true;
  EXPECT_EQ(Printed([&] { ok = over.it.ReadValD(); }),
            ErrorHeader(3, line) + "Trop de paramètres !\n");
  EXPECT_FALSE(ok);
  EXPECT_LE(over.it.nbprm, 120u);

  Line full3(Triples(40));
  EXPECT_TRUE(full3.it.Read3());
  EXPECT_EQ(full3.it.nbprm, 120u);
  EXPECT_EQ(full3.it.prm[117], 40.0);

  line = Triples(41);
  Line over3(line);
  EXPECT_EQ(Printed([&] { ok = over3.it.Read3(); }),
            ErrorHeader(3, line) + "Trop de paramètres !\n");
  EXPECT_FALSE(ok);
  EXPECT_LE(over3.it.nbprm, 120u);
}

TEST(LexerTest, ListsOfTriples) {
  struct Case {
    const char* line;
    const char* error;
    std::vector<double> values;
  } cases[] = {
      {"={1,0.5,1}", nullptr, {1, 0.5, 1}},
      {"= { 1 , 2 , 3 } , {4,5,6} ; c", nullptr, {1, 2, 3, 4, 5, 6}},
      {"{1,2,3}", "'=' manquant !\n", {}},
      {"=1,2,3", "'{' manquante !\n", {}},
      {"={1,2,3},4", "'{' manquante !\n", {}},
      {"={1,2,3},{4,5}", "Paramètre manquant !\n", {}},
      {"={1 2 3}", "Paramètre manquant !\n", {}},
      {"={1,2,3,4}", "'}' manquante !\n", {}},
      {"={1,2,3", "'}' manquante !\n", {}},
      {"={1,x,3}", "Paramètre invalide !\n", {}},
      {"={1,2,}", "Paramètre invalide !\n", {}},
      {"={1,2,3} x", kBadEnd, {}},
  };
  for (const Case& c : cases) {
    Line l(c.line);
    bool ok = false;
    std::string out = Printed([&] { ok = l.it.Read3(); });
    if (c.error == nullptr) {
      EXPECT_TRUE(ok) << c.line;
      EXPECT_EQ(out, "") << c.line;
      ASSERT_EQ(l.it.nbprm, c.values.size()) << c.line;
      for (size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(l.it.prm[i], c.values[i]) << c.line;
    } else {
      EXPECT_FALSE(ok) << c.line;
      EXPECT_EQ(out, ErrorHeader(3, c.line) + c.error) << c.line;
    }
  }
}

TEST(LexerTest, Colours) {
  struct Case {
    const char* line;
    const char* error;
    int code;
  } cases[] = {
      {"=BLANC", nullptr, TRCOL_BLANC},
      {"=noir", nullptr, TRCOL_NOIR},
      {"=Bleu", nullptr, TRCOL_BLEU},
      {"=VERT", nullptr, TRCOL_VERT},
      {"=rouge", nullptr, TRCOL_ROUGE},
      {"=gris", nullptr, TRCOL_GRIS},
      {"=Turquoise", nullptr, TRCOL_TURQUOISE},
      {"=violet", nullptr, TRCOL_VIOLET},
      {"=marron", nullptr, TRCOL_MARRON},
      {"=jaune", nullptr, TRCOL_JAUNE},
      {"=bleuclair", nullptr, TRCOL_BLEUCLAIR},
      {"= BleuClair ; comment", nullptr, TRCOL_BLEUCLAIR},
      {"=BLEUCLAIR", nullptr, TRCOL_BLEUCLAIR},
      {"=vertclair", nullptr, TRCOL_VERTCLAIR},
      {"=RougeClair", nullptr, TRCOL_ROUGECLAIR},
      {"=grisclair", nullptr, TRCOL_GRISCLAIR},
      {"=turquoiseclair", nullptr, TRCOL_TURQUOISECLAIR},
      {"=VIOLETCLAIR", nullptr, TRCOL_VIOLETCLAIR},
      {"rouge", "'=' manquant !\n", 0},
      {"=", "Nom de couleur manquant !\n", 0},
      {"=1", "Nom de couleur manquant !\n", 0},
      {"=rose", "Couleur 'rose' inconnue !\n", 0},
      {"=Bleu_clair", "Couleur 'Bleu_clair' inconnue !\n", 0},
      {"=rouge vif", kBadEnd, 0},
  };
  for (const Case& c : cases) {
    Line l(c.line);
    int code = -7;
    bool ok = false;
    std::string out = Printed([&] { ok = l.it.ReadColor(&code); });
    if (c.error == nullptr) {
      EXPECT_TRUE(ok) << c.line;
      EXPECT_EQ(out, "") << c.line;
      EXPECT_EQ(code, c.code) << c.line;
    } else {
      EXPECT_FALSE(ok) << c.line;
      EXPECT_EQ(code, -7) << c.line;
      EXPECT_EQ(out, ErrorHeader(3, c.line) + c.error) << c.line;
    }
  }
  Line l("=BleuClair");
  int code;
  ASSERT_TRUE(l.it.ReadColor(&code));
  EXPECT_STREQ(l.it.NomSymb, "BleuClair");  // kept as written, for the echo
}

TEST(LexerTest, Devices) {
  struct Case {
    const char* line;
    const char* error;
    GrType type;
    const char* file;
  } cases[] = {
      {"(SCR)", nullptr, GrScr, ""},
      {"( scr ) ; comment", nullptr, GrScr, ""},
      {"(Scr)", nullptr, GrScr, ""},
      {"(EPS, \"a b;c.eps\")", nullptr, GrPS, "a b;c.eps"},
      {"(emf,\"out.emf\")", nullptr, GrEMF, "out.emf"},
      {"( Eps , \"x\" )", nullptr, GrPS, "x"},
      {"(PDF, \"a.pdf\")", nullptr, GrPDF, "a.pdf"},
      {"(svg,\"b c.svg\") ; comment", nullptr, GrSVG, "b c.svg"},
      {"( Png , \"d.png\" )", nullptr, GrPNG, "d.png"},
      {"(Csv, \"bode.csv\")", nullptr, GrCSV, "bode.csv"},
      {"(CSV)", "',' manquante !\n", GrErr, ""},
      {"SCR", "'(' manquante !\n", GrErr, ""},
      {"()", "Nom de périphérique manquant !\n", GrErr, ""},
      {"(1)", "Nom de périphérique manquant !\n", GrErr, ""},
      {"(HPGL, \"x\")", "Périphérique 'HPGL' inconnu !\n", GrErr, ""},
      {"(JPG, \"x.jpg\")", "Périphérique 'JPG' inconnu !\n", GrErr, ""},
      {"(PNG)", "',' manquante !\n", GrErr, ""},
      {"(pdf, x.pdf)", "Nom de fichier invalide !\n", GrErr, ""},
      {"(SVG, \"\")", "Nom de fichier ???\n", GrErr, ""},
      {"(EPS)", "',' manquante !\n", GrErr, ""},
      {"(EPS \"x\")", "',' manquante !\n", GrErr, ""},
      {"(EPS, x.eps)", "Nom de fichier invalide !\n", GrErr, ""},
      {"(EPS, \"x.eps)", "Nom de fichier invalide !\n", GrErr, ""},
      {"(EMF, \"\")", "Nom de fichier ???\n", GrErr, ""},
      {"(SCR, \"x\")", "')' manquante !\n", GrErr, ""},
      {"(EPS, \"x\"", "')' manquante !\n", GrErr, ""},
      {"(SCR) x", kBadEnd, GrErr, ""},
  };
  for (const Case& c : cases) {
    Line l(c.line);
    GrType t = GrErr;
    bool ok = false;
    std::string out = Printed([&] { ok = l.it.ReadPeriph(&t); });
    if (c.error == nullptr) {
      EXPECT_TRUE(ok) << c.line;
      EXPECT_EQ(out, "") << c.line;
      EXPECT_EQ(t, c.type) << c.line;
      EXPECT_STREQ(l.it.NomSymb, c.file) << c.line;
    } else {
      EXPECT_FALSE(ok) << c.line;
      EXPECT_EQ(t, GrErr) << c.line;
      EXPECT_EQ(out, ErrorHeader(3, c.line) + c.error) << c.line;
    }
  }
}

}  // namespace
