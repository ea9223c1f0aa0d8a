// Checks the line loop: blank and comment lines, line numbers, line ends (LF, CR LF, lone CR),
// the byte-order mark, over-long lines counted once, NUL bytes, lines without end and binary
// input, and the example script of the user guide.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model/Param.h"
#include "tests/support/ScriptCapture.h"

namespace {

class LoopTest : public ::testing::Test {
 protected:
  void SetUp() override { Param.Reset(); }
  void TearDown() override { Param.Reset(); }
};

TEST_F(LoopTest, EmptyBlankAndCommentScriptsPrintNothing) {
  EXPECT_EQ(RunScriptText(""), "");
  EXPECT_EQ(RunScriptText("\n\n   \t\n; comment\n   ; indented comment Wmin=5\n\r\n"), "");
  EXPECT_EQ(Param.EdWn, 0.001);
}

TEST_F(LoopTest, ExampleScript) {
  std::string out = RunScriptText(
      "; open loop H = 10/((s+1)(s+10))\n"
      "fct = H\n"
      "H.gain = 10\n"
      "H.pole = -1, -10\n"
      "Wmin = 0.01\n"
      "Wmax = 100\n");
  EXPECT_EQ(out,
            "Fonction 'H' créée.\n"
            "Gain de 'H' = 10\n"
            "Ajout poles de 'H' = -1, -10\n"
            "Wmin=0.01\n"
            "Wmax=100\n");
  TFctTransfert* h = FctLF("H");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->g, 10.0);
  ASSERT_EQ(h->nbp, 2);
  EXPECT_EQ(h->p[1], -10.0);
  EXPECT_EQ(Param.EdWn, 0.01);
  EXPECT_EQ(Param.EdWm, 100.0);
}

TEST_F(LoopTest, LineNumbersCountBlankAndCommentLines) {
  std::string out = RunScriptText("; a\n\nWmin=1\n   \nWmax\nfoo\n");
  EXPECT_EQ(out, "Wmin=1\n" + ErrorHeader(5, "Wmax\n") + "'=' manquant !\n" +
                     ErrorHeader(6, "foo\n") + "Fonction 'foo' indéfinie !\n");
}

TEST_F(LoopTest, LineStartingWithSomethingElseThanANameIsAnUndefinedFunction) {
  for (const char* line : {"12\n", "-H.gain=1\n", "\"x\"\n", "=5\n", ".gain=1\n"}) {
    EXPECT_EQ(RunScriptText(line), ErrorHeader(1, line) + "Fonction '' indéfinie !\n") << line;
  }
}

TEST_F(LoopTest, CrLfLineEnds) {
  std::string out = RunScriptText("fct = H\r\nH.gain = 2\r\nWmin\r\n");
  EXPECT_EQ(out, "Fonction 'H' créée.\nGain de 'H' = 2\n" + ErrorHeader(3, "Wmin\r\n") +
                     "'=' manquant !\n");
}

TEST_F(LoopTest, LastLineWithoutLineEnd) {
  EXPECT_EQ(RunScriptText("Wmin=2\nWmax=5"), "Wmin=2\nWmax=5\n");
  EXPECT_EQ(Param.EdWm, 5.0);
  EXPECT_EQ(RunScriptText("Wmin=2\nWmax"),
            "Wmin=2\n" + ErrorHeader(2, "Wmax") + "'=' manquant !\n");
}

