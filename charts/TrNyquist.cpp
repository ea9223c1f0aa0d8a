// Nyquist chart: grid (axes through the origin, unit circle, compression circle), critical point,
// and for each checked function its locus, mirror image, arrows and infinite arcs.
#include "charts/TrNyquist.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "charts/Axes.h"
#include "charts/TableCsv.h"
#include "model/FctTransfert.h"
#include "model/Param.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kRadToDeg = 180 / kPi;

// Page position (centimetres) of the user point (x, y); the pen moves there.
void PosA(TR_INFO* G, double x, double y, double* ax, double* ay) {
  G->MOVE(x, y);
  G->GET_POSA(ax, ay);
}

// Arc of radius r round the origin from angle a1, turning by da (radians, negative clockwise).
void Arc(TR_INFO* G, double r, double a1, double da) {
  const int n = 2 + static_cast<int>(std::ceil(std::fabs(da) * 40));
  for (int i = 0; i <= n; ++i) {
    const double a = a1 + da * i / n;
    if (i == 0)
      G->MOVE(r * std::cos(a), r * std::sin(a));
    else
      G->DRAW(r * std::cos(a), r * std::sin(a));
  }
}

// Arrow head at the point k of (x, y) pointing to the next point when sens > 0, to the previous
// one otherwise.
void Fleche(TR_INFO* G, const std::vector<double>& x, const std::vector<double>& y, size_t k,
            int sens) {
  const size_t j = sens > 0 ? k + 1 : k - 1;
  if (j >= x.size() || !std::isfinite(x[k]) || !std::isfinite(x[j])) return;
  double ax, ay, bx, by;
  PosA(G, x[j], y[j], &bx, &by);
  PosA(G, x[k], y[k], &ax, &ay);
  if (ax == bx && ay == by) return;
  const double ang = std::atan2(by - ay, bx - ax) * kRadToDeg;
  G->MOVE(x[k], y[k]);
  G->FLECHE(0.35, 0.12, 0.1, ang);
}

// Index of the point that is the fraction t of the way along the polyline (page length).
size_t PointAuTiers(const std::vector<double>& x, const std::vector<double>& y, double t) {
  std::vector<double> s(x.size(), 0);
  for (size_t i = 1; i < x.size(); ++i) {
    const double d = std::hypot(x[i] - x[i - 1], y[i] - y[i - 1]);
    s[i] = s[i - 1] + (std::isfinite(d) ? d : 0);
  }
  for (size_t i = 0; i < x.size(); ++i)
    if (s[i] >= t * s.back()) return i;
  return x.size() / 2;
}

}  // namespace

bool TrNyquist::Calcule() {
  courbes_.clear();
  R = 1.5;
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* f = Param.GetFctTransfert(i);
    if (f == nullptr || !f->Checked) continue;
    courbes_.push_back({f, {}, 0});
    TCourbe& c = courbes_.back();
    if (!NyquistLocusOf(f, Param.EdNBP, &c.lieu)) return false;
    TNyquistContour contour;
    if (NyquistContourOf(f, &contour)) c.excesInfini = contour.excesInfini;
    if (c.lieu.R > R) R = c.lieu.R;
  }
  L = 2.15 * R;
  return true;
}

bool TrNyquist::Table(TTableCsv* t) {
  if (!Calcule()) return false;
  // One block of rows a function, its points in the chart's order; between two branches, a row
  // at the axis pole that separates them, where the function's fields stay empty.
  std::vector<double> w;
  std::vector<size_t> debut;  // first row of each function's block
  for (const TCourbe& c : courbes_) {
    debut.push_back(w.size());
    const std::vector<TLocusPoint>* avant = nullptr;
    for (const std::vector<TLocusPoint>& b : c.lieu.branches) {
      if (b.empty()) continue;
      if (avant != nullptr) {
        for (const TAxisPole& p : c.lieu.poles)
          if (p.w > avant->back().w && p.w < b.front().w) w.push_back(p.w);
      }
      for (const TLocusPoint& p : b) w.push_back(p.w);
      avant = &b;
    }
  }
  const size_t n = w.size();
  t->Colonne("w_rad_s", std::move(w));
  for (size_t i = 0; i < courbes_.size(); ++i) {
    const TCourbe& c = courbes_[i];
    std::vector<double> re(n, std::nan("")), im(n, std::nan(""));
    size_t k = debut[i];
    const std::vector<TLocusPoint>* avant = nullptr;
    for (const std::vector<TLocusPoint>& b : c.lieu.branches) {
      if (b.empty()) continue;
      if (avant != nullptr) {
        for (const TAxisPole& p : c.lieu.poles)
          if (p.w > avant->back().w && p.w < b.front().w) ++k;
      }
      for (const TLocusPoint& p : b) {
        re[k] = p.h.Re;
        im[k] = p.h.Im;
        ++k;
      }
      avant = &b;
    }
    const std::string nom = c.f->Nom != nullptr ? c.f->Nom : "";
    t->Colonne(nom + "_re", std::move(re));
    t->Colonne(nom + "_im", std::move(im));
  }
  return true;
}

