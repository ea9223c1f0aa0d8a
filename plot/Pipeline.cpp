// The vector pipeline behind every move: clipping, integer conversion with carried residue,
// dash cutting, the five-entry move queue with its optimiser, line styles and byte output.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "plot/TrInfo.h"

namespace {
constexpr double kEps = 1e-10;
// Device coordinates are held within this range so that integer moves never overflow.
constexpr double kMaxDev = 1e8;

// Predefined dash patterns, lengths in units of the SETLIN size.
struct LineStyle {
  int n;
  float len[8];
};
const LineStyle kStyles[12] = {
    {1, {1.0f}},
    {2, {0.3f, 0.3f}},
    {2, {0.3f, 0.1f}},
    {4, {0.6f, 0.2f, 0.08f, 0.2f}},
    {6, {0.6f, 0.1f, 0.05f, 0.1f, 0.05f, 0.1f}},
    {2, {0.1f, 0.3f}},
    {6, {0.5f, 0.08f, 0.2f, 0.08f, 0.2f, 0.08f}},
    {8, {0.1f, 0.08f, 0.2f, 0.08f, 0.1f, 0.08f, 0.5f, 0.08f}},
    {2, {0.5f, 0.1f}},
    {2, {0.1f, 0.5f}},
    {8, {0.6f, 0.1f, 0.05f, 0.1f, 0.05f, 0.1f, 0.05f, 0.1f}},
    {6, {0.08f, 0.09f, 0.3f, 0.08f, 0.3f, 0.09f}},
};

// floor(v + 0.5) by truncation to an integer, cheaper than floor and without a branch, for
// |v| < 4e18; the same value as floor, the sign of a zero result aside (which nothing here
// tells apart).
inline double RoundNear(double v) {
  const double w = v + 0.5;
  long long i = static_cast<long long>(w);
  i -= static_cast<double>(i) > w;
  return static_cast<double>(i);
}
inline double Round(double v) { return std::fabs(v) < 4e18 ? RoundNear(v) : std::floor(v + 0.5); }
inline double Clamp(double v) { return v > kMaxDev ? kMaxDev : (v < -kMaxDev ? -kMaxDev : v); }

// Two doubles side by side, and the masks and integers of their lanes.
typedef double Double2 __attribute__((vector_size(16)));
typedef long long Long2 __attribute__((vector_size(16)));
typedef int Int2 __attribute__((vector_size(8)));
// 1.0 in the lanes where the mask is set, +0.0 elsewhere.
inline Double2 Un(Long2 masque, Double2 un) {
  return reinterpret_cast<Double2>(masque & reinterpret_cast<Long2>(un));
}

// Move queue append (tr_mvopt_). The optimiser only ever acts on a pen-up move, so a full
// queue of draws skips it; the oldest move leaves the full queue by five fixed copies.
inline void Queue(TR_INFO& g, int dx, int dy, int st) {
  TR_INFO::Move* f = g.fifo;
  if (g.nbfifo >= 5) {
    if (g.nbfifo != 5 || f[0].st == 0 || f[1].st == 0 || f[2].st == 0 || f[3].st == 0 ||
        f[4].st == 0)
      g.bn_optim();
    if (g.nbfifo == 5) {
      g.out_move(f[0].dx, f[0].dy, f[0].st);
      f[0] = f[1];
      f[1] = f[2];
      f[2] = f[3];
      f[3] = f[4];
      f[4] = TR_INFO::Move{dx, dy, st};
      return;
    }
    if (g.nbfifo > 5) {
      g.out_move(f[0].dx, f[0].dy, f[0].st);
      g.bn_delf(0);
    }
  }
  f[g.nbfifo++] = TR_INFO::Move{dx, dy, st};
}

// Queue for each of k drawn moves in turn. Once the queue holds five draws, a draw that comes
// sends the oldest to the device, the optimiser having nothing to merge or drop: the moves then
// leave in the order they came, the queue keeping the last five, and they are sent so, without
// going through the queue one by one.
void QueueDraws(TR_INFO& g, const Int2* m, size_t k) {
  TR_INFO::Move* f = g.fifo;
  size_t i = 0;
  for (; i < k; ++i) {
    if (g.nbfifo == 5 && f[0].st == 1 && f[1].st == 1 && f[2].st == 1 && f[3].st == 1 &&
        f[4].st == 1)
      break;
    Queue(g, m[i][0], m[i][1], 1);
  }
  if (i == k) return;
  const size_t r = k - i;  // moves still to come: as many leave, the queue's first
  for (size_t t = 0; t < r && t < 5; ++t) g.out_move(f[t].dx, f[t].dy, 1);
  for (size_t t = 5; t < r; ++t) g.out_move(m[i + t - 5][0], m[i + t - 5][1], 1);
  if (r >= 5) {
    for (size_t t = 0; t < 5; ++t) f[t] = TR_INFO::Move{m[k - 5 + t][0], m[k - 5 + t][1], 1};
  } else {
    for (size_t t = 0; t < 5 - r; ++t) f[t] = f[t + r];
    for (size_t t = 0; t < r; ++t) f[5 - r + t] = TR_INFO::Move{m[i + t][0], m[i + t][1], 1};
  }
}

// Dash cutting (bnwrt) with the solid case in line: a solid or pen-up move goes to the queue
// whole, a move of zero length that changes nothing is dropped. A device that draws its own
// dashes takes dashed moves whole too. A dashed move is cut by the length of the exact move it
// rounds, (ex, ey).
inline void Write(TR_INFO& g, int dx, int dy, int pn, double ex, double ey) {
  if (pn == 0 || g.nbsg == 1 || g.dash_native) {
    if (dx == 0 && dy == 0 && pn == g.pen) return;
    Queue(g, dx, dy, pn);
    return;
  }
  g.bnwrt(dx, dy, pn, std::hypot(ex, ey));
}

// Integer conversion (bnmove), in line in the clipping move.
__attribute__((always_inline)) inline void Convert(TR_INFO& g, double x, double y, int npen) {
  x = Clamp(x);
  y = Clamp(y);
  g.pen = npen != 0;
  const double ex = x - g.posx, ey = y - g.posy;
  // The moves are at most 2e8 units long (coordinates held within 1e8).
  const double rx = RoundNear(ex), ry = RoundNear(ey);
  int ix = static_cast<int>(rx), iy = static_cast<int>(ry);
  double errx = g.errx + (ex - rx), erry = g.erry + (ey - ry);
  // The carried residue is within half a unit and the new one within half a unit and a
  // rounding error (the error of ex + 0.5, below 1e-7 here): their sum is within 1.5, so one
  // carry of one unit (an exact subtraction) brings it back within half a unit. It is taken
  // without a branch.
  const int cx = (errx > 0.5) - (errx < -0.5), cy = (erry > 0.5) - (erry < -0.5);
  ix += cx;
  errx -= cx;
  iy += cy;
  erry -= cy;
  g.errx = errx;
  g.erry = erry;
  g.posx = x;
  g.posy = y;
  if (g.flags.mes_) {
    if (x > g.mes_xm) g.mes_xm = x;
    if (x < g.mes_xn) g.mes_xn = x;
    if (y > g.mes_ym) g.mes_ym = y;
    if (y < g.mes_yn) g.mes_yn = y;
    return;
  }
  Write(g, ix, iy, g.pen, ex, ey);
}
}  // namespace

