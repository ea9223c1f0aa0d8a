// Root-locus chart of the checked functions, drawn through the plotting kernel on a frame whose
// user coordinates are the page centimetres; the complex plane is mapped onto it with one scale
// for both axes, so that angles show true.
#include "charts/TrEvans.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "charts/Axes.h"
#include "charts/TableCsv.h"
#include "expr/ItMath.h"
#include "expr/PolyItMath.h"
#include "model/Param.h"

namespace {

// Relative distance under which a root of the numerator and one of the denominator are one.
constexpr double kRootTolerance = 1e-6;
// Longest chord of a branch on the page (cm).
constexpr double kCorde = 0.1;
// Margin around what the view must show, as a share of its extent.
constexpr double kMarge = 0.12;
// Expression errors of what is not a rational fraction: "^" and a function of s.
constexpr int kErrOperateur = 2;
constexpr int kErrFonctionImaginaire = 12;
// Marker sizes (cm) and half side of the filled square of a closed-loop pole.
constexpr double kMarque = 0.35;
constexpr double kCarre = 0.11;
// Spacing of the strokes that fill it (cm): below the finest line width a file shows (0.1 mm).
constexpr double kTrait = 0.008;

const char* NomDe(const TFctTransfert* f) { return f->Nom != nullptr ? f->Nom : ""; }

}  // namespace

bool TrEvans::LieuDe(TFctTransfert* f, TLieuEvans* lieu) {
  TQuotPolyH q(f, true);
  if (q.Err == kErrOperateur || q.Err == kErrFonctionImaginaire) {
    std::printf("Erreur : lieu d'Evans impossible (fonction non rationnelle) (%s)\n", NomDe(f));
    return false;
  }
  if (q.Err != 0) {
    std::printf("Erreur : %s (%s)\n", TItMath::ErrMsg(q.Err), NomDe(f));
    return false;
  }
  // A function with a delay has no finite set of closed-loop roots.
  if (q.RetardMixte || q.Retard != 0) {
    std::printf("Erreur : lieu d'Evans impossible avec un retard (%s)\n", NomDe(f));
    return false;
  }
  if (!q.Num.IsDefined() || !q.Den.IsDefined()) return false;
  // The pairs an expression multiplies and divides by are cancelled, as for the report.
  if (f->Expression != nullptr) q.Simplifie(kRootTolerance);
  if (!lieu->Calcule(q.Num, q.Den)) {
    std::printf("Erreur : %s (%s)\n", TItMath::ErrMsg(1), NomDe(f));
    return false;
  }
  return true;
}

void TrEvans::Calcule() {
  lieux_.clear();
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* f = Param.GetFctTransfert(i);
    if (f == nullptr || !f->Checked) continue;
    TLieuFct l{f, {}, {}, {}};
    if (!LieuDe(f, &l.lieu)) continue;
    l.lieu.Racines(1, &l.bf);
    lieux_.push_back(std::move(l));
  }
  Vue();
  for (TLieuFct& l : lieux_) l.lieu.Branches(xn_, xm_, yn_, ym_, kCorde / echelle_, &l.branches);
}

void TrEvans::Table(TTableCsv* t) {
  Calcule();
  std::vector<std::string> fonction;
  std::vector<double> branche, k, re, im;
  for (const TLieuFct& l : lieux_) {
    const std::string nom = l.f->Nom != nullptr ? l.f->Nom : "";
    for (size_t b = 0; b < l.branches.size(); ++b) {
      for (const TLieuEvans::TPoint& p : l.branches[b]) {
        fonction.push_back(nom);
        branche.push_back(static_cast<double>(b + 1));
        k.push_back(p.k);
        re.push_back(p.s.Re);
        im.push_back(p.s.Im);
      }
    }
  }
  t->ColonneTexte("fonction", std::move(fonction));
  t->Colonne("branche", std::move(branche));
  t->Colonne("k", std::move(k));
  t->Colonne("re", std::move(re));
  t->Colonne("im", std::move(im));
}

