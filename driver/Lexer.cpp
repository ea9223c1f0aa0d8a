// Lexer and value readers of the script: names, quoted texts, unsigned integers, lists of
// reals and triples, colour names and output devices. Each failure prints one error.
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "driver/Interpreter.h"

const char* const kColorNames[kNbColors] = {
    "BLANC",      "NOIR",      "BLEU",           "VERT",       "ROUGE",     "GRIS",
    "TURQUOISE",  "VIOLET",    "MARRON",         "JAUNE",      "BLEUCLAIR", "VERTCLAIR",
    "ROUGECLAIR", "GRISCLAIR", "TURQUOISECLAIR", "VIOLETCLAIR"};

namespace {

// Output devices a script can name; file devices need a quoted file name.
struct Device {
  GrType type;
  const char* word;
  bool needsFile;
};
constexpr Device kDevices[] = {{GrScr, "SCR", false}, {GrEMF, "EMF", true}, {GrPS, "EPS", true},
                               {GrPDF, "PDF", true},  {GrSVG, "SVG", true}, {GrPNG, "PNG", true},
                               {GrCSV, "CSV", true}};

constexpr const char* kBadEnd = "Fin de ligne incorrecte (extra paramètre ?)\n";

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool SameWord(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (Fold(*a) != Fold(*b)) return false;
  }
  return *a == *b;
}

int ColorCode(const char* name) {
  for (int i = 0; i < kNbColors; ++i) {
    if (SameWord(name, kColorNames[i])) return i;
  }
  return -1;
}

void iTPrm::PasseSep() {
  while (*pbuf != '\0' && isSpace(*pbuf)) ++pbuf;
}

// Error header with the line number and the line as read, then the message itself on the next
// line: a line read without its LF (the last line of a file, a line cut at 1023 characters or
// at a NUL byte, a line ended by a lone CR) gets one in the header.
void iTPrm::Err(const char* format, ...) {
  const size_t n = std::strlen(buf);
  std::printf("Erreur à la ligne %u : %s%s", static_cast<unsigned>(ligne), buf,
              n > 0 && buf[n - 1] == '\n' ? "" : "\n");
  va_list ap;
  va_start(ap, format);
  std::vprintf(format, ap);
  va_end(ap);
}

bool iTPrm::ExpectEOL() {
  PasseSep();
  if (isEOL()) return true;
  Err("%s", kBadEnd);
  return false;
}

// name: ( "_" | letter ) { "_" | letter | digit }   (empty when none starts here)
void iTPrm::ReadNomSymb() {
  PasseSep();
  char* d = NomSymb;
  if (*pbuf == '_' || IsLetter(*pbuf)) {
    while (*pbuf == '_' || IsLetter(*pbuf) || IsDigit(*pbuf)) *d++ = *pbuf++;
  }
  *d = '\0';
}

// quoted: '"' { any but '"', CR, LF } '"'   (pbuf is left on the closing quote)
bool iTPrm::ReadExp() {
  PasseSep();
  if (*pbuf != '"') return false;
  ++pbuf;
  char* d = NomSymb;
  while (*pbuf != '\0' && *pbuf != '"' && *pbuf != '\r' && *pbuf != '\n') *d++ = *pbuf++;
  *d = '\0';
  return *pbuf == '"';
}

// command: name, looked up in TabCmde regardless of case
bool iTPrm::ReadCmde() {
  cmde = -1;
  ReadNomSymb();
  if (NomSymb[0] == '\0') return false;
  for (int i = 0; i < kNbCmde; ++i) {
    if (SameWord(NomSymb, TabCmde[i])) {
      cmde = i;
      return true;
    }
  }
  return false;
}

// unsigned: "=" [sign] digit { digit } end   (32-bit wrap of a '-', saturation beyond 32 bits)
bool iTPrm::ReadValUI(unsigned int* v) {
  if (*pbuf != '=') {
    Err("'=' manquant !\n");
    return false;
  }
  ++pbuf;
  PasseSep();
  const char* p = pbuf;
  while (*p == '\v' || *p == '\f') ++p;  // the other blanks the standard conversion skips
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!IsDigit(*p)) {
    Err("Paramètre invalide !\n");
    return false;
  }
  uint64_t value = 0;
  bool overflow = false;
  for (; IsDigit(*p); ++p) {
    value = value * 10 + static_cast<uint64_t>(*p - '0');
    if (value > UINT32_MAX) {
      overflow = true;
      value = UINT32_MAX;
    }
  }
  pbuf = const_cast<char*>(p);
  uint32_t result = static_cast<uint32_t>(value);
  if (negative && !overflow) result = static_cast<uint32_t>(0u - result);
  *v = result;
  return ExpectEOL();
}

