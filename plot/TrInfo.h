// The device-independent plotting context TR_INFO: page, viewport, window, pens, line styles,
// clipping pipeline, shapes, markers and stroke text; the base class of every output device.
#pragma once

#include <cstdio>
#include <cstring>
#include <vector>

#include "plot/AtomicFile.h"
#include "plot/TrColors.h"

// One glyph of the stroke font: character code, length of its stroke program, the program.
struct FORME {
  unsigned char code;
  unsigned int lng;
  const unsigned char* p;
};

// The compiled-in stroke font: entry 0 is the header (entry count 164), then the glyphs by code.
extern const FORME POLICE[];

// One font slot: font table, text direction on the device, height and line justification.
struct TD_INFO {
  const FORME* F;
  double sn, cn;  // sine and cosine of the text direction
  double hi;      // character height (ascent + descent) in device units
  double tx, ty;  // fraction of the line's width and height placed on the current point
};

// Interpreter state of one glyph program, created afresh for every glyph drawn.
struct TD_ENV {
  int ppile;                // saved positions, 0 to 4
  int penst;                // pen state of vector moves: 1 down, 0 up
  int pnbcar;               // program bytes left
  int exec;                 // 0 while a command is being skipped
  const unsigned char* lp;  // next program byte
  double vect_sz;           // device units per font unit
  double sn, cn;            // text direction copied from the slot
  struct {
    double x, y;
  } PILE[4];   // saved positions in user coordinates
  TD_INFO* p;  // the slot
};

class TR_INFO {
 public:
  // Flag bits of the context, kept together in one int.
  struct Flags {
    unsigned ok : 1;          // context open
    unsigned brk : 1;         // stop the program on the first error
    unsigned mul : 1;         // mul was set by SETMUL
    unsigned bounds : 1;      // BOUNDS was called
    unsigned close : 1;       // closing in progress
    unsigned mes_ : 1;        // extent measurement in progress
    unsigned direct_out : 1;  // set by SETDIROUT, read by nothing
  };
  // One queued relative device move.
  struct Move {
    int dx, dy, st;
  };
  // One call of the device operations, as a recording keeps it (plot/Recording.h): a move, a
  // pen (dx), a width (W()), or a dash pattern: a kDash call (dx lengths, st the restart)
  // followed by its lengths, one kDashLength call (W()) each; a width's or a length's bits are
  // held in dx and dy.
  struct DeviceCall {
    enum Kind : unsigned char { kMove, kPen, kWidth, kDash, kDashLength };
    int dx, dy;
    short st;
    Kind kind;
    static DeviceCall Of(Kind k, int dx, int dy, int st) {
      return DeviceCall{dx, dy, static_cast<short>(st), k};
    }
    static DeviceCall Of(Kind k, double w) {
      DeviceCall c{0, 0, 0, k};
      static_assert(sizeof w == sizeof c.dx + sizeof c.dy, "a double in two ints");
      std::memcpy(&c.dx, &w, sizeof c.dx);
      std::memcpy(&c.dy, reinterpret_cast<const char*>(&w) + sizeof c.dx, sizeof c.dy);
      return c;
    }
    double W() const {
      double w;
      std::memcpy(&w, &dx, sizeof dx);
      std::memcpy(reinterpret_cast<char*>(&w) + sizeof dx, &dy, sizeof dy);
      return w;
    }
  };
  // Text extent measurement (device units).
  struct TextSize {
    int mes;
    double xn, xm, yn, ym;
  };