// Clipping move: text measurement short-cut, clipping, pen-up positioning, then the draw.
void TR_INFO::bmove(double x, double y, int pn) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;  // a non-finite point cannot be drawn
  if (TXTSZ.mes) {
    if (x > TXTSZ.xm) TXTSZ.xm = x;
    if (x < TXTSZ.xn) TXTSZ.xn = x;
    if (y > TXTSZ.ym) TXTSZ.ym = y;
    if (y < TXTSZ.yn) TXTSZ.yn = y;
    BNx = x;
    BNy = y;
    return;
  }
  const double x0 = BNx, y0 = BNy;
  // A segment whose two ends lie in the clipping rectangle, or any segment when clipping is
  // off, is drawn as it is.
  if (prt == -1 || (x0 >= prtxn && x0 <= prtxm && y0 >= prtyn && y0 <= prtym && x >= prtxn &&
                    x <= prtxm && y >= prtyn && y <= prtym)) {
    if (std::fabs(x0 - posx) >= kEps || std::fabs(y0 - posy) >= kEps) bnmove(x0, y0, 0);
    BNx = x;
    BNy = y;
    Convert(*this, x, y, pn);
    return;
  }
  double xo, yo, xd, yd;
  int inside;
  bnptin(x0, y0, x, y, &xo, &yo, &xd, &yd, &inside);
  if (inside) {
    if (std::fabs(x0 - posx) >= kEps || std::fabs(y0 - posy) >= kEps) bnmove(xo, yo, 0);
    bnmove(xd, yd, pn);
  }
  BNx = x;
  BNy = y;
}