TEST_F(LoopTest, ALineLongerThan1023CharactersIsOneLine) {
  // 1024 characters: reported once with its first 1023, nothing of it runs, Wmax is line 2.
  std::string line = "Wmin=" + std::string(1018, ' ') + "7\n";
  std::string out = RunScriptText(line + "Wmax=5\n");
  EXPECT_EQ(out, ErrorHeader(1, line.substr(0, 1023)) + "Ligne trop longue !\n" + "Wmax=5\n");
  EXPECT_EQ(Param.EdWn, 0.001);

  // 1023 characters and a CR LF line end: an ordinary line, and the next one is line 2.
  out = RunScriptText("Wmin=" + std::string(1017, ' ') + "7\r\nWmax\n");
  EXPECT_EQ(out, "Wmin=7\n" + ErrorHeader(2, "Wmax\n") + "'=' manquant !\n");

  // Comment lines and blank lines of any length are skipped without a word; a line of blanks
  // with something beyond its first 1023 characters is a line too long.
  std::string comment = ";" + std::string(2999, 'x') + "\n";
  std::string blanks(1500, ' ');
  Param.Reset();
  out = RunScriptText(comment + blanks + "\n" + blanks + "Wmin=2\n" + "\t" + comment + "Wmax\n");
  EXPECT_EQ(out, ErrorHeader(3, blanks.substr(0, 1023)) + "Ligne trop longue !\n" +
                     ErrorHeader(5, "Wmax\n") + "'=' manquant !\n");
  EXPECT_EQ(Param.EdWn, 0.001);
}

TEST_F(LoopTest, NulBytesMakeTheLineAnError) {
  const char text[] = "fct = H\nfct = G\0junk\nH.gain=2\nWmin\0=5\n";
  std::string script(text, sizeof text - 1);
  std::string out = RunScriptText(script);
  EXPECT_EQ(out, "Fonction 'H' créée.\n" + ErrorHeader(2, "fct = G") +
                     "Caractère nul dans la ligne !\nGain de 'H' = 2\n" + ErrorHeader(4, "Wmin") +
                     "Caractère nul dans la ligne !\n");
  EXPECT_EQ(Param.GetNbFctTransfert(), 1u);
  EXPECT_EQ(Param.EdWn, 0.001);
}

// The bytes of a literal, NUL bytes included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// Each script's console bytes, exactly: any line end ends a line and is counted, a byte-order
// mark opens the file unseen, a NUL byte stops its line from running, and the header of an error
// always ends its line.
TEST_F(LoopTest, LineEndsMarksNulBytesAndLongLinesExactly) {
  const std::string bad1023 = "Wmin=" + std::string(1017, ' ') + "x";  // 1023 characters
  const std::string long2000 = "Wmax=" + std::string(1994, ' ') + "8";
  const std::string mib(iTPrm::kMaxLine - 6, ' ');  // with "Wmax=9", a line of exactly 1 MiB
  const std::string unreadable = "fichier illisible (ligne de plus de 1 Mo) !\n";
  struct Case {
    const char* what;
    std::string script, out;
  };
  const Case cases[] = {
      {"CR only", "fct = H\rH.gain = 2\rWmin\rH.pole = -1\r",
       "Fonction 'H' créée.\nGain de 'H' = 2\nErreur à la ligne 3 : Wmin\r\n'=' manquant !\n"
       "Ajout pole de 'H' = -1\n"},
      {"lone CR among LF", "fct = H\nH.gain = 2\rH.pole = -1\nWmax\n",
       "Fonction 'H' créée.\nGain de 'H' = 2\nAjout pole de 'H' = -1\n"
       "Erreur à la ligne 4 : Wmax\n'=' manquant !\n"},
      {"mixed, CR CR LF", "Wmin=2\r\nWmax\r\r\nWmin\n\rWmax=3",
       "Wmin=2\nErreur à la ligne 2 : Wmax\r\n'=' manquant !\n"
       "Erreur à la ligne 4 : Wmin\n'=' manquant !\nWmax=3\n"},
      {"byte-order mark", "\xEF\xBB\xBF" "fct = H\nH.gain = 2\n",
       "Fonction 'H' créée.\nGain de 'H' = 2\n"},
      {"mark, then an error", "\xEF\xBB\xBFWmin\n", "Erreur à la ligne 1 : Wmin\n'=' manquant !\n"},
      {"mark alone", "\xEF\xBB\xBF", ""},
      {"part of a mark", "\xEF\xBB\rWmin=2\n",
       "Erreur à la ligne 1 : \xEF\xBB\r\nFonction '' indéfinie !\nWmin=2\n"},
      {"mark after the start", "Wmin=2\n\xEF\xBB\xBFWmax=3\n",
       "Wmin=2\nErreur à la ligne 2 : \xEF\xBB\xBFWmax=3\nFonction '' indéfinie !\n"},
      {"NUL in a value", Bytes("fct = H\nH.gain = 2\0 9\nH.gain = 3\n"),
       "Fonction 'H' créée.\nErreur à la ligne 2 : H.gain = 2\nCaractère nul dans la ligne !\n"
       "Gain de 'H' = 3\n"},
      {"NUL in a word", Bytes("fct = H\nH.po\0le = -1\n"),
       "Fonction 'H' créée.\nErreur à la ligne 2 : H.po\nCaractère nul dans la ligne !\n"},
      {"NUL in a comment", Bytes(" ; a\0b\nWmin=2\n"), "Wmin=2\n"},
      {"1023 characters", bad1023 + "\nWmax=3\n",
       "Erreur à la ligne 1 : " + bad1023 + "\nParamètre invalide !\nWmax=3\n"},
      {"2000 characters", long2000 + "\r\nWmax=3\n",
       "Erreur à la ligne 1 : " + long2000.substr(0, 1023) + "\nLigne trop longue !\nWmax=3\n"},
      {"last line without end", "Wmin=2\nWmax", "Wmin=2\nErreur à la ligne 2 : Wmax\n'=' manquant !\n"},
      {"1 MiB", "Wmin=2\nWmax=9" + mib + "\nWmax=3\n",
       "Wmin=2\nErreur à la ligne 2 : Wmax=9" + std::string(1017, ' ') +
           "\nLigne trop longue !\nWmax=3\n"},
      {"1 MiB and one", "Wmin=2\nWmax=9" + mib + " \nWmax=3\n",
       "Wmin=2\nErreur à la ligne 2 : " + unreadable},
      {"3 MiB comment", "Wmin=2\n;" + std::string(3 * iTPrm::kMaxLine, 'x') + "\nWmax=3\n",
       "Wmin=2\nWmax=3\n"},
  };
  for (const Case& c : cases) {
    Param.Reset();
    EXPECT_EQ(RunScriptText(c.script), c.out) << c.what;
  }
}