  // ---- Data model, in declaration order ----
  double u_par_cmx = 0, u_par_cmy = 0;  // device units per centimetre (set by the device)
  int plume_max = 0;                    // highest valid pen number
  double tr_xmax = 0, tr_ymax = 0;      // page size in centimetres
  char* NomFichier = nullptr;           // output file name, or null for a device without file
  Flags flags;
  int pen = 0;                // pen state last sent down the pipeline: 0 up, 1 down
  int nbsg = 1;               // elements of the current dash pattern (1 = solid)
  int ctsg = 0;               // index of the current dash element
  int pnsg = 1;               // pen state of the current dash element
  int mktp = 0;               // marker type
  int pl_1 = 0;               // reset by TRINIT, read by nothing
  int prt = 1;                // clipping: 1 viewport, 0 bounds, -1 none
  int lntp = 0;               // SETLIN type with bit 15 set, or -1 for a user pattern
  int lnsz = 0;               // whole-number part of the SETLIN size
  int plm_ = 0;               // pen selected on the device
  int nbfifo = 0;             // moves waiting in fifo
  double posx = 0, posy = 0;  // exact device position reached by the last move sent on
  double errx = 0, erry = 0;  // rounding residues
  double BNx = 0, BNy = 0;    // current pen position in device units, before clipping
  double bdxn = 0, bdxm = 0, bdyn = 0, bdym = 0;      // bounds in cm, already times mul
  double xmin = 0, xmax = 1, ymin = 0, ymax = 1;      // user window
  double wdxn = 0, wdxm = 0, wdyn = 0, wdym = 0;      // viewport in device units
  double prtxn = 0, prtxm = 0, prtyn = 0, prtym = 0;  // clipping rectangle in device units
  double trc[10] = {};                                // dash element lengths in device units
  double lnsg = 0;  // remaining length of the current dash element
  double mksz = 0;  // marker size in device units
  double txcn = 1, txsn = 0, txhi = 0, txlg = 0, txtx = 0, txty = 0;  // legacy text settings
  double txgs = 0, plsz = 0;                              // text spacing values set by WRTLINE
  double mes_xn = 0, mes_xm = 0, mes_yn = 0, mes_ym = 0;  // measured box (device units)
  double mes_rx = 0, mes_ry = 0, mes_px = 0, mes_py = 0, mes_pen = 0;  // saved while measuring
  double u_cm = 0;                                                     // larger of u_cmx and u_cmy
  double u_cmx = 0, u_cmy = 0;  // device units per centimetre for this drawing
  double mul = 1;               // scale factor of every centimetre quantity
  double width = 0;             // line width in mm as last given to LINEWIDTH
  FILE* tr_out = nullptr;       // output file of a file device (the stream of tr_file)
  AtomicFile tr_file;           // that file, which takes its name only when written whole
  bool tr_fail = false;         // set by a file device whose drawing could not be written whole
  TD_INFO CADPOL[3] = {};       // the three stroke-font slots
  Move fifo[5] = {};            // queue of relative device moves
  TextSize TXTSZ = {};          // text extent measurement
  // Device calls are copied there while set, as bytes: a drawn move (st 1) of at most 127 units
  // along each axis, nearly every move of a curve, in two (dx then dy, as signed bytes); any
  // other call in 12, kLongCall first (a move's dx is never -128 in the short form). A Black
  // chart's contours make some 200 000 moves, whose memory the process must first be given.
  std::vector<unsigned char>* recording = nullptr;
  static constexpr unsigned char kLongCall = 0x80;
  static constexpr size_t kLongCallBytes = 12;
  // Set by a device that strokes dash patterns itself (tr_dash): the kernel then sends dashed
  // lines whole, as solid ones, instead of cutting them into pieces.
  bool dash_native = false;
  // Set by a device that takes every move still queued, the pen-up ones too, before a change of
  // width (one that strokes its path then): LINEWIDTH sends them all first.
  bool width_flush = false;

  // Messages of the error numbers 0 to 10.
  static const char* const TRmesg[11];

  TR_INFO();
  TR_INFO(const TR_INFO&) = delete;
  TR_INFO& operator=(const TR_INFO&) = delete;

  // ---- Device operations; each does nothing here and every device overrides them ----
  virtual void tr_init();
  virtual void tr_move(int dx, int dy, int st);
  virtual void tr_pen(int pen);
  virtual void tr_close();
  virtual void tr_size(int dx, int dy);
  virtual void tr_width(double mm);
  // The dash pattern of the lines that follow, for a device with dash_native set: n lengths in
  // device units, drawn and blank in turn from a drawn one (n < 2: solid lines). restart starts
  // the pattern afresh; otherwise the same pattern again goes on from where it was left (a line
  // drawn solid for a while, as text is, comes back to its dashes where they stopped).
  virtual void tr_dash(int n, const double* len, bool restart);
  virtual ~TR_INFO();