namespace {

// The numbers of a DrawsFrame side by side, x in the first half, y in the second, formed once
// for a run of points.
struct Frame2 {
  Double2 u, e, o, l, bas, haut;
  explicit Frame2(const TR_INFO::DrawsFrame& f)
      : u{f.u[0], f.u[1]},
        e{f.e[0], f.e[1]},
        o{f.o[0], f.o[1]},
        l{f.l[0], f.l[1]},
        bas{f.lo[0], f.lo[1]},
        haut{f.hi[0], f.hi[1]} {}
};

// Point (x, y) in device units, as xdev and ydev compute each half.
inline Double2 Device(const Frame2& f, double x, double y) {
  return f.o + (Double2{x, y} - f.u) / f.e * f.l;
}

// Whether the device point P lies in the clipping rectangle of f (false when not finite).
inline bool Inside(const Frame2& f, Double2 P) {
  const Long2 dedans = (P >= f.bas) & (P <= f.haut);
  return (dedans[0] & dedans[1]) != 0;
}

// RoundNear of each half of the move d, and what the rounding leaves of it.
inline void RoundMove(Double2 d, Int2* q, Double2* reste) {
  const Double2 w = d + 0.5, un = {1.0, 1.0};
  Double2 r = __builtin_convertvector(__builtin_convertvector(w, Int2), Double2);
  r -= Un(r > w, un);
  *reste = d - r;
  *q = __builtin_convertvector(r, Int2);
}

// The conversion loop of DRAWS; with steps (PrepareDraws's, all points inside), the move from
// each point to the next is read there instead of being computed, save at the first point of a
// block, which goes on from the pen.
void DrawBlocks(TR_INFO& g, const TR_INFO::DrawsFrame& cadre, size_t n, const double* xs,
                const double* ys, const TR_INFO::DrawsStep* steps) {
  const Frame2 f(cadre);
  const double xn = cadre.lo[0], xm = cadre.hi[0], yn = cadre.lo[1], ym = cadre.hi[1];
  const Double2 un = {1.0, 1.0};
  constexpr size_t kBloc = 512;
  Int2 mv[kBloc];  // the moves of the block, both halves stored at once
  size_t j = 0;
  while (j < n) {
    // The first point of a block goes on from the pen only where the clipping move would.
    const bool depart = g.BNx >= xn && g.BNx <= xm && g.BNy >= yn && g.BNy <= ym &&
                        std::fabs(g.BNx - g.posx) < kEps && std::fabs(g.BNy - g.posy) < kEps;
    const size_t debut = j;
    Double2 pos = {g.posx, g.posy}, res = {g.errx, g.erry}, P = {0, 0};
    size_t k = 0;
    // The residue and its carry of Convert, without a branch, for the move q that leaves reste:
    // res - c for c = 1, -1 or +0 in each half, chosen among res - 1, res + 1 and res itself
    // (the same values: res + 1 is res - (-1), and res - (+0) is res, -0 included), which keeps
    // the subtraction off the chain from one point's residue to the next.
    auto porte = [&](Double2 reste, Int2 q) {
      res += reste;
      const Long2 haut = res > 0.5, bas = res < -0.5;
      res = reinterpret_cast<Double2>((haut & reinterpret_cast<Long2>(res - un)) |
                                      (bas & reinterpret_cast<Long2>(res + un)) |
                                      (~(haut | bas) & reinterpret_cast<Long2>(res)));
      const Int2 m = q + __builtin_convertvector(bas - haut, Int2);
      mv[k] = m;
      long long both;  // the two halves as one integer, zero for a move of zero length
      std::memcpy(&both, &m, sizeof both);
      k += both != 0;  // a solid line drops a drawn move of zero length
    };
    bool autre = false;  // point j needs the clipping move
    for (; j < n && k < kBloc && (steps == nullptr || j == debut); ++j) {
      P = Device(f, xs[j], ys[j]);
      if (!Inside(f, P) || (j == debut && !depart)) {
        autre = true;
        break;
      }
      Double2 reste;
      Int2 q;
      RoundMove(P - pos, &q, &reste);
      pos = P;
      porte(reste, q);
    }
    if (steps != nullptr && !autre && j > debut) {
      // Each point adds at most one move to the block.
      const size_t fin = j + std::min(n - j, kBloc - k);
      for (; j < fin; ++j) {
        const TR_INFO::DrawsStep& s = steps[j];
        porte(Double2{s.rx, s.ry}, Int2{s.mx, s.my});
      }
      pos = Device(f, xs[j - 1], ys[j - 1]);
    }
    if (j > debut) {  // points converted: the pen is down where the last one is
      g.BNx = g.posx = pos[0];
      g.BNy = g.posy = pos[1];
      g.pen = 1;
    }
    g.errx = res[0];
    g.erry = res[1];
    QueueDraws(g, mv, k);
    if (autre) {
      g.bmove(P[0], P[1], 1);
      ++j;
    }
  }
}
}  // namespace