void TrEvans::Trace(TMDGraph* G) {
  if (G == nullptr || G->Gr == nullptr) return;
  TR_INFO* gr = G->Gr;
  Calcule();

  Etiquettes.Vide();
  if (!OuvrePage(G)) return;
  // The page of every device is 19 x 28 cm, as Calcule took it.
  gr->VWPORTA(2, txm_ - 1, 1, tym_ - 0.5);
  gr->WINDOW(2, txm_ - 1, 1, tym_ - 0.5);
  Axes(gr);
  // The gains before the loci, so that their white grounds cut grid lines only.
  for (const TLieuFct& l : lieux_) Gains(gr, l);
  // The legend names each function's locus (solid); functions drawn in the same pen carry
  // markers along their branches, which the legend shows.
  TLegende legende;
  std::vector<int> marques(lieux_.size(), -1);
  if (Param.CBLegende && !lieux_.empty()) {
    legende.Prepare(gr);
    std::vector<int> plumes;
    for (const TLieuFct& l : lieux_) plumes.push_back(Param.CBCouleurs ? PlumeCourbe(l.f) : 1);
    marques = TLegende::Marques(plumes);
    // Of the markers, only those that do not stand for the locus's own points (crosses, circles,
    // squares, diamonds and triangles): triangles point down, stars and pluses, in turn.
    constexpr int kMarquesLibres[] = {6, 7, 2};
    int n = 0;
    for (int& m : marques)
      if (m >= 0) m = kMarquesLibres[n++ % 3];
    for (size_t k = 0; k < lieux_.size(); ++k)
      legende.Ajoute({NomDe(lieux_[k].f), PlumeCourbe(lieux_[k].f), Param.EpCourbe, 0, 0,
                      marques[k]});
  }
  for (size_t k = 0; k < lieux_.size(); ++k)
    Lieu(gr, lieux_[k], legende.Entrees() > 0 ? &legende : nullptr, marques[k],
         0.8 + 0.6 * static_cast<double>(k));
  if (legende.Entrees() > 0) {
    legende.NoteEtiquettes(Etiquettes);
    legende.Trace(gr, Param.CBCouleurs, &Etiquettes);
  }
  CloseErr = gr->TRCLOSE();
}

// The view: the poles, zeros, crossings, separation points and closed-loop poles of every
// locus, and the origin, with a margin; the imaginary extent symmetric about the real axis;
// then widened along one axis so that both axes have the frame's scale.
void TrEvans::Vue() {
  double xa = 0, xb = 0, yb = 0;
  auto voit = [&](const TComplex& s) {
    if (!std::isfinite(s.Re) || !std::isfinite(s.Im)) return;
    xa = std::min(xa, s.Re);
    xb = std::max(xb, s.Re);
    yb = std::max(yb, std::fabs(s.Im));
  };
  for (const TLieuFct& l : lieux_) {
    for (const TComplex& s : l.lieu.Poles) voit(s);
    for (const TComplex& s : l.lieu.Zeros) voit(s);
    for (const auto& c : l.lieu.Croisements) voit(c.s);
    for (const auto& c : l.lieu.Separations) voit(c.s);
    for (const TComplex& s : l.bf) voit(s);
  }
  double w = xb - xa, h = 2 * yb;
  const double e = std::max(w, h);
  if (!(e > 0) || !std::isfinite(e) || e > 1e150) {
    xa = -1;
    xb = 1;
    yb = 1;
    w = h = 2;
  } else {
    // A flat extent gets a height of its own.
    const double m = kMarge * e;
    xa -= m;
    xb += m;
    yb += m;
    w = xb - xa;
    h = 2 * yb;
  }
  const double fw = txm_ - 3, fh = tym_ - 1.5;  // the frame, centimetres
  if (h / w < fh / fw) {
    h = w * fh / fw;
  } else {
    const double c = (xa + xb) / 2;
    w = h * fw / fh;
    xa = c - w / 2;
    xb = c + w / 2;
  }
  xn_ = xa;
  xm_ = xb;
  yn_ = -h / 2;
  ym_ = h / 2;
  echelle_ = fw / w;
}

