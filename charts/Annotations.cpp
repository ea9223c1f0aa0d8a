// Labels of marked points and the legend box, placed inside the chart's frame.
#include "charts/Annotations.h"

#include <algorithm>
#include <cmath>

namespace {

// Affine map from the current window to absolute centimetres.
struct TVersCm {
  double ax, bx, ay, by;
  explicit TVersCm(TR_INFO* G) {
    double wx0, wx1, wy0, wy1, vx0, vx1, vy0, vy1;
    G->GET_WINDOW(&wx0, &wx1, &wy0, &wy1);
    G->GET_VWPORTA(&vx0, &vx1, &vy0, &vy1);
    ax = (vx1 - vx0) / (wx1 - wx0);
    bx = vx0 - wx0 * ax;
    ay = (vy1 - vy0) / (wy1 - wy0);
    by = vy0 - wy0 * ay;
  }
  double X(double x) const { return ax * x + bx; }
  double Y(double y) const { return ay * y + by; }
  double U(double cx) const { return (cx - bx) / ax; }
  double V(double cy) const { return (cy - by) / ay; }
};

// The part of the segment (x0, y0)-(x1, y1) inside the box r, as the parameters [*t0, *t1]
// along it (Liang-Barsky clipping); false when it has none.
bool PartieDans(const TCadre& r, double x0, double y0, double x1, double y1, double* t0,
                double* t1) {
  const double dx = x1 - x0, dy = y1 - y0;
  *t0 = 0;
  *t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - r.xn, r.xm - x0, y0 - r.yn, r.ym - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      *t0 = std::max(*t0, t);
    } else {
      *t1 = std::min(*t1, t);
    }
    if (*t0 > *t1) return false;
  }
  return true;
}

// Whether the oriented box b lies within r.
bool BoiteDans(const TBoite& b, const TCadre& r) {
  const double ex = b.l * std::fabs(b.ux) + b.h * std::fabs(b.uy);
  const double ey = b.l * std::fabs(b.uy) + b.h * std::fabs(b.ux);
  return b.cx - ex >= r.xn && b.cx + ex <= r.xm && b.cy - ey >= r.yn && b.cy + ey <= r.ym;
}

TBoite BoiteDe(const TCadre& r) {
  return TBoite{(r.xn + r.xm) / 2, (r.yn + r.ym) / 2, 1, 0, (r.xm - r.xn) / 2, (r.ym - r.yn) / 2};
}

}  // namespace

TCadre CadreCourant(TR_INFO* G) {
  TCadre c;
  G->GET_VWPORTA(&c.xn, &c.xm, &c.yn, &c.ym);
  if (c.xn > c.xm) std::swap(c.xn, c.xm);
  if (c.yn > c.ym) std::swap(c.yn, c.ym);
  return c;
}

bool EtiquetteRepere(TR_INFO* G, double x, double y, const char* texte, double hauteur,
                     TEtiquettes* places) {
  const TD_INFO slot = G->CADPOL[0];
  const TVersCm cm(G);
  const TCadre cadre = CadreCourant(G);
  const double d = 0.15;  // gap between the point and the label, cm
  // Places tried: justification of the text and its anchor's offset from the point, cm.
  const struct {
    double tx, ty, dx, dy;
  } essais[] = {{0, 0.5, d, 0}, {1, 0.5, -d, 0}, {0.5, 0, 0, d}, {0.5, 1, 0, -d}};
  bool place = false;
  for (const auto& e : essais) {
    const double ux = cm.U(cm.X(x) + e.dx), uy = cm.V(cm.Y(y) + e.dy);
    G->CADPOSTXT(e.tx, e.ty, 0);
    const TBoite b = BoiteTexte(G, ux, uy, texte, hauteur, 0, kMargeEtiquette);
    if (!BoiteDans(b, cadre) || !places->Libre(G, b)) continue;
    places->Ajoute(b);
    FondBlanc(G, b);
    G->MOVE(ux, uy);
    TexteFin(G, texte);
    place = true;
    break;
  }
  G->CADPOL[0] = slot;
  G->MOVE(x, y);
  return place;
}

void TLegende::Prepare(TR_INFO* G) {
  cadre_ = CadreCourant(G);
  nx_ = std::max(1, std::min(4000, static_cast<int>(std::ceil((cadre_.xm - cadre_.xn) / kCellule))));
  ny_ = std::max(1, std::min(4000, static_cast<int>(std::ceil((cadre_.ym - cadre_.yn) / kCellule))));
  cellules_.assign(static_cast<size_t>(nx_) * static_cast<size_t>(ny_), 0.0);
  etiquettes_.clear();
  suite_ = false;
}