TR_INFO::DrawsFrame TR_INFO::FrameOfDraws() const {
  DrawsFrame f;
  // The charts draw their curves with clipping on, in a rectangle within the held range: there a
  // point inside is finite and left alone by Clamp, and the next segment starts where the last
  // one ended, so past the first point of a block only the new end needs looking at. A dashed
  // line cut here is cut by the exact length of each move: it takes the clipping move.
  f.valid = flags.ok && !TXTSZ.mes && !flags.mes_ && prt != -1 && prtxn >= -kMaxDev &&
            prtxm <= kMaxDev && prtyn >= -kMaxDev && prtym <= kMaxDev &&
            (nbsg == 1 || dash_native);
  f.u[0] = xmin;
  f.u[1] = ymin;
  f.e[0] = xmax - xmin;
  f.e[1] = ymax - ymin;
  f.o[0] = wdxn;
  f.o[1] = wdyn;
  f.l[0] = wdxm - wdxn;
  f.l[1] = wdym - wdyn;
  f.lo[0] = prtxn;
  f.lo[1] = prtyn;
  f.hi[0] = prtxm;
  f.hi[1] = prtym;
  return f;
}

// Draws through the points in turn. Points whose segment lies inside the clipping rectangle, with
// the pen where the last move left it, are converted to integer moves a block at a time, then the
// block goes down the queue: the conversion carries only the rounding residue from one point to
// the next, so it runs clear of the queue's branches, which read none of its state. Any other
// point takes the clipping move, as DRAW would.
int TR_INFO::DRAWS(size_t n, const double* xs, const double* ys) {
  if (!flags.ok || TXTSZ.mes || flags.mes_) {
    int r = 0;
    for (size_t j = 0; j < n; ++j) r = DRAW(xs[j], ys[j]);
    return r;
  }
  const DrawsFrame f = FrameOfDraws();
  if (!f.valid) {
    for (size_t j = 0; j < n; ++j) bmove(xdev(xs[j]), ydev(ys[j]), 1);
    return 0;
  }
  DrawBlocks(*this, f, n, xs, ys, nullptr);
  return 0;
}

