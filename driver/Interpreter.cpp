// The interpreter's life cycle and its line loop: read a line, skip blank and comment lines,
// dispatch the first word to the global or the function commands.
#include "driver/Interpreter.h"

#include <sys/stat.h>

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

// Reads the next physical line. Its first 1023 characters go to buf, with the line end when
// it fits (as fgets reads a line that fits its buffer); the characters beyond are read and
// dropped. *tooLong: a dropped character is not a carriage return; *restUsed: one is not a
// blank either. False at end of file when nothing is left to read.
bool iTPrm::ReadLine(bool* tooLong, bool* restUsed) {
  *tooLong = *restUsed = false;
  if (f == nullptr) return false;
  int n = 0, c;
  while ((c = std::getc(f)) != EOF) {
    if (n < kBufSize - 1) {
      buf[n++] = static_cast<char>(c);
      if (c == '\n') break;
    } else if (c == '\n') {
      break;
    } else if (c != '\r') {
      *tooLong = true;
      if (!isSpace(static_cast<char>(c))) *restUsed = true;
    }
  }
  buf[n] = '\0';
  return n > 0 || c != EOF;
}

// Reads lines until one holds a command; true when its first word is a command word. A line
// of more than 1023 characters is one line: a comment line or a blank one is skipped as any
// other, while a command line that long is reported and skipped whole.
bool iTPrm::SearchNextCmde() {
  for (;;) {
    bool tooLong, restUsed;
    if (!ReadLine(&tooLong, &restUsed)) {
      buf[0] = '\0';
      pbuf = buf;
      cmde = -2;
      return false;
    }
    ++ligne;
    pbuf = buf;
    PasseSep();
    if (*pbuf == ';') continue;  // a comment line, however long
    // Blank as far as it was kept: a NUL byte ends what a line holds; blanks that fill the
    // whole buffer leave the decision to what follows them.
    if (*pbuf == '\0' && !(restUsed && pbuf == buf + kBufSize - 1)) continue;
    if (tooLong) {
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
                                             "Evans"};
