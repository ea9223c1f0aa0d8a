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

void iTPrm::SetLine(const char* line, int n) {
  std::snprintf(buf, sizeof buf, "%s", line);
  pbuf = buf;
  ligne = n;
}

// Reads lines until one holds a command; true when its first word is a command word.
bool iTPrm::SearchNextCmde() {
  for (;;) {
    if (f == nullptr || std::fgets(buf, kBufSize, f) == nullptr) {
      buf[0] = '\0';
      pbuf = buf;
      cmde = -2;
      return false;
    }
    ++ligne;
    pbuf = buf;
    PasseSep();
    if (*pbuf != '\0' && *pbuf != ';') return ReadCmde();
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
                                             "CouleurInput"};