void TrNyquist::Trace(TMDGraph* G) {
  if (G == nullptr || G->Gr == nullptr) return;
  TR_INFO* gr = G->Gr;
  if (!Calcule()) return;

  Etiquettes.Vide();
  if (!OuvrePage(G)) return;
  // A square of 17 cm: both axes at the same scale, so that circles stay round.
  gr->VWPORTA(1, 18, 5.5, 22.5);
  gr->WINDOW(-L, L, -L, L);
  Axes(gr);
  // The legend names each function's locus (the open loop, solid); functions drawn in the same
  // pen carry markers, which the legend shows.
  TLegende legende;
  std::vector<int> marques(courbes_.size(), -1);
  if (Param.CBLegende && !courbes_.empty()) {
    legende.Prepare(gr);
    std::vector<int> plumes;
    for (const TCourbe& c : courbes_) plumes.push_back(Param.CBCouleurs ? PlumeCourbe(c.f) : 1);
    marques = TLegende::Marques(plumes);
    for (size_t k = 0; k < courbes_.size(); ++k)
      legende.Ajoute({courbes_[k].f->Nom != nullptr ? courbes_[k].f->Nom : "",
                      PlumeCourbe(courbes_[k].f), Param.EpCourbe, 0, 0, marques[k]});
  }
  for (size_t k = 0; k < courbes_.size(); ++k)
    Courbe(gr, courbes_[k], legende.Entrees() > 0 ? &legende : nullptr, marques[k],
           0.8 + 0.6 * static_cast<double>(k));
  if (legende.Entrees() > 0) {
    legende.NoteEtiquettes(Etiquettes);
    legende.Trace(gr, Param.CBCouleurs, &Etiquettes);
  }
  CloseErr = gr->TRCLOSE();
}

void TrNyquist::Axes(TR_INFO* G) {
  const bool coul = Param.CBCouleurs;
  if (!coul) G->PLUME(1);
  Plume(G, coul, Param.ColorBode1, Param.EpBod1);
  G->SETLIN(0, 1);
  // Axes through the origin, over the whole window.
  G->MOVE(-L, 0);
  G->DRAW(L, 0);
  G->MOVE(0, -L);
  G->DRAW(0, L);
  // Graduations at true values inside R; a label every step.
  const double pas = R <= 2 ? 0.5 : 1;
  const int n = static_cast<int>(R / pas);
  const double t = 0.012 * L;  // half-length of a tick
  G->SETPRT(0);
  for (int i = -n; i <= n; ++i) {
    if (i == 0) continue;
    G->MOVE(i * pas, -t);
    G->DRAW(i * pas, t);
    G->MOVE(-t, i * pas);
    G->DRAW(t, i * pas);
  }
  // The unit circle, dashed.
  G->SETLIN(1, 0.5);
  Arc(G, 1, 0, 2 * kPi);
  // Where the compression starts: a lighter dotted circle of radius R.
  Plume(G, coul, Param.ColorBode2, Param.EpBod2);
  G->SETLIN(5, 0.5);
  Arc(G, R, 0, 2 * kPi);
  G->SETLIN(0, 1);
  // The critical point: a black square marker, as on the Black chart.
  Plume(G, true, 1, 0.4);
  G->SETMRK(4, 0.3);
  G->PLOT(-1, 0);
  double cx, cy;
  G->GET_POSA(&cx, &cy);
  Etiquettes.Ajoute(TBoite{cx, cy, 1, 0, 0.17, 0.17});  // the marker and its stroke
  Libelles(G, n, pas, t);
  G->SETPRT(1);
}