// Bytes without end: a line that never ends stops the script with its message, after what ran
// before it, even a comment line (after about a second of reading it).
TEST_F(LoopTest, EndlessLinesEndTheScript) {
  struct Endless {
    std::string start;
    size_t at = 0;
    char fill;
  };
  cookie_io_functions_t io = {};
  io.read = [](void* cookie, char* b, size_t n) -> ssize_t {
    Endless* e = static_cast<Endless*>(cookie);
    for (size_t i = 0; i < n; ++i, ++e->at) b[i] = e->at < e->start.size() ? e->start[e->at] : e->fill;
    return static_cast<ssize_t>(n);
  };
  for (Endless e : {Endless{"Wmin=2\n", 0, '\0'}, Endless{"Wmin=2\n  ;", 0, 'x'},
                    Endless{"Wmin=2\nWmax", 0, ' '}}) {
    Param.Reset();
    testing::internal::CaptureStdout();
    {
      iTPrm it(fopencookie(&e, "r", io));
      while (it.ExecNextCmde()) {
      }
      EXPECT_EQ(it.f, nullptr);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Wmin=2\nErreur à la ligne 2 : fichier illisible (ligne de plus de 1 Mo) !\n");
    EXPECT_EQ(Param.EdWn, 2.0);
  }
}

TEST_F(LoopTest, BinaryInputEndsWithoutHarm) {
  std::string bytes;
  unsigned x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    bytes.push_back(static_cast<char>(x >> 23));
  }
  std::string out = RunScriptText(bytes);
  EXPECT_EQ(Param.GetNbFctTransfert(), 0u);
  EXPECT_EQ(Param.EdWn, 0.001);
  EXPECT_EQ(out.find("Erreur à la ligne 1 : "), 0u);
}