size_t TR_INFO::PrepareDraws(const DrawsFrame& cadre, size_t n, const double* xs,
                             const double* ys, DrawsStep* steps) {
  if (!cadre.valid) return 0;
  const Frame2 f(cadre);
  Double2 avant = {0, 0};
  for (size_t j = 0; j < n; ++j) {
    const Double2 P = Device(f, xs[j], ys[j]);
    if (!Inside(f, P)) return j;
    if (j > 0) {
      Double2 reste;
      Int2 q;
      RoundMove(P - avant, &q, &reste);
      steps[j] = DrawsStep{reste[0], reste[1], q[0], q[1]};
    }
    avant = P;
  }
  return n;
}

int TR_INFO::DRAWS(size_t n, const double* xs, const double* ys, const DrawsFrame& f,
                   const DrawsStep* steps) {
  const DrawsFrame g = FrameOfDraws();
  const bool meme = g.valid && f.valid && std::memcmp(g.u, f.u, sizeof g.u) == 0 &&
                    std::memcmp(g.e, f.e, sizeof g.e) == 0 && std::memcmp(g.o, f.o, sizeof g.o) == 0 &&
                    std::memcmp(g.l, f.l, sizeof g.l) == 0 &&
                    std::memcmp(g.lo, f.lo, sizeof g.lo) == 0 &&
                    std::memcmp(g.hi, f.hi, sizeof g.hi) == 0;
  if (!meme) return DRAWS(n, xs, ys);
  DrawBlocks(*this, f, n, xs, ys, steps);
  return 0;
}

// Segment clipping: each end is clipped on its own; inside when either end was inside.
void TR_INFO::bnptin(double xoin, double yoin, double xdin, double ydin, double* xo, double* yo,
                     double* xd, double* yd, int* inwd) {
  *xo = xoin;
  *yo = yoin;
  *xd = xdin;
  *yd = ydin;
  if (prt == -1) {
    *inwd = 1;
    return;
  }
  double dx = xdin - xoin, dy = ydin - yoin;
  int in_o, in_d;
  bninwd(xo, yo, dx, dy, &in_o);
  bninwd(xd, yd, dx, dy, &in_d);
  *inwd = in_o || in_d;
}

// Point clipping along the direction (dx, dy) onto the clipping rectangle (edges included).
void TR_INFO::bninwd(double* x, double* y, double dx, double dy, int* inwd) {
  *inwd = 1;
  const double x0 = *x, y0 = *y;
  if (x0 < prtxn || x0 > prtxm) {
    *inwd = 0;
    *x = x0 < prtxn ? prtxn : prtxm;
    if (std::fabs(dx) >= kEps)
      *y = y0 + (*x - x0) * dy / dx;
    else
      *y = (*x - x0) * dy > 0 ? prtym : prtyn;
  }
  if (*y < prtyn || *y > prtym) {
    *inwd = 0;
    double yc = *y < prtyn ? prtyn : prtym;
    if (std::fabs(dy) >= kEps)
      *x = x0 + dx * (yc - y0) / dy;
    else
      *x = dx * (yc - y0) > 0 ? prtxm : prtxn;
    *y = yc;
  }
}

// Integer conversion: the rounding residue is carried so the path never drifts half a unit.
void TR_INFO::bnmove(double x, double y, int npen) { Convert(*this, x, y, npen); }

// Dash cutting: a drawn move is split at the ends of the pattern's elements, the pattern
// running on from one move to the next.
void TR_INFO::bnwrt(int dx, int dy, int pn) {
  bnwrt(dx, dy, pn, std::hypot(static_cast<double>(dx), static_cast<double>(dy)));
}