void TLegende::Note(TR_INFO* G, const double* x, const double* y, size_t n) {
  if (cellules_.empty()) return;
  const TVersCm cm(G);
  // Adds a piece of length l whose middle is (cx, cy) to its cell, when it is in the frame.
  auto ajoute = [&](double cx, double cy, double l) {
    const double i = std::floor((cx - cadre_.xn) / kCellule);
    const double j = std::floor((cy - cadre_.yn) / kCellule);
    if (i >= 0 && i < nx_ && j >= 0 && j < ny_)
      cellules_[static_cast<size_t>(j) * static_cast<size_t>(nx_) + static_cast<size_t>(i)] += l;
  };
  for (size_t k = 0; k < n; ++k) {
    const double cx = cm.X(x[k]), cy = cm.Y(y[k]);
    if (!std::isfinite(cx) || !std::isfinite(cy)) {
      suite_ = false;
      continue;
    }
    const double tot = suite_ ? std::hypot(cx - px_, cy - py_) : 0;
    if (!std::isfinite(tot)) {
      suite_ = false;
      continue;
    }
    double t0, t1;
    const bool dans = suite_ && PartieDans(cadre_, px_, py_, cx, cy, &t0, &t1);
    if (suite_ && marque_ >= 0) {
      // Markers every kPasMarques cm of the curve, kept where they stand whole in the frame.
      double d = 0, reste = tot;
      int m = 0;
      for (; m < 1000 && prochaine_ <= reste; ++m) {
        d += prochaine_;
        reste -= prochaine_;
        prochaine_ = kPasMarques;
        const double t = tot > 0 ? d / tot : 0;
        const double mx = px_ + t * (cx - px_), my = py_ + t * (cy - py_);
        const double r = kTailleMarque;
        if (dans && mx >= cadre_.xn + r && mx <= cadre_.xm - r && my >= cadre_.yn + r &&
            my <= cadre_.ym - r) {
          marques_.push_back(mx);
          marques_.push_back(my);
        }
      }
      prochaine_ = m >= 1000 ? kPasMarques : prochaine_ - reste;
    }
    if (dans) {
      // The part inside the frame, in pieces no longer than half a cell.
      const double l = (t1 - t0) * tot;
      const double m = std::min(std::ceil(2 * l / kCellule), 1e4);
      for (double p = 0; p < m; ++p) {
        const double t = t0 + (t1 - t0) * (p + 0.5) / m;
        ajoute(px_ + t * (cx - px_), py_ + t * (cy - py_), l / m);
      }
    }
    px_ = cx;
    py_ = cy;
    suite_ = true;
  }
}

void TLegende::NoteBoite(const TBoite& b) { etiquettes_.push_back(b); }

void TLegende::Courbe(int marque, double decalage) {
  suite_ = false;
  marque_ = marque;
  prochaine_ = decalage;
  marques_.clear();
}

void TLegende::TraceMarques(TR_INFO* G) {
  if (marques_.empty()) return;
  const TVersCm cm(G);
  int t;
  double s;
  G->GET_MRK(&t, &s);
  G->SETMRK(marque_, kTailleMarque);
  for (size_t i = 0; i + 1 < marques_.size(); i += 2) G->PLOT(cm.U(marques_[i]), cm.V(marques_[i + 1]));
  G->SETMRK(t, s);
  marques_.clear();
}

std::vector<int> TLegende::Marques(const std::vector<int>& plumes) {
  static const int kOrdre[] = {5, 4, 3, 8, 6, 1, 2, 7};
  std::vector<int> m(plumes.size(), -1);
  int k = 0;
  for (size_t i = 0; i < plumes.size(); ++i) {
    bool partage = false;
    for (size_t j = 0; j < plumes.size(); ++j) partage = partage || (j != i && plumes[j] == plumes[i]);
    if (partage) m[i] = kOrdre[k++ % 8];
  }
  return m;
}

void TLegende::Place(TR_INFO* G) {
  double largeur = 0;
  const TD_INFO slot = G->CADPOL[0];
  G->CADPOSTXT(0, 0.5, 0);
  double x, y;
  G->GET_POS(&x, &y);
  for (const TEntree& e : entrees_)
    largeur = std::max(largeur, 2 * BoiteTexte(G, x, y, e.texte.c_str(), kHauteur, 0, 0).l);
  G->CADPOL[0] = slot;
  G->MOVE(x, y);
  const double l = 2 * kMarge + kEchantillon + kMarge + largeur;
  const double h = 2 * kMarge + kLigne * static_cast<double>(entrees_.size()) - (kLigne - kHauteur);
  const TCadre& c = cadre_;
  const double g = c.xn + kMarge, dr = c.xm - kMarge, b = c.yn + kMarge, ht = c.ym - kMarge;
  boites_[HautDroit] = {dr - l, dr, ht - h, ht};
  boites_[HautGauche] = {g, g + l, ht - h, ht};
  boites_[BasDroit] = {dr - l, dr, b, b + h};
  boites_[BasGauche] = {g, g + l, b, b + h};
  for (int k = 0; k < 4; ++k) {
    occupe_[k] = Encre(boites_[k]);
    chevauche_[k] = Chevauche(boites_[k]);
  }
  coin_ = -1;
  for (int k = 0; k < 4; ++k)
    if (chevauche_[k] == 0 && (coin_ < 0 || occupe_[k] < occupe_[coin_])) coin_ = k;
  if (coin_ >= 0) {
    choisie_ = boites_[coin_];
    return;
  }
  // Along the edges: the top and bottom ones left to right, the side ones bottom up.
  double mieux = 0;
  bool trouve = false;
  auto essaie = [&](const TCadre& r) {
    if (Chevauche(r) != 0) return;
    const double e = Encre(r);
    if (!trouve || e < mieux) {
      choisie_ = r;
      mieux = e;
      trouve = true;
    }
  };
  for (double x = g; x + l <= dr + 1e-9; x += 0.25) {
    essaie({x, x + l, ht - h, ht});
    essaie({x, x + l, b, b + h});
  }
  for (double y = b; y + h <= ht + 1e-9; y += 0.25) {
    essaie({g, g + l, y, y + h});
    essaie({dr - l, dr, y, y + h});
  }
  if (trouve) return;
  coin_ = 0;
  for (int k = 1; k < 4; ++k)
    if (chevauche_[k] < chevauche_[coin_] ||
        (chevauche_[k] == chevauche_[coin_] && occupe_[k] < occupe_[coin_]))
      coin_ = k;
  choisie_ = boites_[coin_];
}

