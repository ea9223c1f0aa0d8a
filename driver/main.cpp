// Program entry: title line, then the script named on the command line, line by line, then
// the final pause. "--help" and "--version" print a short text instead. The exit status is
// always 0.
#include <csignal>
#include <cstdio>
#include <cstring>

#include "driver/Console.h"
#include "driver/Interpreter.h"

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "0"
#endif

namespace {

const char kUsage[] =
    "Usage : corvane SCRIPT      exécute le script de paramètres SCRIPT\n"
    "        corvane --help      affiche cette aide\n"
    "        corvane --version   affiche la version\n"
    "Le script définit des fonctions de transfert, demande leurs propriétés et leurs tracés\n"
    "(Bode, Black-Nichols, réponse temporelle) à l'écran (SCR) ou dans un fichier EPS, EMF,\n"
    "PDF, SVG ou PNG. Voir man corvane.\n";

}  // namespace

int main(int argc, char** argv) {
  // A reader that leaves standard output early (as "| head" does) must not end the script: the
  // console writes then fail and are dropped, and every chart is still written.
  std::signal(SIGPIPE, SIG_IGN);
  Utf8Terminal console;
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::printf("%s", kUsage);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("corvane %s\n", CORVANE_VERSION);
    return 0;
  }
  std::printf("Corvane\n");
  if (argc > 1) {
    iTPrm script(argv[1]);
    while (script.ExecNextCmde()) {
    }
  }
  FinalPause();
  return 0;
}