// The pattern's lengths are measured along the exact path, len for this move, not along its
// rounded moves: a curve of short moves, each rounded by up to half a unit, is longer in whole
// units (a slope of steps (1, 0) and (0, 1) by two fifths), which shortened its dashes and gaps
// by as much, against the ones a device drawing its own dashes lays along the same curve.
void TR_INFO::bnwrt(int dx, int dy, int pn, double len) {
  if (pn == 0 || nbsg == 1 || dash_native) {
    if (dx == 0 && dy == 0 && pn == pen) return;
    Queue(*this, dx, dy, pn);
    return;
  }
  if (dx == 0 && dy == 0) {
    // A move within one unit: the pattern runs on by its length; a drawn element met on the
    // way is sent as a dot.
    bool dot = pnsg != 0;
    for (int n = 0; len >= lnsg && n < 2 * nbsg; ++n) {
      len -= lnsg;
      pnsg = !pnsg;
      if (++ctsg >= nbsg) ctsg = 0;
      lnsg = trc[ctsg];
      dot = dot || pnsg != 0;
    }
    if (len < lnsg) lnsg -= len;
    if (dot && pnsg == 0) Queue(*this, 0, 0, 1);
    Queue(*this, 0, 0, pnsg);
    return;
  }
  double lng = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
  // Units of the rounded move a unit of the exact one: a move that only a carried residue
  // makes (len near 0) is drawn whole in the element it starts in.
  const double k = len > kEps ? lng / len : 1e300;
  const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  int adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  int idle = 0;  // element ends in a row that covered nothing (elements below one unit)
  while (lng > 0) {
    if (adx == 0 && ady == 0) break;
    const double reste = lnsg * k;  // the element's rest, in units of the rounded move
    if (lng >= reste) {
      double r = bnsegment(reste, &adx, &ady, sx, sy);
      lng -= r;
      pnsg = !pnsg;
      if (++ctsg >= nbsg) ctsg = 0;
      lnsg = trc[ctsg];
      idle = r < kEps ? idle + 1 : 0;
      if (idle > nbsg) break;  // a whole pattern too fine to draw: send the rest at once
    } else {
      lnsg -= lng / k;
      double r = bnsegment(lng, &adx, &ady, sx, sy);
      if (std::fabs(r) < kEps) break;
      lng -= r;
    }
  }
  // Whatever the pieces' rounding left is sent too, so the device reaches the exact target.
  if (adx != 0 || ady != 0) Queue(*this, sx * adx, sy * ady, pnsg);
}

// One dash piece of length lng along the remaining extents; returns the length covered.
double TR_INFO::bnsegment(double lng, int* dxm, int* dym, int signx, int signy) {
  const double lmax = std::hypot(static_cast<double>(*dxm), static_cast<double>(*dym));
  const double c = *dxm / lmax, s = *dym / lmax;
  double fx = Round(lng * c), fy = Round(lng * s);
  int dx = fx > *dxm ? *dxm : static_cast<int>(fx);
  int dy = fy > *dym ? *dym : static_cast<int>(fy);
  *dxm -= dx;
  *dym -= dy;
  Queue(*this, dx * signx, dy * signy, pnsg);
  return std::hypot(static_cast<double>(dx), static_cast<double>(dy));
}

// Move queue: the oldest move goes to the device when five are waiting and none merge.
void TR_INFO::tr_mvopt_(int dx, int dy, int st) { Queue(*this, dx, dy, st); }

// Peephole optimiser: merges two pen-up moves in a row, and drops a zero pen-up move
// between two draws.
void TR_INFO::bn_optim() {
  for (int i = 1; i < nbfifo; ++i) {
    if (fifo[i - 1].st == 0 && fifo[i].st == 0) {
      fifo[i].dx += fifo[i - 1].dx;
      fifo[i].dy += fifo[i - 1].dy;
      bn_delf(i - 1);
    }
  }
  for (int i = 2; i < nbfifo; ++i) {
    const Move& m = fifo[i - 1];
    if (fifo[i - 2].st == 1 && m.dx == 0 && m.dy == 0 && m.st == 0 && fifo[i].st == 1)
      bn_delf(i - 1);
  }
}

