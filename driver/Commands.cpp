// Global commands: function creation, chart and simulation settings, and the chart commands.
#include "driver/Interpreter.h"
#include "driver/Tracer.h"
#include "model/Param.h"

namespace {

constexpr double kPi = 3.141592653589793;

// Command numbers (indices in TabCmde) that the dispatch below names.
enum Cmd {
  kFct = 0,
  kOpenLoop,
  kClosedLoop,
  kEchBlack,
  kNichols,
  kCouleurs,
  kCouleurBlack,
  kCouleurNichols,
  kWmin,
  kFmin,
  kWmax,
  kFmax,
  kNBP,
  kCouleurBodePrinc,
  kCouleurBodeSec,
  kBlack,
  kBodeGP,
  kBodeG,
  kBodeP,
  kEpCourbe,
  kEpBlack,
  kEpNichols,
  kEpBodePrinc,
  kEpBodeSec,
  kEpTempPrinc,
  kEpTempSec,
  kTemporel,
  kInput,
  kTempTfin,
  kTempDt,
  kCouleurTempPrinc,
  kCouleurTempSec,
  kCouleurInput,
  kNyquist,
  kEvans,
  kLegende,
  kMarges
};

const char* const kInputNames[4] = {"Impulsion", "Echelon", "Rampe", "Parabole"};

}  // namespace

// flag: an unsigned value, stored as "not zero", echoed as 0 or 1.
bool iTPrm::ReadFlag(bool* setting, const char* echo) {
  unsigned int u;
  if (!ReadValUI(&u)) return false;
  *setting = u != 0;
  std::printf(echo, static_cast<unsigned>(*setting));
  return true;
}

// colour setting: the code is stored, the name is echoed as written.
bool iTPrm::ReadColorSetting(int* setting, const char* echo) {
  int c;
  if (!ReadColor(&c)) return false;
  *setting = c;
  std::printf(echo, NomSymb);
  return true;
}

// One real and only one.
bool iTPrm::ReadSingleReal(double* v) {
  if (!ReadValD()) return false;
  if (nbprm > 1) {
    Err("Nombre de paramètres incorrect !\n");
    return false;
  }
  *v = prm[0];
  return true;
}

// Line width between 0.01 and 10 inclusive.
bool iTPrm::ReadLineWidth(double* setting, const char* echo) {
  double v;
  if (!ReadSingleReal(&v)) return false;
  if (v < 0.01) {
    Err("Epaisseur trop faible (%G) !\n", v);
    return false;
  }
  if (v > 10) {
    Err("Epaisseur trop importante (%G) !\n", v);
    return false;
  }
  *setting = v;
  std::printf(echo, v);
  return true;
}

// fct = name: a new empty function of gain 1, selected for the charts.
void iTPrm::DefineFunction() {
  if (*pbuf != '=') {
    Err("'=' manquant !\n");
    return;
  }
  ++pbuf;
  ReadNomSymb();
  if (NomSymb[0] == '\0') {
    Err("Nom de fonction manquant !\n");
    return;
  }
  if (!ExpectEOL()) return;
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* h = Param.GetFctTransfert(i);
    if (h != nullptr && h->Nom != nullptr && SameWord(NomSymb, h->Nom)) {
      Err("Nom de fonction '%s' déjà défini !\n", NomSymb);
      return;
    }
  }
  if (Param.AddFctTransfert(NomSymb, 1.0) == nullptr) {
    Err("La fonction '%s' n'a pas pu être définie !\n", NomSymb);
    return;
  }
  std::printf("Fonction '%s' créée.\n", NomSymb);
}

// Chart commands: device, frequency range (Black and Bode), title line, then the drawing.
void iTPrm::Chart(int kind) {
  GrType device;
  if (!ReadPeriph(&device)) return;
  // The Nyquist locus has its own frequency range, [1e-6, 1e6] rad/s; the root locus has none.
  if (kind != kTemporel && kind != kNyquist && kind != kEvans && Param.EdWn >= Param.EdWm) {
    Err("Etendue de fréquences incorrecte !\n");
    return;
  }
  TrType tr = TraceBode;
  switch (kind) {
    case kBlack:
      tr = TraceBlack;
      std::printf("Tracé de Black\n");
      break;
    case kBodeGP:
      Param.RBBode = RBBodeGainPhase;
      std::printf("Tracé de Bode (Gain+Phase)\n");
      break;
    case kBodeG:
      Param.RBBode = RBBodeGain;
      std::printf("Tracé de Bode (Gain)\n");
      break;
    case kBodeP:
      Param.RBBode = RBBodePhase;
      std::printf("Tracé de Bode (Phase)\n");
      break;
    case kNyquist:
      tr = TraceNyquist;
      std::printf("Tracé de Nyquist\n");
      break;
    case kEvans:
      tr = TraceEvans;
      std::printf("Tracé du lieu d'Evans\n");
      break;
    default:
      tr = TraceTemp;
      std::printf("Tracé simulation temporelle\n");
      break;
  }
  std::fflush(stdout);  // the title shows before a screen chart waits for its key
  if (device != GrScr && IsScript(NomSymb)) {  // writing it would end the script being run
    std::printf("Le fichier %s ne peut être ouvert !\n", NomSymb);
    return;
  }
  Tracer(device, tr, NomSymb, &nichols);
}

