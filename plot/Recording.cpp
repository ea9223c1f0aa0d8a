// Recording and replay of device calls: the kernel's state is every field of the context but the
// output file, saved and compared as bytes.
#include "plot/Recording.h"

#include <cstring>

namespace {

// Calls f on every field of the kernel's state that a drawing reads or changes, in declaration
// order (the flags apart, being bits), leaving out the output file and its failure.
template <class G, class F>
void Fields(G& g, F f) {
  f(g.u_par_cmx), f(g.u_par_cmy), f(g.plume_max), f(g.tr_xmax), f(g.tr_ymax);
  f(g.pen), f(g.nbsg), f(g.ctsg), f(g.pnsg), f(g.mktp), f(g.pl_1), f(g.prt), f(g.lntp);
  f(g.lnsz), f(g.plm_), f(g.nbfifo), f(g.posx), f(g.posy), f(g.errx), f(g.erry), f(g.BNx);
  f(g.BNy), f(g.bdxn), f(g.bdxm), f(g.bdyn), f(g.bdym), f(g.xmin), f(g.xmax), f(g.ymin);
  f(g.ymax), f(g.wdxn), f(g.wdxm), f(g.wdyn), f(g.wdym), f(g.prtxn), f(g.prtxm), f(g.prtyn);
  f(g.prtym);
  for (auto& t : g.trc) f(t);
  f(g.lnsg), f(g.mksz), f(g.txcn), f(g.txsn), f(g.txhi), f(g.txlg), f(g.txtx), f(g.txty);
  f(g.txgs), f(g.plsz), f(g.mes_xn), f(g.mes_xm), f(g.mes_yn), f(g.mes_ym), f(g.mes_rx);
  f(g.mes_ry), f(g.mes_px), f(g.mes_py), f(g.mes_pen), f(g.u_cm), f(g.u_cmx), f(g.u_cmy);
  f(g.mul), f(g.width);
  for (auto& c : g.CADPOL) f(c.F), f(c.sn), f(c.cn), f(c.hi), f(c.tx), f(c.ty);
  for (auto& m : g.fifo) f(m.dx), f(m.dy), f(m.st);
  f(g.TXTSZ.mes), f(g.TXTSZ.xn), f(g.TXTSZ.xm), f(g.TXTSZ.yn), f(g.TXTSZ.ym);
  f(g.dash_native), f(g.width_flush);
}

std::vector<unsigned char> Save(const TR_INFO& g) {
  std::vector<unsigned char> b;
  b.reserve(1024);
  const unsigned flags = g.flags.ok | g.flags.brk << 1 | g.flags.mul << 2 | g.flags.bounds << 3 |
                         g.flags.close << 4 | g.flags.mes_ << 5 | g.flags.direct_out << 6;
  auto put = [&b](const auto& v) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(&v);
    b.insert(b.end(), p, p + sizeof v);
  };
  put(flags);
  Fields(g, put);
  return b;
}

void Load(TR_INFO* g, const std::vector<unsigned char>& b) {
  const unsigned char* p = b.data();
  unsigned flags;
  std::memcpy(&flags, p, sizeof flags);
  p += sizeof flags;
  g->flags.ok = flags & 1;
  g->flags.brk = flags >> 1 & 1;
  g->flags.mul = flags >> 2 & 1;
  g->flags.bounds = flags >> 3 & 1;
  g->flags.close = flags >> 4 & 1;
  g->flags.mes_ = flags >> 5 & 1;
  g->flags.direct_out = flags >> 6 & 1;
  Fields(*g, [&p](auto& v) {
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
  });
}

}  // namespace

bool TRecording::Begin(TR_INFO* g) {
  calls_.clear();
  after_.clear();
  if (g->recording != nullptr) return false;
  before_ = Save(*g);
  // Room for a Black chart's contours at once: what is reserved is not yet given memory, and
  // the calls are not copied from block to block as they grow.
  calls_.reserve(1 << 20);
  g->recording = &calls_;
  return true;
}

void TRecording::End(TR_INFO* g) {
  if (g->recording != &calls_) {  // Begin kept nothing: the recording fits no state
    before_.clear();
    return;
  }
  g->recording = nullptr;
  after_ = Save(*g);
}

bool TRecording::Fits(const TR_INFO& g) const { return !after_.empty() && Save(g) == before_; }

namespace {

// Reads the next call of a recording at p (see TR_INFO::recording), moving p past it.
TR_INFO::DeviceCall Lit(const unsigned char** p) {
  const unsigned char* b = *p;
  if (b[0] != TR_INFO::kLongCall) {
    *p += 2;
    return TR_INFO::DeviceCall::Of(TR_INFO::DeviceCall::kMove, static_cast<signed char>(b[0]),
                                   static_cast<signed char>(b[1]), 1);
  }
  TR_INFO::DeviceCall c{};
  std::memcpy(&c.dx, b + 1, sizeof c.dx);
  std::memcpy(&c.dy, b + 5, sizeof c.dy);
  std::memcpy(&c.st, b + 9, sizeof c.st);
  c.kind = static_cast<TR_INFO::DeviceCall::Kind>(b[11]);
  *p += TR_INFO::kLongCallBytes;
  return c;
}

}  // namespace

void TRecording::Replay(TR_INFO* g) const {
  // The calls go to g's recording as they are kept here, at once; then to the device alone.
  if (g->recording != nullptr) g->recording->insert(g->recording->end(), calls_.begin(), calls_.end());
  const unsigned char* p = calls_.data();
  const unsigned char* const fin = p + calls_.size();
  while (p < fin) {
    if (p[0] != TR_INFO::kLongCall) {  // a short drawn move, nearly every call
      g->tr_move(static_cast<signed char>(p[0]), static_cast<signed char>(p[1]), 1);
      p += 2;
      continue;
    }
    const TR_INFO::DeviceCall c = Lit(&p);
    switch (c.kind) {
      case TR_INFO::DeviceCall::kMove:
        g->tr_move(c.dx, c.dy, c.st);
        break;
      case TR_INFO::DeviceCall::kPen:
        g->tr_pen(c.dx);
        break;
      case TR_INFO::DeviceCall::kWidth:
        g->tr_width(c.W());
        break;
      case TR_INFO::DeviceCall::kDash: {
        // The pattern's lengths follow the call (at most the kernel's 10).
        double len[10] = {};
        int n = 0;
        while (n < c.dx && n < 10 && fin - p >= static_cast<long>(TR_INFO::kLongCallBytes) &&
               p[0] == TR_INFO::kLongCall && p[11] == TR_INFO::DeviceCall::kDashLength)
          len[n++] = Lit(&p).W();
        g->tr_dash(n, len, c.st != 0);
        break;
      }
      case TR_INFO::DeviceCall::kDashLength:  // read with its kDash call
        break;
    }
  }
  Load(g, after_);
}

void TRecording::CopyState(const TR_INFO& from, TR_INFO* to) { Load(to, Save(from)); }