// real: a finite number as strtod reads it (a value out of range is no parameter)
bool iTPrm::ReadReal(double* v) {
  char* end = nullptr;
  double x = std::strtod(pbuf, &end);
  if (end == pbuf || !std::isfinite(x)) {
    Err("Paramètre invalide !\n");
    return false;
  }
  pbuf = end;
  *v = x;
  return true;
}

// reals: "=" real { "," real } end   (at most kMaxPrm values)
bool iTPrm::ReadValD() {
  nbprm = 0;
  if (*pbuf != '=') {
    Err("'=' manquant !\n");
    return false;
  }
  do {
    ++pbuf;  // the '=' or the ','
    PasseSep();
    double x;
    if (!ReadReal(&x)) return false;
    if (nbprm >= kMaxPrm) {
      Err("Trop de paramètres !\n");
      return false;
    }
    prm[nbprm++] = x;
    PasseSep();
  } while (*pbuf == ',');
  return ExpectEOL();
}

// triples: "=" "{" real "," real "," real "}" { "," "{" ... "}" } end   (at most kMaxPrm / 3)
bool iTPrm::Read3() {
  nbprm = 0;
  if (*pbuf != '=') {
    Err("'=' manquant !\n");
    return false;
  }
  do {
    ++pbuf;  // the '=' or the ',' between triples
    PasseSep();
    if (*pbuf != '{') {
      Err("'{' manquante !\n");
      return false;
    }
    if (nbprm + 3 > kMaxPrm) {
      Err("Trop de paramètres !\n");
      return false;
    }
    for (int i = 0; i < 3; ++i) {
      ++pbuf;  // the '{' or the ',' inside the braces
      PasseSep();
      double x;
      if (!ReadReal(&x)) return false;
      prm[nbprm++] = x;
      PasseSep();
      if (i < 2 && *pbuf != ',') {
        Err("Paramètre manquant !\n");
        return false;
      }
    }
    if (*pbuf != '}') {
      Err("'}' manquante !\n");
      return false;
    }
    ++pbuf;
    PasseSep();
  } while (*pbuf == ',');
  return ExpectEOL();
}

// colour: "=" name end, name in the colour table regardless of case
bool iTPrm::ReadColor(int* col) {
  if (*pbuf != '=') {
    Err("'=' manquant !\n");
    return false;
  }
  ++pbuf;
  ReadNomSymb();
  if (NomSymb[0] == '\0') {
    Err("Nom de couleur manquant !\n");
    return false;
  }
  int code = ColorCode(NomSymb);
  if (code < 0) {
    Err("Couleur '%s' inconnue !\n", NomSymb);
    return false;
  }
  if (!ExpectEOL()) return false;
  *col = code;
  return true;
}

// device: "(" ( "SCR" | ( "EMF" | "EPS" | "PDF" | "SVG" | "PNG" ) "," quoted ) ")" end
bool iTPrm::ReadPeriph(GrType* prf) {
  if (*pbuf != '(') {
    Err("'(' manquante !\n");
    return false;
  }
  ++pbuf;
  ReadNomSymb();
  if (NomSymb[0] == '\0') {
    Err("Nom de périphérique manquant !\n");
    return false;
  }
  const Device* dev = nullptr;
  for (const Device& d : kDevices) {
    if (SameWord(NomSymb, d.word)) dev = &d;
  }
  if (dev == nullptr) {
    Err("Périphérique '%s' inconnu !\n", NomSymb);
    return false;
  }
  NomSymb[0] = '\0';
  PasseSep();
  if (dev->needsFile) {
    if (*pbuf != ',') {
      Err("',' manquante !\n");
      return false;
    }
    ++pbuf;
    if (!ReadExp()) {
      Err("Nom de fichier invalide !\n");
      return false;
    }
    if (NomSymb[0] == '\0') {
      Err("Nom de fichier ???\n");
      return false;
    }
    ++pbuf;  // the closing quote
    PasseSep();
  }
  if (*pbuf != ')') {
    Err("')' manquante !\n");
    return false;
  }
  ++pbuf;
  if (!ExpectEOL()) return false;
  *prf = dev->type;
  return true;
}
