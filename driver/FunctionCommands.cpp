// Function commands "name.parameter ...": gain, poles and zeros, colour, selection,
// expression and the properties report of one registered transfer function.
#include "driver/Interpreter.h"
#include "driver/Report.h"
#include "expr/PolyItMath.h"
#include "model/Param.h"

namespace {

// Parameter words, in this order.
enum FctPrm {
  kGain,
  kPole,
  kPoleC,
  kZero,
  kZeroC,
  kCouleur,
  kProp,
  kSelect,
  kExp,
  kRetard,
  kNbFctPrm
};
const char* const nprm[kNbFctPrm] = {"gain",    "pole", "poleC",  "zero", "zeroC",
                                     "Couleur", "prop", "select", "exp",  "retard"};

// Longest delay accepted (s): far beyond any time axis, and the phase -w tau stays finite.
constexpr double kRetardMax = 1000;

// Registered function whose name equals nom regardless of case, or null.
TFctTransfert* FindFunction(const char* nom) {
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* h = Param.GetFctTransfert(i);
    if (h != nullptr && h->Nom != nullptr && SameWord(nom, h->Nom)) return h;
  }
  return nullptr;
}

// Degree a numerator or a denominator may reach (a second-order factor counts two): the
// highest a time simulation accepts, which also keeps the frequency chart of one function
// within about a second at the most points. A line that would pass it is refused whole.
bool OrderFits(unsigned long order) { return order <= PolyTItMath::DegreMax; }

}  // namespace

// function command: name "." parameter arguments
void iTPrm::FoncGest() {
  TFctTransfert* h = FindFunction(NomSymb);
  if (h == nullptr) {
    Err("Fonction '%s' indéfinie !\n", NomSymb);
    return;
  }
  PasseSep();
  if (*pbuf != '.') {
    Err("'.' manquant !\n");
    return;
  }
  ++pbuf;
  ReadNomSymb();
  if (NomSymb[0] == '\0') {
    Err("Paramètre manquant !\n");
    return;
  }
  PasseSep();
  int k = 0;
  while (k < kNbFctPrm && !SameWord(NomSymb, nprm[k])) ++k;
  switch (k) {
    case kGain:
      if (!ReadValD()) return;
      if (nbprm > 1) {
        Err("Trop de paramètres !\n");
        return;
      }
      h->g = prm[0];
      std::printf("Gain de '%s' = %G\n", h->Nom, prm[0]);
      return;
    case kRetard:
      // Set, not added: a second line replaces the delay, 0 removes it.
      if (!ReadValD()) return;
      if (nbprm > 1) {
        Err("Trop de paramètres !\n");
        return;
      }
      if (!(prm[0] >= 0)) {
        Err("Retard négatif (%G) !\n", prm[0]);
        return;
      }
      if (prm[0] > kRetardMax) {
        Err("Retard trop fort (%G) !\n", prm[0]);
        return;
      }
      h->Retard = prm[0];
      std::printf("Retard de '%s' = %G s\n", h->Nom, prm[0]);
      return;
    case kPole:
    case kZero: {
      if (!ReadValD()) return;
      const unsigned long order = k == kPole ? h->nbp + 2ul * h->nbpc : h->nbz + 2ul * h->nbzc;
      if (!OrderFits(order + nbprm)) {
        Err("Ordre trop élevé (%lu) !\n", order + nbprm);
        return;
      }
      std::printf(k == kPole ? "Ajout pole%sde '%s' = " : "Ajout zero%sde '%s' = ",
                  nbprm > 1 ? "s " : " ", h->Nom);
      for (unsigned i = 0; i < nbprm; ++i) {
        std::printf(i + 1 < nbprm ? "%G, " : "%G", prm[i]);
        if (k == kPole) {
          h->AddPole(prm[i]);
        } else {
          h->AddZero(prm[i]);
        }
      }
      std::printf("\n");
      return;
    }
    case kPoleC:
    case kZeroC: {
      if (!Read3()) return;
      const unsigned long order = k == kPoleC ? h->nbp + 2ul * h->nbpc : h->nbz + 2ul * h->nbzc;
      if (!OrderFits(order + 2ul * (nbprm / 3))) {
        Err("Ordre trop élevé (%lu) !\n", order + 2ul * (nbprm / 3));
        return;
      }
      std::printf(k == kPoleC ? "Ajout pole%sde '%s' = " : "Ajout zero%sde '%s' = ",
                  nbprm > 1 ? "s " : " ", h->Nom);
      for (unsigned i = 0; i < nbprm; i += 3) {
        std::printf(i + 3 < nbprm ? "{%G,%G,%G}, " : "{%G,%G,%G}", prm[i], prm[i + 1], prm[i + 2]);
        if (k == kPoleC) {
          h->AddPoleC(prm[i], prm[i + 1], prm[i + 2]);
        } else {
          h->AddZeroC(prm[i], prm[i + 1], prm[i + 2]);
        }
      }
      std::printf("\n");
      return;
    }
    case kCouleur: {
      int c;
      if (!ReadColor(&c)) return;
      h->Color = c;
      std::printf("Couleur de '%s' définie : %s\n", h->Nom, NomSymb);
      return;
    }
    case kProp:
      if (*pbuf != '(') {
        Err("'(' manquante !\n");
        return;
      }
      ++pbuf;
      PasseSep();
      if (*pbuf != ')') {
        Err("')' manquante !\n");
        return;
      }
      ++pbuf;
      if (!ExpectEOL()) return;
      AffProp(h);
      return;
    case kSelect: {
      unsigned int u;
      if (!ReadValUI(&u)) return;
      h->Checked = u != 0;
      std::printf("Fonction '%s'%ssélectionnée\n", h->Nom, h->Checked ? " " : " non ");
      return;
    }
    case kExp:
      if (*pbuf != '=') {
        Err("'=' manquant !\n");
        return;
      }
      ++pbuf;
      if (!ReadExp()) {
        Err("Expression invalide !\n");
        return;
      }
      if (NomSymb[0] == '\0') {
        Err("Expression ???\n");
        return;
      }
      h->ChangeExpression(NomSymb);
      std::printf("Fonction %s = \"%s\"\n", h->Nom, NomSymb);
      return;
    default:
      Err("Fonction %s non implémentée !\n", NomSymb);
      return;
  }
}