  // The device operations as the kernel calls them: each also goes to the recording, if any.
  void out_move(int dx, int dy, int st) {
    if (recording != nullptr) {
      if (st == 1 && dx >= -127 && dx <= 127 && dy >= -127 && dy <= 127) {
        recording->push_back(static_cast<unsigned char>(dx));
        recording->push_back(static_cast<unsigned char>(dy));
      } else {
        bnrecord(DeviceCall::Of(DeviceCall::kMove, dx, dy, st));
      }
    }
    tr_move(dx, dy, st);
  }
  void out_pen(int p) {
    if (recording != nullptr) bnrecord(DeviceCall::Of(DeviceCall::kPen, p, 0, 0));
    tr_pen(p);
  }
  void out_width(double mm) {
    if (recording != nullptr) bnrecord(DeviceCall::Of(DeviceCall::kWidth, mm));
    tr_width(mm);
  }
  void out_dash(int n, const double* len, bool restart) {
    if (recording != nullptr) {
      bnrecord(DeviceCall::Of(DeviceCall::kDash, n, 0, restart));
      for (int i = 0; i < n; ++i) bnrecord(DeviceCall::Of(DeviceCall::kDashLength, len[i]));
    }
    tr_dash(n, len, restart);
  }
  // Appends a call to the recording in its long form: kLongCall, then dx, dy, st and kind.
  void bnrecord(const DeviceCall& c) {
    unsigned char b[kLongCallBytes];
    b[0] = kLongCall;
    std::memcpy(b + 1, &c.dx, sizeof c.dx);
    std::memcpy(b + 5, &c.dy, sizeof c.dy);
    std::memcpy(b + 9, &c.st, sizeof c.st);
    b[11] = c.kind;
    recording->insert(recording->end(), b, b + kLongCallBytes);
  }

  // ---- Opening, closing and modes ----
  int TRINIT();
  int TRCLOSE();
  int SETBRK(int m);
  int SETDIROUT(int m);
  int SETMUL(double m);

  // ---- Page, viewport, window, clipping ----
  int BOUNDS(double xmin, double xmax, double ymin, double ymax);
  int VWPORT(double xn, double xm, double _yn, double ym);
  int VWPORTA(double xn, double xm, double _yn, double ym);
  int WINDOW(double xn, double xm, double yn, double ym);
  int SETPRT(int m);

  // ---- Moves and draws ----
  int MOVE(double x, double y);
  int DRAW(double x, double y);
  // n calls of DRAW, to (x[i], y[i]) in turn: the same moves and bytes, by blocks.
  int DRAWS(size_t n, const double* x, const double* y);
  // What DRAWS converts points to device units with (the window, the viewport and the clipping
  // rectangle), lane 0 for x and lane 1 for y; valid only while DRAWS converts by blocks
  // (clipping on, within the held range, lines solid or dashed by the device).
  struct DrawsFrame {
    bool valid = false;
    double u[2] = {}, e[2] = {}, o[2] = {}, l[2] = {}, lo[2] = {}, hi[2] = {};
  };
  // The move from one point to the next as DRAWS rounds it when both lie inside the clipping
  // rectangle: the rounded move and what it leaves of the exact one.
  struct DrawsStep {
    double rx, ry;
    int mx, my;
  };
  DrawsFrame FrameOfDraws() const;
  // The work of DRAWS on n points that owes nothing to the pen, done ahead on any thread (it
  // reads only f and the points): returns how many points from the first are finite and inside
  // f's clipping rectangle, and fills steps[j] for each j >= 1 of them.
  static size_t PrepareDraws(const DrawsFrame& f, size_t n, const double* x, const double* y,
                             DrawsStep* steps);
  // DRAWS of n points with the steps PrepareDraws made of them in frame f (n at most what it
  // returned): the same moves and bytes, plain DRAWS when f is not the frame of the moment.
  int DRAWS(size_t n, const double* x, const double* y, const DrawsFrame& f,
            const DrawsStep* steps);
  int MOVEA(double x, double y);
  int DRAWA(double x, double y);
  int RMOVE(double x, double y);
  int RDRAW(double x, double y);
  int XMOVE(double x);
  int XDRAW(double x);
  int YMOVE(double y);
  int YDRAW(double y);
  int XRMOVE(double x);
  int XRDRAW(double x);
  int YRMOVE(double y);
  int YRDRAW(double y);

  // ---- Pen and width ----
  int PENUP();
  int PENDW();
  int PLUME(int plum);
  int LINEWIDTH(double wmm);
  int TRFLUSH();

  // ---- Queries ----
  int GET_BOUNDS(double* xmin, double* xmax, double* ymin, double* ymax);
  int GET_VWPORT(double* xn, double* xm, double* yn, double* ym);
  int GET_VWPORTA(double* xn, double* xm, double* yn, double* ym);
  int GET_WINDOW(double* xn, double* xm, double* yn, double* ym);
  int GET_POS(double* x, double* y);
  int GET_POSA(double* x, double* y);
  int GET_PLMAX(int* pmax);
  int GET_LINEWIDTH(double* wmm);
  // Pen number of a French colour name (case ignored), or -1.
  int GET_PLNAME(const char* nom);
  // Prints message n of the table (0 prints nothing; out of range prints the unknown error).
  int TRERR(int n);
  // Angle of a page direction (radians, centimetres) as seen in device units.
  double CVANG(double x);

