// The interpreter's life cycle and its line loop: read a line, skip blank and comment lines,
// dispatch the first word to the global or the function commands.
#include "driver/Interpreter.h"

#include <sys/stat.h>

#include <chrono>
#include <cstring>

iTPrm::iTPrm(const char* nf) : f(std::fopen(nf, "r")) {
  // A directory opens on some systems but cannot be read as a script: refuse it here.
  struct stat st;
  if (f != nullptr && (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode))) {
    std::fclose(f);
    f = nullptr;
  }
  if (f == nullptr) std::printf("Le fichier %s ne peut être ouvert !\n", nf);
}

iTPrm::~iTPrm() {
  if (f != nullptr) std::fclose(f);
}

bool iTPrm::IsScript(const char* nf) const {
  if (f == nullptr || nf == nullptr) return false;
  const int fd = fileno(f);
  struct stat script, other;
  if (fd < 0 || fstat(fd, &script) != 0 || stat(nf, &other) != 0) return false;
  return script.st_dev == other.st_dev && script.st_ino == other.st_ino;
}

void iTPrm::SetLine(const char* line, int n) {
  std::snprintf(buf, sizeof buf, "%s", line);
  pbuf = buf;
  ligne = n;
}

int iTPrm::NextChar() { return nback_ > 0 ? back_[--nback_] : getc_unlocked(f); }

// A UTF-8 byte-order mark (EF BB BF, as some editors start a file) is no part of line 1.
void iTPrm::SkipByteOrderMark() {
  started_ = true;
  static constexpr int kMark[3] = {0xEF, 0xBB, 0xBF};
  int got[3], n = 0;
  while (n < 3 && (got[n] = NextChar()) == kMark[n]) ++n;
  if (n == 3) return;
  for (int i = n; i >= 0; --i) UnreadChar(got[i]);  // the bytes read, in their order
}

// Reads the next physical line, ended by LF, CR LF or a lone CR. Its first 1023 characters go to
// buf, with the line end as far as it fits, and *facts tells what the whole line held. kEnd at
// end of file when nothing is left; kEndless when the line is longer than kMaxLine and no
// comment, or a comment still unfinished after kCommentSeconds: what was read stays in buf.
iTPrm::LineRead iTPrm::ReadLine(LineFacts* facts) {
  *facts = LineFacts{};
  buf[0] = '\0';
  if (f == nullptr) return LineRead::kEnd;
  if (!started_) SkipByteOrderMark();
  const auto start = std::chrono::steady_clock::now();
  int n = 0, c;
  unsigned long length = 0;  // characters before the line end
  auto keep = [&](int ch) {
    if (n < kBufSize - 1) buf[n++] = static_cast<char>(ch);
  };
  while ((c = NextChar()) != EOF) {
    if (c == '\n') {
      keep(c);
      break;
    }
    if (c == '\r') {
      keep(c);
      const int next = NextChar();
      if (next == '\n')
        keep(next);
      else
        UnreadChar(next);
      break;
    }
    if (length == kMaxLine && !facts->comment) {
      buf[n] = '\0';
      return LineRead::kEndless;
    }
    ++length;
    if (facts->blank && c != ' ' && c != '\t') {
      facts->blank = false;
      facts->comment = c == ';';
    }
    if (c == '\0') facts->nul = true;
    if (n < kBufSize - 1)
      buf[n++] = static_cast<char>(c);
    else
      facts->tooLong = true;
    if (facts->comment && length % kMaxLine == 0 &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >
            kCommentSeconds) {
      buf[n] = '\0';
      return LineRead::kEndless;
    }
  }
  buf[n] = '\0';
  return n > 0 || c != EOF ? LineRead::kLine : LineRead::kEnd;
}

// Reads lines until one holds a command; true when its first word is a command word. Blank and
// comment lines are skipped whatever their length; a line holding a NUL byte or more than 1023
// characters is reported and skipped whole. A line with no end in sight ends the script.
bool iTPrm::SearchNextCmde() {
  for (;;) {
    LineFacts facts;
    const LineRead r = ReadLine(&facts);
    pbuf = buf;
    if (r != LineRead::kEnd) ++ligne;
    if (r == LineRead::kEndless) {
      std::printf("Erreur à la ligne %u : fichier illisible (ligne de plus de 1 Mo) !\n",
                  static_cast<unsigned>(ligne));
      std::fclose(f);  // nothing more is read from it
      f = nullptr;
    }
    if (r != LineRead::kLine) {
      buf[0] = '\0';
      cmde = -2;
      return false;
    }
    if (facts.blank || facts.comment) continue;
    if (facts.nul) {
      Err("Caractère nul dans la ligne !\n");
      continue;
    }
    if (facts.tooLong) {
      Err("Ligne trop longue !\n");
      continue;
    }
    return ReadCmde();
  }
}

// Runs the next command of the script; false once the script is exhausted.
bool iTPrm::ExecNextCmde() {
  if (SearchNextCmde()) {
    ExecCmde();
    return true;
  }
  if (cmde == -2) return false;
  FoncGest();
  return true;
}

// Command words; the index is the command number of ExecCmde.
const char* const iTPrm::TabCmde[kNbCmde] = {"fct",
                                             "OpenLoop",
                                             "ClosedLoop",
                                             "EchBlack",
                                             "Nichols",
                                             "Couleurs",
                                             "CouleurBlack",
                                             "CouleurNichols",
                                             "Wmin",
                                             "Fmin",
                                             "Wmax",
                                             "Fmax",
                                             "NBP",
                                             "CouleurBodePrinc",
                                             "COULEURBodeSec",
                                             "Black",
                                             "BodeGP",
                                             "BodeG",
                                             "BodeP",
                                             "EpCourbe",
                                             "EpBlack",
                                             "EpNichols",
                                             "EpBodePrinc",
                                             "EpBodeSec",
                                             "EpTempPrinc",
                                             "EpTempSec",
                                             "Temporel",
                                             "Input",
                                             "TempTfin",
                                             "TempDt",
                                             "CouleurTempPrinc",
                                             "CouleurTempSec",
                                             "CouleurInput",
                                             "Nyquist",
                                             "Evans",
                                             "Legende",
                                             "Marges"};