// Grid lines at a nice step on both axes, the real and imaginary axes, the frame, the values
// below and left of the frame, and the names of the axes.
void TrEvans::Axes(TR_INFO* G) {
  const bool col = Param.CBCouleurs;
  const TGrille g{col, Param.ColorBode1, Param.EpBod1, Param.ColorBode2, Param.EpBod2};
  auto pen1 = [&] { Plume(G, g.couleurs, g.col1, g.ep1); };
  auto pen2 = [&] { Plume(G, g.couleurs, g.col2, g.ep2); };
  if (!col) G->PLUME(1);
  G->SETPRT(0);
  G->CADDEFTXTA(0.35, 0, 0);
  const double l = 2, r = txm_ - 1, b = 1, t = tym_ - 0.5;
  const double pas = ArrondiNet(1.2 * (xm_ - xn_) / 8, nullptr, 0, false);
  if (std::isfinite(pas) && pas > 0) {
    const long i0 = static_cast<long>(std::ceil(xn_ / pas)),
               i1 = static_cast<long>(std::floor(xm_ / pas));
    const long j0 = static_cast<long>(std::ceil(yn_ / pas)),
               j1 = static_cast<long>(std::floor(ym_ / pas));
    if (i1 - i0 < 1000 && j1 - j0 < 1000) {
      pen2();
      for (long i = i0; i <= i1; ++i) {
        if (i == 0) continue;
        G->MOVE(X(i * pas), b);
        G->DRAW(X(i * pas), t);
      }
      for (long j = j0; j <= j1; ++j) {
        if (j == 0) continue;
        G->MOVE(l, Y(j * pas));
        G->DRAW(r, Y(j * pas));
      }
      pen1();
      G->CADPOSTXT(0.5, 1.5, 0);
      for (long i = i0; i <= i1; ++i) {
        G->MOVE(X(i * pas), b);
        G->YRDRAW(-0.15);
        EtiquetteValeur(G, i * pas, pas, "", &Etiquettes);
      }
      G->CADPOSTXT(1, 0.5, 0);
      for (long j = j0; j <= j1; ++j) {
        G->MOVE(l, Y(j * pas));
        G->XRDRAW(-0.15);
        EtiquetteValeur(G, j * pas, pas, "", &Etiquettes);
      }
    }
  }
  pen1();
  G->MOVE(l, b);
  G->DRAW(r, b);
  G->DRAW(r, t);
  G->DRAW(l, t);
  G->DRAW(l, b);
  // The axes (the view always holds the origin); the real axis only where no branch runs
  // along it, so that the branches show in their own colour there.
  std::vector<std::pair<double, double>> pris;
  for (const TLieuFct& f : lieux_)
    for (const auto& br : f.branches)
      for (size_t i = 1; i < br.size(); ++i)
        if (br[i - 1].s.Im == 0 && br[i].s.Im == 0)
          pris.push_back(std::minmax(X(br[i - 1].s.Re), X(br[i].s.Re)));
  std::sort(pris.begin(), pris.end());
  double x = l;
  for (const auto& p : pris) {
    if (p.first > x) {
      G->MOVE(x, Y(0));
      G->DRAW(std::min(p.first, r), Y(0));
    }
    x = std::max(x, p.second);
    if (x >= r) break;
  }
  if (x < r) {
    G->MOVE(x, Y(0));
    G->DRAW(r, Y(0));
  }
  G->MOVE(X(0), b);
  G->DRAW(X(0), t);
  // The names of the axes inside the frame, on white grounds over the grid.
  G->CADPOSTXT(1, 0, 0);
  EtiquetteLibre(G, &Etiquettes, r - 0.15, Y(0) + 0.12, "Re", 0.35, true);
  G->CADPOSTXT(0, 1, 0);
  EtiquetteLibre(G, &Etiquettes, X(0) + 0.12, t - 0.15, "Im", 0.35, true);
}

