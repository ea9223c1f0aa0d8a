// Complex evaluator of expression texts at one frequency: the values of numbers, references,
// calls and operations, and the value stacks.
#include "expr/ItMath.h"

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <memory>

#include "expr/Grammar.h"
#include "model/FctTransfert.h"
#include "model/Param.h"

bool E_Math = true;

namespace {

constexpr int kMathFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

bool IsSep(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// ASCII letters only, whatever the locale: accented bytes never belong to a name.
bool IsNameStart(char c) { return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

bool AppelMath(double (*f)(double), double x, double* y) {
  std::feclearexcept(kMathFlags);
  errno = 0;
  E_Math = true;
  *y = f(x);
  // An underflow to a tiny or zero result (ERANGE with a finite value) is not an error.
  if (std::fetestexcept(kMathFlags) != 0 || errno == EDOM ||
      (errno == ERANGE && !std::isfinite(*y)))
    E_Math = false;
  return E_Math;
}

bool TPile::PPush(const void* x) {
  if (Ptr == NbMax) {
    if (NbMax == UINT16_MAX) return false;
    unsigned n = static_cast<unsigned>(NbMax) + (PileBlk != 0 ? PileBlk : 1);
    if (n > UINT16_MAX) n = UINT16_MAX;
    char* b = new char[static_cast<size_t>(n) * Sz];
    if (NbMax != 0) std::memcpy(b, Pile, static_cast<size_t>(NbMax) * Sz);
    delete[] Pile;
    Pile = b;
    NbMax = static_cast<uint16_t>(n);
  }
  std::memcpy(Pile + static_cast<size_t>(Ptr) * Sz, x, Sz);
  ++Ptr;
  return true;
}

bool TPile::PPop(void* x) {
  if (Pile == nullptr || Ptr == 0) return false;
  --Ptr;
  std::memcpy(x, Pile + static_cast<size_t>(Ptr) * Sz, Sz);
  return true;
}

bool TPile::PRead(void* x, unsigned short niveau) const {
  if (Pile == nullptr || niveau >= Ptr) return false;
  std::memcpy(x, Pile + static_cast<size_t>(Ptr - 1 - niveau) * Sz, Sz);
  return true;
}

const TItMath::TFonc TItMath::Fonctions[16] = {
    {"sin", [](double x) { return std::sin(x); }, nullptr},
    {"cos", [](double x) { return std::cos(x); }, nullptr},
    {"tan", [](double x) { return std::tan(x); }, &TItMath::DomTan},
    {"asin", [](double x) { return std::asin(x); }, &TItMath::DomAsin},
    {"acos", [](double x) { return std::acos(x); }, &TItMath::DomAsin},
    {"atan", [](double x) { return std::atan(x); }, nullptr},
    {"log", [](double x) { return std::log(x); }, &TItMath::DomLog},
    {"log10", [](double x) { return std::log10(x); }, &TItMath::DomLog},
    {"exp", [](double x) { return std::exp(x); }, nullptr},
    {"sqrt", [](double x) { return std::sqrt(x); }, &TItMath::DomSqrt},
    {"sinh", [](double x) { return std::sinh(x); }, nullptr},
    {"cosh", [](double x) { return std::cosh(x); }, nullptr},
    {"tanh", [](double x) { return std::tanh(x); }, &TItMath::DomTanh},
    {"ceil", [](double x) { return std::ceil(x); }, nullptr},
    {"fabs", [](double x) { return std::fabs(x); }, nullptr},
    {"floor", [](double x) { return std::floor(x); }, nullptr},
};

const TItMath::TFonc* TItMath::ChercheFonc(const char* nom) {
  for (const TFonc& f : Fonctions)
    if (std::strcmp(f.Nom, nom) == 0) return &f;
  return nullptr;
}

const char* TItMath::ErrMsg(int n) {
  static const char* const kMsg[NbErr] = {
      "Pas d'erreur",
      "Manque de mémoire. Expression trop complexe",
      "Erreur interne (bogue)",
      "Division par zéro",
      "Opérateur manquant",
      "Terme invalide (erreur de syntaxe?)",
      "Parenthèse ) manquante",
      "Erreur de syntaxe",
      "Fonction inconnue",
      "Dépassement de capacité (abscisse hors domaine)",
      "Nom de symbole inconnu",
      "Symbole non défini",
      "Fonction d'un nombre imaginaire non supportée",
      "Calcul récursif impossible",
  };
  return n >= 0 && n < NbErr ? kMsg[n] : "Erreur inconnue";
}

bool TItMath::DomLog(double x) { return x > 0; }
bool TItMath::DomAsin(double x) { return x >= -1 && x <= 1; }
bool TItMath::DomSqrt(double x) { return x >= 0; }
bool TItMath::DomTan(double x) {
  return std::fmod(std::fabs(x) / 1.5707963267948966 + 1, 2) > 1e-16;
}
bool TItMath::DomTanh(double x) { return std::cosh(x) > 1e-15; }

// sep := { " " | TAB | CR | LF }
void TItMath::PasseSep(const char** s) {
  while (IsSep(**s)) ++*s;
}

// name := ( letter | "_" ) { letter | digit | "_" }; only the first sz - 1 characters are kept.
void TItMath::ReadSymb(const char** s, char* nsymb, unsigned sz) {
  if (sz == 0) return;
  unsigned n = 0;
  if (IsNameStart(**s)) {
    while (IsNameChar(**s)) {
      if (n + 1 < sz) nsymb[n++] = **s;
      ++*s;
    }
  }
  nsymb[n] = '\0';
}

size_t TItMath::LongueurNom(const char* s) {
  if (!IsNameStart(*s)) return 0;
  size_t n = 0;
  while (IsNameChar(s[n])) ++n;
  return n;
}

int TItMath::ItMath(const char** s, TComplex* y) {
  if (Racine == nullptr) DejaVus.clear();  // values of an earlier evaluation are not reused
  return TGrammaire<TItMath>::Texte(*this, s, y);
}

namespace {

// Parser of the grammar that records the steps of the evaluation instead of making them.
class TCompilateur {
 public:
  struct Valeur {};
  // Values are only counted: a push never fails, a pop fails on an empty stack as in ItMath.
  class PileValeurs {
   public:
    bool Push(const Valeur&) { return ++n_, true; }
    bool Pop(Valeur*) { return n_ != 0 && (--n_, true); }

   private:
    unsigned n_ = 0;
  };

  int ErrNo = 0;
  unsigned Profondeur = 0;  // level, from the text's own start
  TFormule* f;

  explicit TCompilateur(TFormule* formule) : f(formule) {}

  void Pas(TFormule::TCode c, int n = 0, double v = 0, char op = 0) {
    f->pas.push_back({c, op, n, Profondeur, v});
  }
  // Only a level deeper than all the earlier ones can be the first over the limit.
  void NoteProfondeur() {
    if (Profondeur > niveau_) {
      niveau_ = Profondeur;
      Pas(TFormule::Niveau, static_cast<int>(Profondeur));
    }
  }
  int LectNombre(const char** s, Valeur*) {
    double v;
    int e = TGrammaire<TCompilateur>::Nombre(*this, s, &v);
    if (e == 0) Pas(TFormule::Nombre, 0, v);
    return e;
  }
  int LectReference(const char* nom, Valeur*) {
    size_t i = 0;
    while (i < f->noms.size() && f->noms[i] != nom) ++i;
    if (i == f->noms.size()) f->noms.emplace_back(nom);
    Pas(TFormule::Reference, static_cast<int>(i));
    return ErrNo = 0;
  }
  int ExecFonc(const char* nom, Valeur*) {
    const TItMath::TFonc* fn = TItMath::ChercheFonc(nom);
    if (fn == nullptr) return ErrNo = 8;
    Pas(TFormule::Fonction, static_cast<int>(fn - TItMath::Fonctions));
    return ErrNo = 0;
  }
  int Operation(const Valeur&, char op, const Valeur&, Valeur*) {
    Pas(TFormule::Operation, 0, 0, op);
    return ErrNo = 0;
  }
  void Oppose(Valeur*) { Pas(TFormule::Oppose); }
  static int Priorite(char op) { return TItMath::Priorite(op); }
  static void PasseSep(const char** s) { TItMath::PasseSep(s); }
  static void ReadSymb(const char** s, char* nsymb, unsigned sz) {
    TItMath::ReadSymb(s, nsymb, sz);
  }

 private:
  unsigned niveau_ = 0;
};

}  // namespace

TFormule::TFormule(const char* t) : texte(t) {
  TCompilateur c(this);
  const char* s = texte.c_str();
  TCompilateur::Valeur v;
  int e = TGrammaire<TCompilateur>::Texte(c, &s, &v);
  if (e != 0)
    pas.push_back({Erreur, 0, e, 0, 0});
  else
    pas.push_back({Fin, 0, 0, 0, 0});
  Plie();
  unsigned n = 0;
  for (const TPas& p : pas) {
    if (p.code == Nombre || p.code == Reference || p.code == Constante) ++n;
    if (p.code == Operation) --n;
    if (n > pile) pile = n;
  }
}

// Folds the constant parts: a number, and what a sign, a call or an operator makes of constant
// parts alone, is computed here by the evaluator's own operations (the same value, to the bit,
// as at each evaluation) and its steps give way to one Constante step. A part whose computation
// fails (1/0, sqrt(-1)) is kept as it was, and so is all that contains it, so that its error
// comes at evaluation, in its place. The levels of nesting entered inside a constant part stay,
// just before its value: they alone can end an evaluation there.
void TFormule::Plie() {
  struct TOperande {
    bool constant;
    TComplex v;
    size_t debut;  // its first step in plies
  };
  std::vector<TPas> plies;
  std::vector<TOperande> operandes;
  TItMath calcul;
  // Replaces the steps from debut on by the levels among them and the value v.
  auto remplace = [&](size_t debut, const TComplex& v) {
    size_t k = debut;
    for (size_t i = debut; i < plies.size(); ++i)
      if (plies[i].code == Niveau) plies[k++] = plies[i];
    plies.resize(k);
    plies.push_back({Constante, 0, static_cast<int>(constantes.size()), 0, 0});
    constantes.push_back(v);
  };
  for (const TPas& p : pas) {
    switch (p.code) {
      case Nombre:
      case Reference:
        operandes.push_back({p.code == Nombre, TComplex(p.v, 0), plies.size()});
        plies.push_back(p);
        break;
      case Oppose:
      case Fonction: {
        plies.push_back(p);
        if (operandes.empty() || !operandes.back().constant) break;
        TOperande& a = operandes.back();
        TComplex v = a.v;
        if (p.code == Oppose)
          TItMath::Oppose(&v);
        else if (calcul.AppliqueFonc(&TItMath::Fonctions[p.n], &v) != 0)
          a.constant = false;
        if (a.constant) {
          a.v = v;
          remplace(a.debut, v);
        }
        break;
      }
      case Operation: {
        plies.push_back(p);
        if (operandes.size() < 2) break;
        const TOperande b = operandes.back();
        operandes.pop_back();
        TOperande& a = operandes.back();
        TComplex r;
        a.constant = a.constant && b.constant && calcul.Operation(a.v, p.op, b.v, &r) == 0;
        if (a.constant) {
          a.v = r;
          remplace(a.debut, r);
        }
        break;
      }
      default:  // Niveau, Erreur, Fin; Constante does not come from the parser
        plies.push_back(p);
        break;
    }
  }
  pas.swap(plies);
}

int TItMath::ValeurFonction(TFctTransfert* f, TComplexP* y) {
  if (f->Formule == nullptr || f->Formule->texte != f->Expression)
    f->Formule = std::make_shared<const TFormule>(f->Expression);
  const std::shared_ptr<const TFormule> formule = f->Formule;
  if (Racine == nullptr) DejaVus.clear();
  TComplex v;
  int r = Execute(*formule, &v);
  if (r != 0) return r;
  y->m = v.Module();
  y->p = std::atan2(v.Im, v.Re);
  return 0;
}

int TItMath::Execute(const TFormule& f, TComplex* y) {
  const unsigned depart = Profondeur;
  TComplex local[32];
  std::vector<TComplex> grande;
  TComplex* pile = local;
  if (f.pile > 32) {
    grande.resize(f.pile);
    pile = grande.data();
  }
  unsigned n = 0;
  for (const TFormule::TPas& p : f.pas) {
    switch (p.code) {
      case TFormule::Nombre:
        pile[n++] = TComplex(p.v, 0);
        break;
      case TFormule::Constante:
        pile[n++] = f.constantes[static_cast<size_t>(p.n)];
        break;
      case TFormule::Reference: {
        Profondeur = depart + p.niveau;
        int e = LectReference(f.noms[p.n].c_str(), &pile[n]);
        Profondeur = depart;
        if (e != 0) return e;
        ++n;
        break;
      }
      case TFormule::Oppose:
        Oppose(&pile[n - 1]);
        break;
      case TFormule::Fonction:
        if (AppliqueFonc(&Fonctions[p.n], &pile[n - 1]) != 0) return ErrNo;
        break;
      case TFormule::Operation: {
        TComplex r;
        if (Operation(pile[n - 2], p.op, pile[n - 1], &r) != 0) return ErrNo;
        pile[n - 2] = r;
        --n;
        break;
      }
      case TFormule::Niveau: {
        Profondeur = depart + static_cast<unsigned>(p.n);
        NoteProfondeur();
        Profondeur = depart;
        if (depart + static_cast<unsigned>(p.n) > ProfondeurMax) return Err(1);
        break;
      }
      case TFormule::Erreur:
        return Err(p.n);
      case TFormule::Fin:
        *y = pile[n - 1];
        return Err(0);
    }
  }
  return Err(2);
}

int TItMath::ItMath_(const char** s, TComplex* y) {
  return TGrammaire<TItMath>::Expression(*this, s, y);
}

int TItMath::LectTerme(const char** s, TComplex* y) {
  return TGrammaire<TItMath>::Terme(*this, s, y);
}

// As 0 - 0 is +0, -8 keeps the argument +pi and (-8)^(1/3) is the principal cube root.
void TItMath::Oppose(TComplex* y) {
  y->Re = 0.0 - y->Re;
  y->Im = 0.0 - y->Im;
}

int TItMath::LectNombre(const char** s, TComplex* y) {
  double v;
  int e = TGrammaire<TItMath>::Nombre(*this, s, &v);
  if (e == 0) *y = TComplex(v, 0);
  return e;
}

// A name stands for the registered function's open-loop response at w.
int TItMath::LectReference(const char* nom, TComplex* y) {
  TItMath& haut = Haut();
  for (const TDejaVu& d : haut.DejaVus) {
    if (std::strcmp(d.f->Nom, nom) != 0) continue;
    // Met again: it cannot be under evaluation now, or its first evaluation would have met
    // the cycle; only the limits can stop it.
    unsigned long& n = Compte();
    if (d.references > ReferencesMax - n) {
      n = ReferencesMax + 1;
      return Err(1);
    }
    n += d.references;
    if (Profondeur + d.profondeur > ProfondeurMax) return Err(1);
    if (Profondeur + d.profondeur > haut.ProfondeurAtteinte)
      haut.ProfondeurAtteinte = Profondeur + d.profondeur;
    d.f->ModeBF = false;
    *y = d.y;
    return Err(0);
  }
  TFctTransfert* f = FctLF(nom);
  if (f == nullptr) return Err(10);
  if (f->EnCalcul) return Err(13);
  const unsigned long avant = Compte();
  if (++Compte() > ReferencesMax) return Err(1);
  f->ModeBF = false;
  // Marked while it is evaluated, so that a cycle back to it at any depth ends with 13.
  f->EnCalcul = true;
  const unsigned atteinte = haut.ProfondeurAtteinte;
  haut.ProfondeurAtteinte = Profondeur;
  TComplexP r;
  int e = 0;
  if (f->Expression != nullptr) {
    TItMath sub(w, Profondeur);
    sub.Racine = &haut;
    e = sub.ValeurFonction(f, &r);
  } else {
    r = f->ValueBO(w);
  }
  f->EnCalcul = false;
  const unsigned profondeur = haut.ProfondeurAtteinte - Profondeur;
  if (atteinte > haut.ProfondeurAtteinte) haut.ProfondeurAtteinte = atteinte;
  if (e != 0) return Err(e);
  *y = TComplex(r.m * std::cos(r.p), r.m * std::sin(r.p));
  haut.DejaVus.push_back({f, *y, Compte() - avant, profondeur});
  return Err(0);
}

int TItMath::LectOp(const char** s, char* op) {
  return TGrammaire<TItMath>::Operateur(*this, s, op);
}

int TItMath::Priorite(char op) {
  switch (op) {
    case '+':
    case '-':
      return 1;
    case '*':
    case '/':
      return 2;
    case '^':
      return 3;
    default:
      return 0;
  }
}

int TItMath::Operation(TComplex a, char op, TComplex b, TComplex* r) {
  switch (op) {
    case '+':
      *r = a + b;
      return Err(0);
    case '-':
      *r = a - b;
      return Err(0);
    case '*':
      *r = a * b;
      return Err(0);
    case '/':
      if (b.Module() <= 1e-200) return Err(3);
      *r = a / b;
      return Err(0);
    case '^':
      if (std::fabs(b.Im) > 1e-10) return Err(12);
      if (a.Module() == 0 && b.Re < 0) return Err(3);  // 0 to a negative power
      std::feclearexcept(kMathFlags);
      *r = a ^ b.Re;
      if (std::fetestexcept(kMathFlags) != 0) return Err(9);  // overflow of the power
      return Err(0);
    default:
      return Err(2);
  }
}

// A call applies the entry of the function table to a real argument.
int TItMath::ExecFonc(const char* nom, TComplex* y) {
  const TFonc* f = ChercheFonc(nom);
  if (f == nullptr) return Err(8);
  return AppliqueFonc(f, y);
}

int TItMath::AppliqueFonc(const TFonc* f, TComplex* y) {
  if (std::fabs(y->Im) > 1e-10) return Err(12);
  double x = y->Re;
  if (f->Dom != nullptr && !f->Dom(x)) return Err(9);
  double v;
  bool ok = AppelMath(f->f, x, &v);
  *y = TComplex(v, 0);
  if (!ok) return Err(9);
  return Err(0);
}