double TLegende::Encre(const TCadre& r) const {
  const TCadre& c = cadre_;
  double o = 0;
  // Every cell the box touches counts whole.
  const int i0 = std::max(0, static_cast<int>(std::floor((r.xn - c.xn) / kCellule)));
  const int i1 = std::min(nx_ - 1, static_cast<int>(std::floor((r.xm - c.xn) / kCellule)));
  const int j0 = std::max(0, static_cast<int>(std::floor((r.yn - c.yn) / kCellule)));
  const int j1 = std::min(ny_ - 1, static_cast<int>(std::floor((r.ym - c.yn) / kCellule)));
  for (int j = j0; j <= j1 && !cellules_.empty(); ++j)
    for (int i = i0; i <= i1; ++i)
      o += cellules_[static_cast<size_t>(j) * static_cast<size_t>(nx_) + static_cast<size_t>(i)];
  return o;
}

int TLegende::Chevauche(const TCadre& r) const {
  int n = 0;
  for (const TBoite& e : etiquettes_) n += Chevauchent(e, BoiteDe(r));
  return n;
}

void TLegende::Trace(TR_INFO* G, bool couleurs, TEtiquettes* places) {
  if (entrees_.empty() || cellules_.empty()) return;
  Place(G);
  const TCadre r = choisie_;
  if (places != nullptr && Chevauche(r) == 0) places->Ajoute(BoiteDe(r));
  double ep;
  G->GET_LINEWIDTH(&ep);
  const int plume = G->plm_;
  const int prt = G->prt;
  const TD_INFO slot = G->CADPOL[0];
  double wx0, wx1, wy0, wy1;
  G->GET_WINDOW(&wx0, &wx1, &wy0, &wy1);
  G->SETPRT(0);
  G->SETLIN(0, 1);
  // White ground: strokes 1 mm wide, 0.8 mm apart, their round ends within the box.
  G->PLUME(0);
  G->LINEWIDTH(1);
  const double rayon = 0.05;
  for (double yb = r.yn + rayon;; yb += 0.08) {
    if (yb > r.ym - rayon) yb = r.ym - rayon;
    G->MOVEA(r.xn + rayon, yb);
    G->DRAWA(r.xm - rayon, yb);
    if (yb >= r.ym - rayon) break;
  }
  // Frame.
  G->PLUME(1);
  G->LINEWIDTH(0.2);
  G->MOVEA(r.xn, r.yn);
  G->DRAWA(r.xm, r.yn);
  G->DRAWA(r.xm, r.ym);
  G->DRAWA(r.xn, r.ym);
  G->DRAWA(r.xn, r.yn);
  // Entries, top down.
  G->CADDEFTXTA(kHauteur, 0, 0);
  G->CADPOSTXT(0, 0.5, 0);
  double yl = r.ym - kMarge - kHauteur / 2;
  for (const TEntree& e : entrees_) {
    Plume(G, couleurs, e.plume, e.ep);
    if (!couleurs) G->PLUME(1);
    if (e.tiret > 0) Tirets(G, e.tiret, e.blanc, e.ep);
    G->MOVEA(r.xn + kMarge, yl);
    G->DRAWA(r.xn + kMarge + kEchantillon, yl);
    G->SETLIN(0, 1);
    if (e.marque >= 0) {
      int t;
      double s;
      G->GET_MRK(&t, &s);
      G->SETMRK(e.marque, kTailleMarque);
      const TVersCm cm(G);
      G->PLOT(cm.U(r.xn + kMarge + kEchantillon / 2), cm.V(yl));
      G->SETMRK(t, s);
    }
    G->PLUME(1);
    G->LINEWIDTH(e.ep);
    G->MOVEA(r.xn + 2 * kMarge + kEchantillon, yl);
    TexteFin(G, e.texte.c_str());
    yl -= kLigne;
  }
  G->CADPOL[0] = slot;
  G->SETPRT(prt);
  G->WINDOW(wx0, wx1, wy0, wy1);
  G->LINEWIDTH(ep);
  G->PLUME(plume);
}
