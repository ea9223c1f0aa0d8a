// The script interpreter: reads a parameter script line by line, lexes each line and runs
// its global command or function command.
#pragma once

#include <cstdio>

#include "charts/GrBlack.h"
#include "plot/MDGraph.h"
#include "plot/TrColors.h"

class iTPrm {
 public:
  static constexpr int kNbCmde = 37;        // command words in TabCmde
  static constexpr unsigned kMaxPrm = 120;  // values one line may carry
  static constexpr int kBufSize = 1024;     // line buffer, so at most 1023 characters a line
  // A line longer than this (1 MiB) that is not a comment is no script line: reading stops.
  static constexpr unsigned long kMaxLine = 1ul << 20;
  // A comment line still unfinished after this many seconds of reading is endless.
  static constexpr double kCommentSeconds = 1.0;

  FILE* f = nullptr;  // the open script, null when it could not be opened; owned
  int cmde = -1;      // TabCmde index of the current line, -1 not a command word, -2 end of file
  char buf[kBufSize] = {};      // the current line as read, line end included
  char* pbuf = buf;             // read position inside buf
  char NomSymb[kBufSize] = {};  // last name or quoted text read
  static const char* const TabCmde[kNbCmde];
  int ligne = 0;             // lines read so far: the number of the current line
  // Bytes read ahead and given back (a CR's next byte, a partial byte-order mark), last first.
  int back_[3] = {};
  int nback_ = 0;
  bool started_ = false;  // the start of the file (and its byte-order mark) is behind
  double prm[kMaxPrm] = {};  // values read from the current line
  unsigned int nbprm = 0;    // number of valid entries in prm
  TCacheNichols nichols;     // Nichols contours drawn by the script's Black charts

  // Opens the script nf for reading; prints an error and leaves f null when it cannot.
  explicit iTPrm(const char* nf);
  // Takes ownership of an already open stream (null: an empty script).
  explicit iTPrm(FILE* file) : f(file) {}
  ~iTPrm();
  iTPrm(const iTPrm&) = delete;
  iTPrm& operator=(const iTPrm&) = delete;

  // True when the file nf exists and is the open script itself (same device and inode, so
  // that another spelling of its path or a link to it is recognised).
  bool IsScript(const char* nf) const;

  // Line loop.
  bool SearchNextCmde();
  bool ExecNextCmde();

  // Lexer and value readers: each starts at pbuf and leaves pbuf after what it consumed.
  bool isSpace(char x) const { return x == ' ' || x == '\t' || x == '\r' || x == '\n'; }
  void PasseSep();
  bool isEOL() const { return *pbuf == ';' || *pbuf == '\0'; }
  void Err(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void ReadNomSymb();
  bool ReadExp();
  bool ReadCmde();
  bool ReadValUI(unsigned int* v);
  bool ReadValD();
  bool Read3();
  bool ReadColor(int* col);
  bool ReadPeriph(GrType* prf);

  // Global commands (first word in TabCmde) and function commands (first word a function).
  void ExecCmde();
  void FoncGest();

  // Puts one line in buf as if it had just been read (line number n) and rewinds pbuf.
  void SetLine(const char* line, int n = 1);

 private:
  // What a physical line held, as far as the line loop needs to know.
  struct LineFacts {
    bool blank = true;     // nothing but spaces and tabs, or nothing at all
    bool comment = false;  // its first character other than a space or a tab is ';'
    bool tooLong = false;  // more than kBufSize - 1 characters before its end
    bool nul = false;      // it holds a NUL byte
  };
  enum class LineRead { kLine, kEnd, kEndless };
  LineRead ReadLine(LineFacts* facts);
  int NextChar();
  void UnreadChar(int c) { back_[nback_++] = c; }
  void SkipByteOrderMark();
  bool ReadReal(double* v);
  bool ReadFlag(bool* setting, const char* echo);
  bool ReadColorSetting(int* setting, const char* echo);
  bool ReadSingleReal(double* v);
  bool ReadLineWidth(double* setting, const char* echo);
  void DefineFunction();
  void Chart(int kind);
  bool ExpectEOL();
};

// Colour names indexed by colour code (TRColors), and the lookup of a name (case-insensitive;
// -1 if unknown).
constexpr int kNbColors = TRCOL_VIOLETCLAIR + 1;
extern const char* const kColorNames[kNbColors];
int ColorCode(const char* name);

// ASCII case-insensitive equality of two words, independent of the locale.
bool SameWord(const char* a, const char* b);