// The labels of the axes, of their graduations and of the compression circle, each on a white
// ground over the lines drawn before, where it overlaps no label placed before: a graduation's
// value beside its tick, under the real axis and right of the imaginary one (above, or left,
// when that place is taken); the name of each axis at its end; R on the circle at 45 degrees,
// or in the next quadrant that is free.
void TrNyquist::Libelles(TR_INFO* G, int n, double pas, double t) {
  const bool coul = Param.CBCouleurs;
  constexpr double h = 0.3;
  // Clear of the ticks (t) and of the critical point's marker: 0.23 cm from the axis (the
  // window is 2 L wide on 17 cm).
  const double e = std::max(0.23 * 2 * L / 17, 2 * t);
  auto place = [&](double x, double y, double tx, double ty, const char* texte) {
    G->CADPOSTXT(tx, ty, 0);
    return EtiquetteLibre(G, &Etiquettes, x, y, texte, h, true);
  };
  Plume(G, coul, Param.ColorBode1, Param.EpBod1);
  place(L, e, 1, 0, "Re");
  place(e, L, 0, 1, "Im");
  for (int i = -n; i <= n; ++i) {
    if (i == 0) continue;
    const double v = i * pas;
    char texte[48];
    std::snprintf(texte, sizeof texte, "%G", v);
    if (!place(v, -e, 0.5, 1, texte)) place(v, e, 0.5, 0, texte);
    if (!place(e, v, 0, 0.5, texte)) place(-e, v, 1, 0.5, texte);
  }
  Plume(G, coul, Param.ColorBode2, Param.EpBod2);
  char texte[48];
  std::snprintf(texte, sizeof texte, "R = %G", R);
  for (double a : {kPi / 4, 3 * kPi / 4, -kPi / 4, -3 * kPi / 4}) {
    const double c = std::cos(a), s = std::sin(a);
    if (place(R * c + e * c, R * s + e * s, c < 0 ? 1 : 0, s < 0 ? 1 : 0, texte)) break;
  }
}

void TrNyquist::Courbe(TR_INFO* G, const TCourbe& c, TLegende* leg, int marque,
                       double decalage) {
  const TNyquistLocus& l = c.lieu;
  Plume(G, Param.CBCouleurs, PlumeCourbe(c.f), Param.EpCourbe);
  // Compressed points of each branch, and of its mirror image.
  std::vector<std::vector<double>> xs, ys;
  for (const auto& br : l.branches) {
    xs.emplace_back();
    ys.emplace_back();
    for (const TLocusPoint& p : br) {
      const TComplex q = CompressPoint(p.h, R);
      const bool ok = std::isfinite(q.Re) && std::isfinite(q.Im);
      xs.back().push_back(ok ? q.Re : NAN);
      ys.back().push_back(ok ? q.Im : NAN);
    }
  }
  for (int miroir = 0; miroir < 2; ++miroir) {
    // Positive frequencies solid, negative ones dotted.
    auto style = [&] {
      if (miroir == 0)
        G->SETLIN(0, 1);
      else
        Pointilles(G, 0.15, Param.EpCourbe);
    };
    style();
    for (size_t b = 0; b < xs.size(); ++b) {
      std::vector<double> y = ys[b];
      if (miroir == 1)
        for (double& v : y) v = -v;
      bool down = false;
      TraceFinis(G, xs[b].data(), y.data(), xs[b].size(), &down);
      if (leg != nullptr) {
        leg->Courbe(miroir == 0 ? marque : -1, decalage);
        leg->Note(G, xs[b].data(), y.data(), xs[b].size());
        leg->TraceMarques(G);
      }
      if (xs[b].size() < 3) continue;
      // Increasing w: along the branch, and backwards along its mirror image.
      G->SETLIN(0, 1);
      for (double t : {0.3, 0.7}) {
        const size_t k = PointAuTiers(xs[b], y, t);
        Fleche(G, xs[b], y, k == 0 ? 1 : k, miroir == 0 ? 1 : -1);
      }
      style();
    }
  }
  // Infinite arcs, dashed, at the compressed radius of infinity (2R): round each axis pole
  // (clockwise by its order times 180 degrees) and, for an improper function, at infinity.
  Tirets(G, 0.15, 0.15, Param.EpCourbe);
  const double r = 2 * R;
  auto arg = [](const TLocusPoint& p) { return std::atan2(p.h.Im, p.h.Re); };
  size_t b = 0;
  for (const TAxisPole& p : l.poles) {
    if (p.w == 0) {
      // From the mirror image at -j0 round to +j0.
      if (l.branches.empty() || l.branches[0].empty()) continue;
      const double a = arg(l.branches[0].front());
      Arc(G, r, -a, -p.ordre * kPi);
      continue;
    }
    if (b + 1 >= l.branches.size()) break;
    if (!l.branches[b].empty()) {
      const double a = arg(l.branches[b].back());
      Arc(G, r, a, -p.ordre * kPi);  // round +j w0
      // Round -j w0, from the mirror of the point after the pole.
      if (!l.branches[b + 1].empty()) Arc(G, r, -arg(l.branches[b + 1].front()), -p.ordre * kPi);
    }
    ++b;
  }
  if (c.excesInfini > 0 && !l.branches.empty() && !l.branches.back().empty()) {
    Arc(G, r, arg(l.branches.back().back()), -c.excesInfini * kPi);
  }
  G->SETLIN(0, 1);
}
