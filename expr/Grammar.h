// Grammar of the expression texts, shared by the complex and the fraction evaluators: the
// evaluator M supplies the values, their stack and what numbers, names, calls and operators mean.
#pragma once

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "expr/ItMath.h"

// M provides: the types Valeur and PileValeurs (Push(const Valeur&), Pop(Valeur*)); ErrNo and
// Profondeur; LectNombre, LectReference, ExecFonc, Operation, Priorite, Oppose (the sign
// of a term), PasseSep and ReadSymb. Every function leaves its result in m.ErrNo too.
template <class M>
class TGrammaire {
 public:
  using Valeur = typename M::Valeur;

  // text := expression [sep] end
  static int Texte(M& m, const char** s, Valeur* y) {
    if (s == nullptr || *s == nullptr || y == nullptr) return Err(m, 7);
    int r = Expression(m, s, y);
    if (r != 0) return Err(m, r);
    M::PasseSep(s);
    if (**s != '\0') return Err(m, 7);
    return Err(m, 0);
  }

  // expression := term { operator term }, equal priorities associating to the left
  static int Expression(M& m, const char** s, Valeur* y) {
    TNiveau niveau(m.Profondeur);
    NoteProfondeur(m, 0);
    if (m.Profondeur > TItMath::ProfondeurMax) return Err(m, 1);
    int e = Terme(m, s, y);
    if (e != 0) return Err(m, e);
    char op;
    if (Operateur(m, s, &op) != 0) return Err(m, 0);
    typename M::PileValeurs vals;
    TPileOp ops;
    if (!vals.Push(*y) || !ops.Push(op)) return Err(m, 1);
    for (;;) {
      Valeur t;
      e = Terme(m, s, &t);
      if (e != 0) return Err(m, e);
      if (!vals.Push(t)) return Err(m, 1);
      char n;
      if (Operateur(m, s, &n) != 0) {
        while (ops.Ptr > 0) {
          e = Reduit(m, vals, ops);
          if (e != 0) return Err(m, e);
        }
        if (!vals.Pop(y)) return Err(m, 2);
        return Err(m, 0);
      }
      if (!ops.Push(n)) return Err(m, 1);
      char below;
      while (ops.Ptr >= 2 && ops.Read(&below, 1) && m.Priorite(n) <= m.Priorite(below)) {
        ops.Pop(&n);
        e = Reduit(m, vals, ops);
        if (e != 0) return Err(m, e);
        if (!ops.Push(n)) return Err(m, 1);
      }
    }
  }

  // term := [sep] [ "-" | "+" ] ( "(" expression ")" | number | name [sep] "(" expression ")"
  //         | name )
  static int Terme(M& m, const char** s, Valeur* y) {
    M::PasseSep(s);
    bool neg = false;
    if (**s == '-') {
      neg = true;
      ++*s;
    } else if (**s == '+') {
      ++*s;
    }
    int e;
    if (**s == '(') {
      e = Parenthese(m, s, y);
      if (e != 0) return e;
    } else if (std::isdigit(static_cast<unsigned char>(**s)) || **s == '.') {
      e = m.LectNombre(s, y);
      if (e != 0) return e;
    } else {
      // A name of any length: the buffer is made as long as the name in the text.
      std::string nom(TItMath::LongueurNom(*s), '\0');
      M::ReadSymb(s, &nom[0], static_cast<unsigned>(nom.size() + 1));
      if (nom.empty()) return Err(m, 7);
      M::PasseSep(s);
      if (**s == '(') {
        e = Parenthese(m, s, y);
        if (e == 0) e = m.ExecFonc(nom.c_str(), y);
      } else {
        e = m.LectReference(nom.c_str(), y);
      }
      if (e != 0) return Err(m, e);
    }
    if (neg) m.Oppose(y);
    return Err(m, 0);
  }

  // number := ( digit | "." ) ..., decimal digits with optional fraction and exponent (strtod)
  static int Nombre(M& m, const char** s, double* v) {
    char* fin = nullptr;
    *v = std::strtod(*s, &fin);
    if (fin == *s) return Err(m, 5);
    *s = fin;
    if (!std::isfinite(*v)) return Err(m, 9);  // a literal beyond the range of doubles
    return Err(m, 0);
  }

  // operator := [sep] ( "+" | "-" | "*" | "/" | "^" )
  static int Operateur(M& m, const char** s, char* op) {
    M::PasseSep(s);
    char c = **s;
    if (c == '+' || c == '-' || c == '*' || c == '/' || c == '^') {
      *op = c;
      ++*s;
      return Err(m, 0);
    }
    return Err(m, 4);
  }

 private:
  // Counts one level of nesting for the lifetime of a parse of a sub-expression.
  class TNiveau {
   public:
    explicit TNiveau(unsigned& p) : p_(p) { ++p_; }
    ~TNiveau() { --p_; }
    TNiveau(const TNiveau&) = delete;
    TNiveau& operator=(const TNiveau&) = delete;

   private:
    unsigned& p_;
  };

  static int Err(M& m, int n) { return m.ErrNo = n; }

  // Tells an evaluator that keeps the deepest level reached (M::NoteProfondeur) of each level.
  template <class T>
  static auto NoteProfondeur(T& m, int) -> decltype(m.NoteProfondeur()) {
    return m.NoteProfondeur();
  }
  template <class T>
  static void NoteProfondeur(T&, long) {}

  // "(" expression ")", from the opening parenthesis on.
  static int Parenthese(M& m, const char** s, Valeur* y) {
    ++*s;
    int e = Expression(m, s, y);
    if (e != 0) return Err(m, e);
    if (**s != ')') return Err(m, 6);
    ++*s;
    return 0;
  }

  // Pops the right operand, the left operand and an operator, and pushes their result.
  static int Reduit(M& m, typename M::PileValeurs& vals, TPileOp& ops) {
    Valeur a, b, r;
    char o;
    if (!vals.Pop(&b) || !vals.Pop(&a) || !ops.Pop(&o)) return Err(m, 2);
    int e = m.Operation(a, o, b, &r);
    if (e != 0) return e;
    if (!vals.Push(r)) return Err(m, 1);
    return 0;
  }
};
