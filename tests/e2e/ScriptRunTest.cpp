// Runs the built program on real script files and compares its standard output bytes
// (Windows-1252) and exit status; also the terminal case through a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "tests/support/RunCorvane.h"
#include "tests/support/ScratchDir.h"

namespace {

const std::string kTitle = "Corvane\n";
const std::string kPause = "Appuyez sur une touche pour continuer...\n";

TEST(ScriptRunTest, NoArgumentPrintsTitleAndPauseAndReturnsAtOnce) {
  CorvaneRun r = RunCorvane({});
  EXPECT_EQ(r.out, kTitle + kPause);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
}

// --help and --version answer and end at once, without title or pause; any other first
// argument, even one that looks like an option, is a script path.
TEST(ScriptRunTest, HelpAndVersionAndOtherArguments) {
  CorvaneRun r = RunCorvane({"--help"});
  EXPECT_EQ(r.out.rfind("Usage : corvane SCRIPT ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("PDF, SVG ou PNG"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(kPause), std::string::npos);
  EXPECT_EQ(r.status, 0);
  // The version is the project's, as the build file declares it.
  std::ifstream cm(std::string(CORVANE_SOURCE_DIR) + "/CMakeLists.txt");
  std::string line, version;
  while (std::getline(cm, line) && version.empty()) {
    const std::string key = "project(corvane VERSION ";
    if (line.rfind(key, 0) == 0)
      version = line.substr(key.size(), line.find(' ', key.size()) - key.size());
  }
  ASSERT_FALSE(version.empty());
  r = RunCorvane({"--version", "x.txt"});
  EXPECT_EQ(r.out, "corvane " + version + "\n");
  EXPECT_EQ(r.status, 0);
  r = RunCorvane({"--Help"});
  EXPECT_EQ(r.out, kTitle + "Le fichier --Help ne peut être ouvert !\n" + kPause);
  EXPECT_EQ(r.status, 0);
}

TEST(ScriptRunTest, ExampleScriptPrintsItsEchoesInWindows1252) {
  ScratchDir dir;
  std::string script = dir.Write("h.txt",
                                 "; open loop H = 10/((s+1)(s+10))\n"
                                 "fct = H\n"
                                 "H.gain = 10\n"
                                 "H.pole = -1, -10\n"
                                 "Wmin = 0.01\n"
                                 "Wmax = 100\n");
  CorvaneRun r = RunCorvane({script, "ignored", "arguments"});
  EXPECT_EQ(r.out, kTitle +
                       "Fonction 'H' créée.\n"
                       "Gain de 'H' = 10\n"
                       "Ajout poles de 'H' = -1, -10\n"
                       "Wmin=0.01\n"
                       "Wmax=100\n" +
                       kPause);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
  // The accented letters are single Windows-1252 bytes: e-acute is 0xE9.
  size_t at = r.out.find("cr");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(static_cast<unsigned char>(r.out[at + 2]), 0xE9);
  EXPECT_EQ(static_cast<unsigned char>(r.out[at + 3]), 0xE9);
  EXPECT_EQ(r.out.substr(at + 4, 2), "e.");
}

TEST(ScriptRunTest, ErrorsNameTheirLineAndTheScriptGoesOn) {
  ScratchDir dir;
  std::string script = dir.Write("e.txt",
                                 "fct = H\r\n"
                                 "\r\n"
                                 "H.gain = 1, 2\r\n"
                                 "NBP = 5\r\n"
                                 "G.pole = -1\r\n"
                                 "H.pole = -2\r\n"
                                 "Wmax");
  CorvaneRun r = RunCorvane({script});
  EXPECT_EQ(r.out, kTitle +
                       "Fonction 'H' créée.\n"
                       "Erreur à la ligne 3 : H.gain = 1, 2\r\nTrop de paramètres !\n"
                       "Erreur à la ligne 4 : NBP = 5\r\nNombre de points invalide !\n"
                       "Erreur à la ligne 5 : G.pole = -1\r\nFonction 'G' indéfinie !\n"
                       "Ajout pole de 'H' = -2\n"
                       "Erreur à la ligne 7 : Wmax\n'=' manquant !\n" +
                       kPause);
  EXPECT_EQ(r.status, 0);
}

// A chart prints its title line first; what the drawing itself prints follows it.
TEST(ScriptRunTest, ChartCommandPrintsItsTitle) {
  using ::testing::EndsWith;
  using ::testing::StartsWith;
  ScratchDir dir;
  std::string script = dir.Write("c.txt",
                                 "fct = H\n"
                                 "H.pole = -1\n"
                                 "Temporel(EPS, \"t.eps\")\n"
                                 "Nyquist(EPS, \"n.eps\")\n"
                                 "BodeGP(GIF)\n");
  CorvaneRun r = RunCorvane({script}, dir.path());
  EXPECT_THAT(r.out, StartsWith(kTitle + "Fonction 'H' créée.\nAjout pole de 'H' = -1\n" +
                                "Tracé simulation temporelle\nTracé de Nyquist\n"));
  EXPECT_THAT(r.out, EndsWith("Erreur à la ligne 5 : BodeGP(GIF)\nPériphérique 'GIF' inconnu !\n" +
                              kPause));
  EXPECT_EQ(r.status, 0);
}

TEST(ScriptRunTest, ScriptsThatCannotBeReadCountAsEmpty) {
  ScratchDir dir;
  std::string missing = dir.path() + "/missing.txt";
  CorvaneRun r = RunCorvane({missing});
  EXPECT_EQ(r.out, kTitle + "Le fichier " + missing + " ne peut être ouvert !\n" + kPause);
  EXPECT_EQ(r.status, 0);

  r = RunCorvane({dir.path()});  // a directory
  EXPECT_EQ(r.out, kTitle + "Le fichier " + dir.path() + " ne peut être ouvert !\n" + kPause);
  EXPECT_EQ(r.status, 0);

  std::string locked = dir.Write("locked.txt", "Wmin=5\n");
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  if (geteuid() != 0) {  // the super-user reads any file
    r = RunCorvane({locked});
    EXPECT_EQ(r.out, kTitle + "Le fichier " + locked + " ne peut être ouvert !\n" + kPause);
    EXPECT_EQ(r.status, 0);
  }
}

TEST(ScriptRunTest, AwkwardBytesNeitherCrashNorHang) {
  ScratchDir dir;
  std::string binary;
  unsigned x = 99;
  for (int i = 0; i < 300000; ++i) {
    x = x * 1664525u + 1013904223u;
    binary.push_back(static_cast<char>(x >> 24));
  }
  std::string longLine = "fct = " + std::string(5000, 'A') + "\n";
  std::string nul("Wmin=2\0\0\0\nWmax=3", 16);
  for (const std::string& bytes : {binary, longLine, nul, std::string("\n\n\n")}) {
    CorvaneRun r = RunCorvane({dir.Write("b.txt", bytes)});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, kTitle.size()), kTitle);
    ASSERT_GE(r.out.size(), kPause.size());
    EXPECT_EQ(r.out.substr(r.out.size() - kPause.size()), kPause);
  }
  CorvaneRun r = RunCorvane({dir.Write("n.txt", nul)});
  EXPECT_EQ(r.out, kTitle + "Erreur à la ligne 1 : Wmin=2\nCaractère nul dans la ligne !\nWmax=3\n" +
                       kPause);
  // A script that never ends a line: reading stops at 1 MiB (the run is killed after 60 s).
  r = RunCorvane({"/dev/zero"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kTitle + "Erreur à la ligne 1 : fichier illisible (ligne de plus de 1 Mo) !\n" +
                       kPause);
}

TEST(ScriptRunTest, ShippedExampleRuns) {
  ScratchDir dir;
  CorvaneRun r =
      RunCorvane({std::string(CORVANE_SOURCE_DIR) + "/examples/first_steps.txt"}, dir.path());
  EXPECT_THAT(r.out, ::testing::StartsWith(kTitle + "Fonction 'H' créée.\nGain de 'H' = 10\n" +
                                           "Ajout poles de 'H' = -1, -10\nWmin=0.01\nWmax=100\n" +
                                           "Tracé de Bode (Gain+Phase)\n"));
  EXPECT_THAT(r.out, ::testing::EndsWith(kPause));
  EXPECT_EQ(r.out.find("Erreur"), std::string::npos);
  EXPECT_EQ(r.status, 0);
}

// Every function of every example gets the Nyquist criterion line in its report, and its Z (from
// the encirclements) is the count of closed-loop poles on the right that the roots of den + num
// give: the report adds a line saying which it trusts only when they differ.
TEST(ScriptRunTest, ExampleLoopsCountTheirClosedLoopPolesBothWays) {
  const std::regex chart(R"(^\s*(black|bode\w*|temporel|nyquist)\s*\(.*)", std::regex::icase);
  const std::regex prop(R"(\.\s*prop\s*\()", std::regex::icase);
  const std::regex fct(R"(^\s*fct\s*=\s*(\w+))", std::regex::icase);
  size_t examples = 0;
  for (const auto& e : std::filesystem::directory_iterator(CORVANE_SOURCE_DIR "/examples")) {
    if (e.path().extension() != ".txt") continue;
    ++examples;
    std::ifstream in(e.path());
    std::string script, line, props;
    int functions = 0;
    while (std::getline(in, line)) {
      std::smatch m;
      if (std::regex_search(line, m, fct)) {
        props += m[1].str() + ".prop()\n";
        ++functions;
      }
      if (!std::regex_search(line, chart) && !std::regex_search(line, prop)) script += line + "\n";
    }
    ScratchDir dir;
    CorvaneRun r = RunCorvane({dir.Write("s.txt", script + props)}, dir.path());
    int criteria = 0;
    for (size_t at = 0; (at = r.out.find("Critère de Nyquist : ", at)) != std::string::npos; ++at)
      ++criteria;
    EXPECT_EQ(criteria, functions) << e.path();
    EXPECT_EQ(r.out.find("fait foi"), std::string::npos) << e.path() << r.out;
    EXPECT_EQ(r.out.find("Critère de Nyquist : indéterminé\n"), std::string::npos) << e.path();
  }
  EXPECT_GT(examples, 10u);
}

// Reads from fd until text appears or the time runs out; returns what was read.
std::string ReadUntil(int fd, const std::string& text, int timeoutMs) {
  std::string got;
  while (got.find(text) == std::string::npos) {
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) break;
    char chunk[1024];
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    got.append(chunk, static_cast<size_t>(n));
  }
  return got;
}

// Runs corvane on script under a UTF-8 pseudo-terminal; once the pause prompt shows and the
// program still waits, types key. Returns the terminal text and sets *status.
std::string RunOnTerminal(const std::string& script, const std::string& key, int* status,
                          bool* waited) {
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) return "";
  if (pid == 0) {
    setenv("LC_ALL", "C.UTF-8", 1);
    alarm(30);
    execl(CORVANE_BIN, CORVANE_BIN, script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string got = ReadUntil(master, "continuer...", 10000);
  usleep(200000);
  int ws = 0;
  *waited = waitpid(pid, &ws, WNOHANG) == 0;
  if (write(master, key.data(), key.size()) != static_cast<ssize_t>(key.size())) *waited = false;
  got += ReadUntil(master, "\n", 5000);
  waitpid(pid, &ws, 0);
  close(master);
  *status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
  return got;
}

TEST(ScriptRunTest, Utf8TerminalShowsAccentsAndThePauseWaitsForAKey) {
  ScratchDir dir;
  std::string script = dir.Write("t.txt", "fct = H\nWmin=0\n");
  // A letter, Ctrl-C and an arrow key (three bytes) all end the pause normally.
  for (const std::string key : {"x", "\x03", "\x1b[A"}) {
    int status = -1;
    bool waited = false;
    std::string got = RunOnTerminal(script, key, &status, &waited);
    EXPECT_NE(got.find(u8"Fonction 'H' créée."), std::string::npos) << got;
    EXPECT_NE(got.find(u8"Erreur à la ligne 2 : Wmin=0"), std::string::npos) << got;
    EXPECT_NE(got.find(u8"Valeur de Wmin impossible !"), std::string::npos) << got;
    EXPECT_NE(got.find(u8"Appuyez sur une touche pour continuer..."), std::string::npos) << got;
    EXPECT_TRUE(waited);
    EXPECT_EQ(status, 0);
  }
}

}  // namespace