// One locus: dotted asymptotes, branches, then the marks of its exact points on top.
void TrEvans::Lieu(TR_INFO* G, const TLieuFct& l, TLegende* leg, int repere, double decalage) {
  const bool col = Param.CBCouleurs;
  const TLieuEvans& lieu = l.lieu;
  const double l0 = 2, r0 = txm_ - 1, b0 = 1, t0 = tym_ - 0.5;
  auto pen = [&] { Plume(G, col, PlumeCourbe(l.f), Param.EpCourbe); };
  pen();
  G->SETPRT(1);  // what leaves the view is cut at the frame
  if (lieu.NbAsymptotes > 0) {
    const double len = 2 * std::hypot(r0 - l0, t0 - b0);
    Pointilles(G, 0.15, Param.EpCourbe);
    for (double a : lieu.Angles) {
      const double x[2] = {X(lieu.Centre), X(lieu.Centre) + len * std::cos(a)};
      const double y[2] = {Y(0), Y(0) + len * std::sin(a)};
      G->MOVE(x[0], y[0]);
      G->DRAW(x[1], y[1]);
      if (leg != nullptr) {
        leg->Courbe(-1, 0);
        leg->Note(G, x, y, 2);
      }
    }
    G->SETLIN(0, 1);
  }
  std::vector<double> x, y;
  for (const auto& br : l.branches) {
    x.clear();
    y.clear();
    for (const auto& p : br) {
      x.push_back(X(p.s.Re));
      y.push_back(Y(p.s.Im));
    }
    G->MOVE(x[0], y[0]);
    if (x.size() > 1) G->DRAWS(x.size() - 1, x.data() + 1, y.data() + 1);
    if (leg != nullptr) {
      leg->Courbe(repere, decalage);
      leg->Note(G, x.data(), y.data(), x.size());
      leg->TraceMarques(G);
    }
  }

  auto marque = [&](int type, const TComplex& s) {
    G->SETMRK(type, kMarque);
    G->PLOT(X(s.Re), Y(s.Im));
  };
  for (const TComplex& s : lieu.Poles) marque(1, s);
  for (const TComplex& s : lieu.Zeros) {
    G->MOVE(X(s.Re), Y(s.Im));
    G->CIRCLE(kMarque / 2);
  }
  for (const auto& s : lieu.Separations) marque(8, s.s);
  for (const auto& c : lieu.Croisements) {
    marque(3, c.s);
    if (c.s.Im != 0) marque(3, TComplex(c.s.Re, -c.s.Im));
  }
  // Closed-loop poles: squares filled by close horizontal strokes.
  for (const TComplex& s : l.bf) {
    const double x0 = X(s.Re), y0 = Y(s.Im);
    G->MOVE(x0 - kCarre, y0 - kCarre);
    G->DRAW(x0 + kCarre, y0 - kCarre);
    G->DRAW(x0 + kCarre, y0 + kCarre);
    G->DRAW(x0 - kCarre, y0 + kCarre);
    G->DRAW(x0 - kCarre, y0 - kCarre);
    for (double v = -kCarre + kTrait; v < kCarre; v += kTrait) {
      G->MOVE(x0 - kCarre, y0 + v);
      G->DRAW(x0 + kCarre, y0 + v);
    }
  }
  G->SETPRT(0);
}

// The gain of each crossing of a locus in the graduations' pen, on a white ground, beside the
// crossing: above it to its right (to its left near the right edge of the frame), or at the
// first of the other three corners where it overlaps no label placed before; else left out.
void TrEvans::Gains(TR_INFO* G, const TLieuFct& l) {
  const TLieuEvans& lieu = l.lieu;
  if (lieu.Croisements.empty()) return;
  const double r0 = txm_ - 1;
  Plume(G, Param.CBCouleurs, Param.ColorBode1, Param.EpBod1);
  G->SETPRT(0);
  for (const auto& c : lieu.Croisements) {
    const double x = X(c.s.Re), y = Y(c.s.Im);
    char t[48];
    std::snprintf(t, sizeof t, "k=%.4G", c.k);
    const double d = x > r0 - 2.5 ? -1 : 1;  // the side first tried
    for (const auto& coin : {std::make_pair(d, 1.0), std::make_pair(-d, 1.0),
                             std::make_pair(d, -1.0), std::make_pair(-d, -1.0)}) {
      G->CADPOSTXT(coin.first > 0 ? 0 : 1, coin.second > 0 ? 0 : 1, 0);
      if (EtiquetteLibre(G, &Etiquettes, x + 0.2 * coin.first, y + 0.2 * coin.second, t, 0.35,
                         true))
        break;
    }
  }
}