void TR_INFO::bn_delf(int n) {
  if (n < 0 || n >= nbfifo) return;
  for (int i = n + 1; i < nbfifo; ++i) fifo[i - 1] = fifo[i];
  --nbfifo;
}

void TR_INFO::bn_flush() {
  bn_optim();
  for (int i = 0; i < nbfifo; ++i) out_move(fifo[i].dx, fifo[i].dy, fifo[i].st);
  nbfifo = 0;
}

void TR_INFO::bn_flush_drawn() {
  bn_optim();
  int k = nbfifo;
  while (k > 0 && fifo[k - 1].st == 0) --k;
  for (int i = 0; i < k; ++i) out_move(fifo[i].dx, fifo[i].dy, fifo[i].st);
  for (int i = k; i < nbfifo; ++i) fifo[i - k] = fifo[i];
  nbfifo -= k;
}

int TR_INFO::solid_begin() {
  const int nb = nbsg;
  if (nb != 1 && dash_native) {
    bn_flush_drawn();
    out_dash(1, trc, false);
  }
  nbsg = 1;
  return nb;
}

void TR_INFO::solid_end(int nb) {
  nbsg = nb;
  if (nb != 1 && dash_native) {
    bn_flush_drawn();
    out_dash(nb, trc, false);
  }
}

void TR_INFO::bnsend(const char* buf, int sz) {
  if (!tr_out) return;
  if (sz == -1)
    std::fseek(tr_out, 0, SEEK_SET);
  else if (sz == 0)
    std::fputs(buf, tr_out);
  else if (sz > 0)
    std::fwrite(buf, 1, static_cast<size_t>(sz), tr_out);
}

// ---- Line styles ----

int TR_INFO::SETLIN(int typ, double size) {
  if (!flags.ok) return bn_break(2, "SETLIN");
  if (typ < 0 || typ > 11 || !(size >= 0.02) || !(size < 2e9)) return bn_break(3, "SETLIN");
  lnsz = static_cast<int>(size);
  const LineStyle& st = kStyles[typ];
  double seg[8];
  for (int i = 0; i < st.n; ++i) seg[i] = size * static_cast<double>(st.len[i]) * mul;
  USERLINE(static_cast<unsigned>(st.n), seg);
  lntp = typ + 32768;
  return 0;
}

int TR_INFO::USERLINE(unsigned int nbs, const double* tabseg) {
  if (!flags.ok) return bn_break(2, "USERLINE");
  if (nbs < 1 || nbs > 10 || !tabseg) return bn_break(3, "USERLINE");
  for (unsigned i = 0; i < nbs; ++i)
    if (!(tabseg[i] > 0) || !std::isfinite(tabseg[i])) return bn_break(3, "USERLINE");
  lntp = -1;
  // A device drawing its own dashes gets the new pattern after the lines drawn in the old one,
  // unless both are solid.
  const bool dire = dash_native && (nbsg != 1 || nbs != 1);
  if (dire) bn_flush_drawn();
  nbsg = static_cast<int>(nbs);
  for (unsigned i = 0; i < nbs; ++i) trc[i] = tabseg[i] * u_cm;
  ctsg = 0;
  pnsg = 1;
  lnsg = trc[0];
  if (dire) out_dash(nbsg, trc, true);
  return 0;
}

int TR_INFO::GET_LIN(int* t, double* s) {
  if (!flags.ok) return bn_break(2, "GET_LIN");
  if (lntp >= 0 && (lntp & 0x8000)) {
    *t = lntp & ~0x8000;
    *s = lnsz;
  } else {
    *t = -1;
    *s = 1.0;
  }
  return 0;
}