void iTPrm::ExecCmde() {
  PasseSep();
  if (cmde < 0 || cmde >= kNbCmde) {
    Err("Commande %s inconnue\n", NomSymb);
    return;
  }
  double v;
  unsigned int u;
  switch (cmde) {
    case kFct:
      DefineFunction();
      break;
    case kOpenLoop:
      ReadFlag(&Param.CBBO, "OpenLoop=%u\n");
      break;
    case kClosedLoop:
      ReadFlag(&Param.CBBF, "ClosedLoop=%u\n");
      break;
    case kEchBlack:
      ReadFlag(&Param.CBEchBlack, "EchBlack=%u\n");
      break;
    case kNichols:
      ReadFlag(&Param.CBNichols, "Nichols=%u\n");
      break;
    case kCouleurs:
      ReadFlag(&Param.CBCouleurs, "Couleurs=%u\n");
      break;
    case kLegende:
      ReadFlag(&Param.CBLegende, "Legende=%u\n");
      break;
    case kMarges:
      ReadFlag(&Param.CBMarges, "Marges=%u\n");
      break;
    case kCouleurBlack:
      ReadColorSetting(&Param.ColorBlack, "Couleur des graduations de Black : %s\n");
      break;
    case kCouleurNichols:
      ReadColorSetting(&Param.ColorNichols, "Couleur des courbes de Nichols : %s\n");
      break;
    case kWmin:
    case kFmin:
      if (!ReadSingleReal(&v)) break;
      if (v < 1e-10) {
        Err(cmde == kWmin ? "Valeur de Wmin impossible !\n" : "Valeur de Fmin impossible !\n");
        break;
      }
      Param.EdWn = cmde == kWmin ? v : (v + v) * kPi;
      std::printf(cmde == kWmin ? "Wmin=%G\n" : "Fmin=%G\n", v);
      break;
    case kWmax:
    case kFmax:
      if (!ReadSingleReal(&v)) break;
      if (v > 1e10) {
        Err(cmde == kWmax ? "Valeur de Wmax impossible !\n" : "Valeur de Fmax impossible !\n");
        break;
      }
      Param.EdWm = cmde == kWmax ? v : (v + v) * kPi;
      std::printf(cmde == kWmax ? "Wmax=%G\n" : "Fmax=%G\n", v);
      break;
    case kNBP:
      if (!ReadValUI(&u)) break;
      if (u < 10 || u > 10000) {
        Err("Nombre de points invalide !\n");
        break;
      }
      Param.EdNBP = static_cast<int>(u);
      std::printf("NBP=%u\n", u);
      break;
    case kCouleurBodePrinc:
      ReadColorSetting(&Param.ColorBode1, "Couleur des graduations principales de Bode : %s\n");
      break;
    case kCouleurBodeSec:
      ReadColorSetting(&Param.ColorBode2, "Couleur des graduations secondaires de Bode : %s\n");
      break;
    case kBlack:
    case kBodeGP:
    case kBodeG:
    case kBodeP:
    case kTemporel:
    case kNyquist:
    case kEvans:
      Chart(cmde);
      break;
    case kEpCourbe:
      ReadLineWidth(&Param.EpCourbe, "Epaisseur Courbe=%G\n");
      break;
    case kEpBlack:
      ReadLineWidth(&Param.EpBlack, "Epaisseur Black=%G\n");
      break;
    case kEpNichols:
      ReadLineWidth(&Param.EpNichols, "Epaisseur Nichols=%G\n");
      break;
    case kEpBodePrinc:
      ReadLineWidth(&Param.EpBod1, "Epaisseur Bode (princ.)=%G\n");
      break;
    case kEpBodeSec:
      ReadLineWidth(&Param.EpBod2, "Epaisseur Bode (sec.)=%G\n");
      break;
    case kEpTempPrinc:
      ReadLineWidth(&Param.EpTemp1, "Epaisseur Temporel (princ.)=%G\n");
      break;
    case kEpTempSec:
      ReadLineWidth(&Param.EpTemp2, "Epaisseur Temporel (sec.)=%G\n");
      break;
    case kInput:
      if (!ReadValUI(&u)) break;
      if (u > 3) {
        Err("Entrée invalide !\n");
        break;
      }
      Param.RBInput = static_cast<int>(u);
      std::printf("Simulation temporelle avec entrée en %s\n", kInputNames[u]);
      break;
    case kTempTfin:
      if (!ReadSingleReal(&v)) break;
      if (v < 0.001) {
        Err("Durée de simulation trop faible (%G) !\n", v);
      } else if (v > 1000) {
        Err("Durée de simulation trop forte (%G) !\n", v);
      } else {
        Param.EdTFin = v;
        std::printf("Durée de simulation temporelle = %G sec.\n", v);
      }
      break;
    case kTempDt:
      if (!ReadSingleReal(&v)) break;
      if (v < 1e-7) {
        Err("Pas de simulation trop faible (%G) !\n", v);
      } else if (v > 0.001) {
        Err("Pas de simulation trop fort (%G) !\n", v);
      } else {
        Param.EdDt = v;
        std::printf("Pas de simulation temporelle = %G sec.\n", v);
      }
      break;
    case kCouleurTempPrinc:
      ReadColorSetting(&Param.ColorTemp1,
                       "Couleur des graduations principales de la simulation temporelle : %s\n");
      break;
    case kCouleurTempSec:
      ReadColorSetting(&Param.ColorTemp2,
                       "Couleur des graduations secondaires de la simulation temporelle : %s\n");
      break;
    case kCouleurInput:
      ReadColorSetting(&Param.ColorInput, "Couleur de l'entrée de la simulation temporelle : %s\n");
      break;
    default:
      break;
  }
}