TEST_F(LoopTest, UnreadableScriptCountsAsEmpty) {
  testing::internal::CaptureStdout();
  {
    iTPrm it("/nonexistent/dir/script.txt");
    EXPECT_EQ(it.f, nullptr);
    EXPECT_FALSE(it.ExecNextCmde());
    EXPECT_EQ(it.cmde, -2);
    EXPECT_EQ(it.ligne, 0);
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Le fichier /nonexistent/dir/script.txt ne peut être ouvert !\n");
  testing::internal::CaptureStdout();
  {
    iTPrm it("/");
    EXPECT_FALSE(it.ExecNextCmde());
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Le fichier / ne peut être ouvert !\n");
}

}  // namespace

namespace {

// Random lines built from the script's own words and signs: nothing crashes, and no line can
// store a setting outside its valid range. Devices and the report are left out, so that no
// chart or simulation runs.
TEST(LoopFuzzTest, RandomTokenLinesKeepSettingsInRange) {
  Param.Reset();
  const char* const heads[] = {"fct = ",    "H.gain",       "H.pole",    "H.poleC",  "h.zeroC",
                               "H.Couleur", "H.select",     "H.exp",     "Wmin",     "Fmax",
                               "NBP",       "EpCourbe",     "EpTempSec", "TempTfin", "TempDt",
                               "Input",     "CouleurBlack", "Black",     "fct=H",    ""};
  const char* const tokens[] = {"H",    "G",     "=",          ".",     ",",  ";",     "{",
                                "}",    "(",     ")",          "\"",    " ",  "\t",    "\r",
                                "_x",   "1",     "-1",         "0",     "3",  "1e-10", "9e-11",
                                "2e10", "1e400", "nan",        "0.005", "12", "1000",  "4294967296",
                                "-",    "rouge", "VIOLETCLAIR"};
  unsigned x = 2024;
  auto next = [&x](size_t m) {
    x = x * 1103515245u + 12345u;
    return (x >> 16) % m;
  };
  std::string script;
  size_t nh = sizeof heads / sizeof heads[0], nt = sizeof tokens / sizeof tokens[0];
  for (int line = 0; line < 5000; ++line) {
    script += heads[next(nh)];
    if (next(4) != 0) script += "=";
    for (size_t k = next(6); k > 0; --k) script += tokens[next(nt)];
    script += "\n";
  }
  std::string out = RunScriptText(script);
  size_t errors = 0;
  for (size_t at = out.find("Erreur à"); at != std::string::npos;
       at = out.find("Erreur à", at + 1)) {
    ++errors;
  }
  // The mix holds both refused and accepted lines (a "\r" token ends a line too).
  size_t lines = 0;
  for (size_t i = 0; i < script.size(); ++i)
    lines += script[i] == '\n' || (script[i] == '\r' && script[i + 1] != '\n');
  EXPECT_GT(errors, 100u);
  EXPECT_LT(errors, lines - 100);
  EXPECT_GE(Param.EdWn, 1e-10);
  EXPECT_LE(Param.EdWm, 6.283185307179586e10);
  EXPECT_GE(Param.EdNBP, 10);
  EXPECT_LE(Param.EdNBP, 10000);
  for (double ep : {Param.EpCourbe, Param.EpTemp2}) {
    EXPECT_GE(ep, 0.01);
    EXPECT_LE(ep, 10.0);
  }
  EXPECT_GE(Param.EdTFin, 0.001);
  EXPECT_LE(Param.EdTFin, 1000.0);
  EXPECT_GE(Param.EdDt, 1e-7);
  EXPECT_LE(Param.EdDt, 0.001);
  EXPECT_GE(Param.RBInput, 0);
  EXPECT_LE(Param.RBInput, 3);
  EXPECT_GE(Param.ColorBlack, 0);
  EXPECT_LT(Param.ColorBlack, 16);
  ASSERT_GE(Param.GetNbFctTransfert(), 1u);
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    const TFctTransfert* h = Param.GetFctTransfert(i);
    EXPECT_TRUE(std::isfinite(h->g));
    for (int k = 0; k < h->nbp; ++k) EXPECT_TRUE(std::isfinite(h->p[k]));
    for (int k = 0; k < h->nbzc; ++k) EXPECT_TRUE(std::isfinite(h->zc[k].c));
    EXPECT_GE(h->Color, 0);
    EXPECT_LT(h->Color, 16);
  }
  Param.Reset();
}

}  // namespace