  // ---- Line styles ----
  int SETLIN(int typ, double size);
  int USERLINE(unsigned int nbs, const double* tabseg);
  int GET_LIN(int* t, double* s);

  // ---- Shapes and markers ----
  int TRWIND();
  int TRECT(double largeur, double hauteur, double ang);
  int FLECHE(double l, double h, double l1, double ang);
  int ARC(double x0, double _y0, double ang);
  int ARCR(double dx, double dy, double ang);
  int ARC1(double r, double ang1, double ang2);
  int CIRCLE(double r);
  int MKSIZE(double s);
  int MKTYPE(int t);
  int SETMRK(int t, double s);
  int GET_MRK(int* t, double* s);
  int PLOT(double x, double y);
  int INIT_MES();
  int RES_MES(double* xn, double* xm, double* _yn, double* ym);

  // ---- Stroke text ----
  int CADDEFTXTA(double hautcr, double ang, int n);
  int CADPOSTXT(double x, double y, int n);
  int CADPUT(char c, int x);
  int CADPUTS(const char* s, int n);
  int CADPUTSXY(double x, double y, const char* s, int n);
  int CADPRINTF(int n, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
  int WRTTXT(const char* texte);
  int DEFTXT(double largcr, double hautcr, double ang);
  int DEFTXTA(double largcr, double hautcr, double ang);
  int POSTXT(double x, double y);
  int WRTLINE(double p, double t);
  int GET_TXDFA(double* larg, double* haut, double* ang);
  int GET_CADCODES(char* s, int x, unsigned int ls);
  int GET_CADSIZE(char c, int n, double* dx, double* dy);

  // ---- Byte output of the file devices ----
  // sz = -1 rewinds the file, 0 writes buf as a C string, > 0 writes sz bytes.
  void bnsend(const char* buf, int sz);

  // ---- Coordinate transforms (user window <-> device units) ----
  double xdev(double x) const { return wdxn + (x - xmin) / (xmax - xmin) * (wdxm - wdxn); }
  double ydev(double y) const { return wdyn + (y - ymin) / (ymax - ymin) * (wdym - wdyn); }
  double dxdev(double dx) const { return dx / (xmax - xmin) * (wdxm - wdxn); }
  double dydev(double dy) const { return dy / (ymax - ymin) * (wdym - wdyn); }
  double xusr(double X) const { return xmin + (X - wdxn) / (wdxm - wdxn) * (xmax - xmin); }
  double yusr(double Y) const { return ymin + (Y - wdyn) / (wdym - wdyn) * (ymax - ymin); }

  // ---- Internal operations ----
  // Error exit of every operation: returns err, or with brk set reports it and ends the program.
  int bn_break(int err, const char* F);

  // Vector pipeline: clipping move, integer conversion, dash cutting, move queue.
  void bmove(double x, double y, int pen);
  void bnptin(double xoin, double yoin, double xdin, double ydin, double* xo, double* yo,
              double* xd, double* yd, int* inwd);
  void bninwd(double* x, double* y, double dx, double dy, int* inwd);
  void bnmove(double x, double y, int npen);
  void bnwrt(int dx, int dy, int pn);
  // The same for a move (dx, dy) that rounds an exact move of length len (device units).
  void bnwrt(int dx, int dy, int pn, double len);
  double bnsegment(double lng, int* dxm, int* dym, int signx, int signy);
  void tr_mvopt_(int dx, int dy, int st);
  void bn_optim();
  void bn_delf(int n);
  void bn_flush();
  // Sends the queued moves up to the last drawn one, so that what was drawn before a change of
  // width or dashes keeps the old one; the pen-up moves after it stay queued.
  void bn_flush_drawn();
  // Draws solid until solid_end (text, arrow heads), returning the pattern's element count
  // that solid_end puts back; a device drawing its own dashes is told of both changes.
  int solid_begin();
  void solid_end(int nb);

  // Stroke text internals.
  void td_draw(char c, TD_INFO* pp);
  void it_tracad_seq(TD_ENV* env);
  const char* it_CADs(const char* s, TD_INFO* p);
  const char* cad_line(const char* s, int n);
  void init_TXTSZ();
};
