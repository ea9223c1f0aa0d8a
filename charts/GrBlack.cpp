// Black-Nichols chart: grid, Nichols contours with their labels, critical point and the
// open/closed-loop loci of the checked functions with their frequency marks.
#include "charts/GrBlack.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "charts/TableCsv.h"
#include "charts/TrBode.h"
#include "charts/Travaux.h"
#include "model/Marges.h"
#include "model/Param.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kRadToDeg = 57.29577951308232;

// Open-loop chart point (phase in degrees, gain in dB) of the closed-loop value F = m at
// phase ph (radians); floor > 0 bounds the open-loop modulus from below.
void PointBO(double m, double ph, double floor, double* x, double* y) {
  t_complex f{m, ph};
  t_complex* h = bo(&f);
  double mod = h->m;
  if (floor > 0 && mod <= floor) mod = floor;
  *x = kRadToDeg * h->p;
  *y = 20.0 * std::log10(mod);
}

// Chart point of an iso-gain contour at closed-loop phase phi (degrees); false at the
// singular value 1 at 0 degrees, which has no open-loop image.
bool PointIsoGain(const T_CRB* c, double phi, double* x, double* y) {
  if (std::fabs(c->v) < 1e-10 && std::fabs(phi) < 1e-10) return false;
  PointBO(std::pow(10.0, c->v / 20), phi * M_PI / 180, 1e-30, x, y);
  return std::isfinite(*x) && std::isfinite(*y);
}

// Chart point of an iso-phase contour at closed-loop gain g (dB).
bool PointIsoPhase(const T_CRB* c, double g, double* x, double* y) {
  PointBO(std::pow(10.0, g / 20), c->v * M_PI / 180, 0, x, y);
  return std::isfinite(*x) && std::isfinite(*y);
}

// Absolute page position of the user point (x, y); the pen moves there.
void PosA(TR_INFO* gr, double x, double y, double* ax, double* ay) {
  gr->MOVE(x, y);
  gr->GET_POSA(ax, ay);
}

// Label angle brought into [-90, 90] degrees so that the text never reads upside down.
double Redresse(double a) {
  while (a < -90) a += 180;
  while (a > 90) a -= 180;
  return a;
}

// Draws a polyline point by point: the first point moves, later ones draw; a missing point
// lifts the pen so the next one starts a new piece.
class Polyligne {
 public:
  explicit Polyligne(TR_INFO* gr) : gr_(gr) {}
  void Point(bool ok, double x, double y) {
    if (!ok) {
      down_ = false;
    } else if (down_) {
      gr_->DRAW(x, y);
    } else {
      gr_->MOVE(x, y);
      down_ = true;
    }
  }
  // Point for each of n points in turn, a point being missing where it is not finite; the points
  // after the first of a piece go down in one call.
  void Points(int n, const double* x, const double* y) {
    auto ok = [x, y](int k) { return std::isfinite(x[k]) && std::isfinite(y[k]); };
    int k = 0;
    while (k < n) {
      if (!ok(k) || !down_) {
        Point(ok(k), x[k], y[k]);
        ++k;
        continue;
      }
      int e = k + 1;
      while (e < n && ok(e)) ++e;
      gr_->DRAWS(static_cast<size_t>(e - k), x + k, y + k);
      k = e;
    }
  }

 private:
  TR_INFO* gr_;
  bool down_ = false;
};

}  // namespace

namespace {

bool MemesPlaces(const std::vector<TBoite>& a, const std::vector<TBoite>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(TBoite)) == 0);
}

}  // namespace

const TCacheNichols::Entree* TCacheNichols::Trouve(const TR_INFO& g, bool couleurs, int couleur,
                                                   double grille,
                                                   const TEtiquettes& places) const {
  for (const Entree& e : entrees_) {
    if (e.couleurs != couleurs || (couleurs && e.couleur != couleur) || e.grille != grille)
      continue;
    if (MemesPlaces(e.placesAvant.Boites(), places.Boites()) && e.dessin.Fits(g)) return &e;
  }
  return nullptr;
}

void TCacheNichols::Ajoute(Entree e) {
  if (entrees_.size() >= kEntrees) entrees_.erase(entrees_.begin());
  entrees_.push_back(std::move(e));
}

void GrBlack::Trace() {
  if (G == nullptr || G->Gr == nullptr) return;
  TR_INFO* gr = G->Gr;
  Etiquettes.Vide();
  if (!OuvrePage(G)) return;
  gr->VWPORTA(1.5, 17.5, 0.3, 26.5);
  gr->LINEWIDTH(0.4);
  gr->WINDOW(-220, 0, -28, 36);
  gr->SETMRK(4, 0.3);
  gr->PLOT(-180, 0);
  if (!Param.CBCouleurs) gr->PLUME(1);
  if (Param.CBEchBlack) {
    std::printf("Tracé quadrillage de Black...\n");
    gr->LINEWIDTH(Param.EpBlack);
    quadrill(10, 2);
  }
  if (Param.CBNichols) {
    std::printf("Tracé courbes Nichols...\n");
    gr->LINEWIDTH(Param.EpNichols);
    nichols();
  }
  if (Param.CBBO || Param.CBBF) {
    gr->SETPRT(1);  // the loci stay inside the frame (the grid leaves the page's clipping)
    gr->LINEWIDTH(Param.EpCourbe);
    // The legend names every locus in the order they are drawn: open loop solid, closed loop
    // dashed.
    // Functions drawn in the same pen carry markers, which the legend shows.
    TLegende legende;
    std::vector<int> marques(Param.GetNbFctTransfert(), -1);
    if (Param.CBLegende) {
      std::vector<int> plumes;
      std::vector<unsigned> qui;
      for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
        const TFctTransfert* h = Param.GetFctTransfert(i);
        if (h == nullptr || !h->Checked) continue;
        plumes.push_back(Param.CBCouleurs ? PlumeCourbe(h) : 1);
        qui.push_back(i);
      }
      const std::vector<int> m = TLegende::Marques(plumes);
      for (size_t k = 0; k < qui.size(); ++k) marques[qui[k]] = m[k];
      for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
        const TFctTransfert* h = Param.GetFctTransfert(i);
        if (h == nullptr || !h->Checked) continue;
        const std::string nom = h->Nom != nullptr ? h->Nom : "";
        if (Param.CBBO)
          legende.Ajoute({nom + " (BO)", PlumeCourbe(h), Param.EpCourbe, 0, 0, marques[i]});
        if (Param.CBBF)
          legende.Ajoute({nom + " (BF)", PlumeCourbe(h), Param.EpCourbe,
                          Param.CBPointill ? 0.15 : 0, 0.05, marques[i]});
      }
      legende.Prepare(gr);
      legende_ = &legende;
    }
    int k = 0;  // functions drawn so far
    struct Fin {
      TLegende** p;
      ~Fin() { *p = nullptr; }
    } fin{&legende_};
    bool ok = true;
    for (unsigned i = 0; ok && i < Param.GetNbFctTransfert(); ++i) {
      TFctTransfert* h = Param.GetFctTransfert(i);
      if (h == nullptr || !h->Checked) continue;
      marque_ = marques[i];
      decalage_ = 0.8 + 0.6 * k++;
      if (Param.CBBO) {
        if (Param.CBPointill) gr->SETLIN(0, 1);
        h->ModeBF = false;
        std::printf("Tracé BO de la fonction %s...\n", h->Nom != nullptr ? h->Nom : "");
        ok = TraceFctTransfert(h);
      }
      if (ok && Param.CBBF) {
        if (Param.CBPointill) Tirets(gr, 0.15, 0.05, Param.EpCourbe);
        h->ModeBF = true;
        std::printf("Tracé BF de la fonction %s...\n", h->Nom != nullptr ? h->Nom : "");
        ok = TraceFctTransfert(h);
      }
    }
    if (legende_ != nullptr) {
      legende.NoteEtiquettes(Etiquettes);
      legende.Trace(gr, Param.CBCouleurs, &Etiquettes);
    }
  }
  CloseErr = gr->TRCLOSE();
}

void GrBlack::quadrill(double dp, double dm) {
  TR_INFO* gr = G->Gr;
  if (!(dp > 0) || !(dm > 0)) return;
  if (Param.CBCouleurs) gr->PLUME(Param.ColorBlack);
  double xn, xm, yn, ym, pn, pm, mn, mm;
  gr->GET_VWPORTA(&xn, &xm, &yn, &ym);
  gr->GET_WINDOW(&pn, &pm, &mn, &mm);

  gr->SETPRT(0);
  gr->CADDEFTXTA(0.3, 90, 0);
  gr->CADPOSTXT(0, 0.4, 0);
  gr->WINDOW(pn, pm, yn, ym);
  for (double i = 0, prev = pn; prev < pm - dp / 2; ++i) {
    double p = pn + i * dp;
    gr->MOVE(p, yn - 0.15);
    gr->DRAW(p, ym + 0.15);
    gr->YRMOVE(0.05);
    Etiquette(std::string(Texte("%+G", p)) + "/eo/n", 90);
    for (int k = 1; k <= 9; ++k) {
      double pk = p + k * dp / 10;
      if (pk >= pm) break;
      gr->MOVE(pk, yn - 0.05);
      gr->DRAW(pk, yn + 0.05);
      gr->MOVE(pk, ym - 0.05);
      gr->DRAW(pk, ym + 0.05);
    }
    prev = p;
  }

  gr->CADDEFTXTA(0.3, 0, 0);
  gr->CADPOSTXT(1, 0.5, 0);
  gr->WINDOW(xn, xm, mn, mm);
  for (double j = 0, prev = mn; prev < mm - dm / 2; ++j) {
    double g = mn + j * dm;
    gr->MOVE(xm + 0.15, g);
    gr->DRAW(xn - 0.15, g);
    Etiquette(std::string(Texte("%G", g)) + "dB", 0);
    for (int k = 1; k <= 9; ++k) {
      double gk = g + k * dm / 10;
      if (gk >= mm) break;
      gr->MOVE(xn - 0.05, gk);
      gr->DRAW(xn + 0.05, gk);
      gr->MOVE(xm - 0.05, gk);
      gr->DRAW(xm + 0.05, gk);
    }
    prev = g;
  }
  gr->WINDOW(pn, pm, mn, mm);
}

namespace {
// What the contours' labels keep clear of: the width (mm) of the grid, or -1 without one.
double Grille() { return Param.CBEchBlack ? Param.EpBlack : -1; }
}  // namespace

void GrBlack::nichols() {
  TR_INFO* gr = G->Gr;
  // Drawn before from the same state, with the same pens and labels placed: the same device
  // calls, lines and labels.
  const TCacheNichols::Entree* vu =
      Cache != nullptr ? Cache->Trouve(*gr, Param.CBCouleurs, Param.ColorNichols, Grille(),
                                       Etiquettes)
                       : nullptr;
  if (vu != nullptr) {
    vu->dessin.Replay(gr);
    std::fputs(vu->texte.c_str(), stdout);
    Etiquettes = vu->placesApres;
    return;
  }
  TCacheNichols::Entree e;
  e.placesAvant = Etiquettes;
  const bool garde = Cache != nullptr && e.dessin.Begin(gr);
  dit_ = garde ? &e.texte : nullptr;
  dessine();
  dit_ = nullptr;
  if (!garde) return;
  e.dessin.End(gr);
  e.placesApres = Etiquettes;
  e.couleurs = Param.CBCouleurs;
  e.couleur = Param.ColorNichols;
  e.epaisseur = Param.EpNichols;
  e.grille = Grille();
  e.u_cmx = gr->u_cmx;
  e.u_cmy = gr->u_cmy;
  e.mul = gr->mul;
  Cache->Ajoute(std::move(e));
}

void GrBlack::dessine() {
  TR_INFO* gr = G->Gr;
  if (Param.CBCouleurs) gr->PLUME(Param.ColorNichols);
  gr->SETPRT(1);  // the contours stay inside the frame (the grid leaves the page's clipping)
  lignes_.clear();
  // A context that ends the program on an error does so from this thread, its file closed.
  const bool deux = Contours == kDeuxCoeurs && TTravaux::DeuxCoeurs();
  if ((deux || Contours == kParPieces) && !gr->flags.brk) {
    ParPieces(deux);
  } else {
    for (int i = 0; i < kNbContours; ++i) Contour(gr, i);
    EtiquettesContours(gr, 0, kNbContours);
  }
  std::fputs(lignes_.c_str(), stdout);
  if (dit_ != nullptr) *dit_ += lignes_;
}

void GrBlack::Contour(TR_INFO* g, int i) {
  const double* pts = PointsContour(i);
  Polyligne pl(g);
  pl.Points(kPointsContour, pts, pts + kPointsContour);
}

void GrBlack::EtiquettesContours(TR_INFO* g, int de, int a) {
  // The labels once every contour is drawn, each on its white ground.
  for (int i = de; i < a; ++i) {
    if (i < kNbIsoGain)
      affgain(g, &mdb[i]);
    else
      affphase(g, &mph[i - kNbIsoGain]);
  }
}

// The kernel's work on the contours and their labels (clipping, integer moves, the move queue,
// the labels' places and strokes) owes nothing to the device: it is drawn in pieces
// (DessinParPieces), on a second core with deux_coeurs, while this thread sends the calls of the
// pieces before to the chart's device.
void GrBlack::ParPieces(bool deux_coeurs) {
  TR_INFO* gr = G->Gr;
  // The pieces: the first contours alone, then by two and four, so that this thread soon has
  // calls to send, then by eight; then the labels by eight.
  struct Piece {
    bool etiquettes;
    int de, a;
  };
  std::vector<Piece> pieces;
  for (int de = 0, n = 1; de < kNbContours; de += n, n = std::min(2 * n, 8))
    pieces.push_back({false, de, std::min(kNbContours, de + n)});
  for (int de = 0; de < kNbContours; de += 8)
    pieces.push_back({true, de, std::min(kNbContours, de + 8)});
  // Pieces recorded ahead, at most, in turn: enough for the labels to be ready before the
  // device has taken the contours.
  constexpr size_t kTampons = 8;
  DessinParPieces(gr, pieces.size(), kTampons, deux_coeurs, [&](TR_INFO* g, size_t j) {
    const Piece& p = pieces[j];
    if (p.etiquettes) {
      EtiquettesContours(g, p.de, p.a);
    } else {
      for (int i = p.de; i < p.a; ++i) Contour(g, i);
    }
    return true;
  });
}

void GrBlack::Etiquette(const std::string& texte, double ang) {
  TR_INFO* gr = G->Gr;
  double x, y;
  gr->GET_POS(&x, &y);
  const TBoite b = BoiteTexte(gr, x, y, texte.c_str(), 0.3, ang, kMargeEtiquette);
  if (!Etiquettes.Libre(gr, b)) return;  // left out where it would overlap its neighbour
  Etiquettes.Ajoute(b);
  TexteFin(gr, texte.c_str());
}

const char* GrBlack::Texte(const char* fmt, double v) {
  std::snprintf(texte_, sizeof texte_, fmt, v);
  return texte_;
}

// Places the label of a contour at the point of parameter t along it (point gives the chart
// point of a parameter), or, when its box would overlap a label already placed or leave the
// page, at the nearest parameter pas, 2 pas ... away on either side within [tn, tm] whose box
// does not; the label is left out when there is none. Returns false when there is no point at
// t itself.
bool GrBlack::PlaceSurContour(TR_INFO* gr, const T_CRB* c, double t, double dt, double pas,
                              double tn, double tm,
                              bool (*point)(const T_CRB*, double, double*, double*),
                              bool diagnostic) {
  const std::string texte = std::string(Texte("%G", c->v)) + c->txt;
  double wx0, wx1, wy0, wy1, vx0, vx1, vy0, vy1;
  gr->GET_WINDOW(&wx0, &wx1, &wy0, &wy1);
  gr->GET_VWPORTA(&vx0, &vx1, &vy0, &vy1);
  const double lo = std::min(tn, tm), hi = std::max(tn, tm);
  for (int k = 0; k <= 2 * kEssais; ++k) {
    const double tk = t + (k % 2 ? 1 : -1) * ((k + 1) / 2) * pas;
    if (k > 0 && (tk < lo || tk > hi)) continue;
    double x, y, x1, y1, x2, y2;
    if (!point(c, tk - dt, &x1, &y1) || !point(c, tk + dt, &x2, &y2) || !point(c, tk, &x, &y)) {
      if (k == 0) return false;
      continue;
    }
    PosA(gr, x1, y1, &x1, &y1);
    PosA(gr, x2, y2, &x2, &y2);
    double a = std::atan2(y2 - y1, x2 - x1) * 180 / M_PI;
    if (k == 0 && diagnostic && std::fabs(std::fabs(c->rot) - 180) < 0.001) {
      char ligne[64];
      std::snprintf(ligne, sizeof ligne, "ang=%G  c->rot=%G\n", a, c->rot);
      lignes_ += ligne;
    }
    a = Redresse(a) + c->rot;
    const double bord = 1e-6 * (wx1 - wx0);
    if (x < std::min(wx0, wx1) - bord || x > std::max(wx0, wx1) + bord ||
        y < std::min(wy0, wy1) || y > std::max(wy0, wy1))
      continue;
    gr->CADPOSTXT(c->px, c->py, 0);
    TBoite b = BoiteTexte(gr, x, y, texte.c_str(), 0.3, a, 0.05);
    // A label across an edge of the grid's frame, or on its ticks, would cut them with its white
    // ground: it moves inward, clear of them.
    if (Param.CBEchBlack) {
      double dx = 0, dy = 0;
      if (!HorsDuBord(gr, b, &dx, &dy)) continue;
      // The box moves with its anchor.
      x += dx * (wx1 - wx0) / (vx1 - vx0);
      y += dy * (wy1 - wy0) / (vy1 - vy0);
      b.cx += dx;
      b.cy += dy;
    }
    if (!BoiteDansPage(gr, b)) continue;
    if (!Etiquettes.Libre(gr, b)) continue;
    Etiquettes.Ajoute(b);
    FondBlanc(gr, b);
    // Renderers that smooth edges let a trace of a line show through the seam of two white
    // bands, and the contour runs through the label's anchor, often right along such a seam
    // (the label's middle): one more band along it.
    double ax, ay;
    PosA(gr, x, y, &ax, &ay);
    const double v = -(ax - b.cx) * b.uy + (ay - b.cy) * b.ux;
    if (std::fabs(v) + kMargeEtiquette <= b.h)
      FondBlanc(gr, TBoite{b.cx - v * b.uy, b.cy + v * b.ux, b.ux, b.uy, b.l, kMargeEtiquette});
    gr->MOVE(x, y);
    TexteFin(gr, texte.c_str());
    return true;
  }
  return true;
}

bool GrBlack::HorsDuBord(TR_INFO* gr, const TBoite& b, double* dx, double* dy) const {
  double xn, xm, yn, ym;
  gr->GET_VWPORTA(&xn, &xm, &yn, &ym);
  // The ticks stand kTic inside the frame (the minor ones) and kLigne out of it (the grid lines
  // run on past the frame), each with its round end of half the grid's width.
  constexpr double kTic = 0.05, kLigne = 0.15;
  const double w = Param.EpBlack / 20;
  const double in = kTic + w, out = kLigne + w;
  const double ex = b.l * std::fabs(b.ux) + b.h * std::fabs(b.uy);
  const double ey = b.l * std::fabs(b.uy) + b.h * std::fabs(b.ux);
  double x0 = b.cx - ex, x1 = b.cx + ex, y0 = b.cy - ey, y1 = b.cy + ey;
  *dx = *dy = 0;
  // Along the left and right edges, then along the bottom and top ones.
  if (y1 > yn - out && y0 < ym + out) {
    if (x0 < xn + in && x1 > xn - out) *dx = xn + in - x0;
    if (x1 > xm - in && x0 < xm + out) *dx = xm - in - x1;
  }
  x0 += *dx;
  x1 += *dx;
  if (x1 > xn - out && x0 < xm + out) {
    if (y0 < yn + in && y1 > yn - out) *dy = yn + in - y0;
    if (y1 > ym - in && y0 < ym + out) *dy = ym - in - y1;
  }
  y0 += *dy;
  y1 += *dy;
  // False for a box too large for the frame, pushed onto the opposite edge.
  return x0 >= xn + in - 1e-9 && x1 <= xm - in + 1e-9 && y0 >= yn + in - 1e-9 &&
         y1 <= ym - in + 1e-9;
}

void GrBlack::affgain(TR_INFO* gr, const T_CRB* c) {
  if (c->ptxt >= 1e10) return;
  gr->SETPRT(0);
  // Along an iso-gain contour, by 3 degrees of closed-loop phase.
  PlaceSurContour(gr, c, c->ptxt, 1e-4, 3, c->n, c->m, PointIsoGain, false);
  gr->SETPRT(1);
}

void GrBlack::affphase(TR_INFO* gr, const T_CRB* c) {
  if (c->ptxt >= 1e10) return;
  gr->SETPRT(0);
  // Along an iso-phase contour, by 0.75 dB of closed-loop gain.
  PlaceSurContour(gr, c, c->ptxt, 0.01, 0.75, c->n, c->m, PointIsoPhase, true);
  gr->SETPRT(1);
}

namespace {

// Frequency range of the loci from the settings, in rad/s, with its fallback.
void Etendue(double* w1, double* w2) {
  *w1 = Param.EdWn;
  *w2 = Param.EdWm;
  if (Param.RBFrequence) {
    *w1 *= kTwoPi;
    *w2 *= kTwoPi;
  }
  if (!(*w1 < *w2) || !(*w1 > 0) || !std::isfinite(*w2)) {
    *w1 = 0.01;
    *w2 = 1000;
  }
}

}  // namespace

std::vector<double> GrBlack::Frequences() {
  double w1, w2;
  Etendue(&w1, &w2);
  int n = Param.EdNBP;
  if (n <= 1) n = 200;
  const double r = std::pow(w2 / w1, 1.0 / (n - 1));
  std::vector<double> w(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) w[static_cast<size_t>(k)] = w1 * std::pow(r, k);
  return w;
}

bool GrBlack::Lieu(TFctTransfert* h, const std::vector<double>& w, std::vector<double>* phase,
                   std::vector<double>* gain, bool produit) {
  phase->clear();
  gain->clear();
  phase->reserve(w.size());
  gain->reserve(w.size());
  h->InitValue(true);
  for (double wk : w) {
    TComplexP v;
    if (!h->Value(wk, &v, produit)) return false;
    phase->push_back(v.p * 180 / M_PI);
    gain->push_back(20 * std::log10(v.m));
  }
  return true;
}

bool GrBlack::Table(TTableCsv* t) {
  const std::vector<double> w = Frequences();
  t->Colonne("w_rad_s", std::vector<double>(w));
  if (!Param.CBBO && !Param.CBBF) return true;
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* h = Param.GetFctTransfert(i);
    if (h == nullptr || !h->Checked) continue;
    const std::string nom = h->Nom != nullptr ? h->Nom : "";
    for (int bf = 0; bf < 2; ++bf) {
      if (bf == 0 ? !Param.CBBO : !Param.CBBF) continue;
      h->ModeBF = bf == 1;
      std::printf("Tracé %s de la fonction %s...\n", bf == 1 ? "BF" : "BO", nom.c_str());
      std::vector<double> phase, gain;
      if (!Lieu(h, w, &phase, &gain)) return false;
      const std::string col = bf == 1 ? nom + "_BF" : nom;
      t->Colonne(col + "_phase_deg", std::move(phase));
      t->Colonne(col + "_gain_dB", std::move(gain));
    }
  }
  return true;
}

bool GrBlack::TraceFctTransfert(TFctTransfert* h) {
  TR_INFO* gr = G->Gr;
  if (Param.CBCouleurs) gr->PLUME(PlumeCourbe(h));
  double w1, w2;
  Etendue(&w1, &w2);
  // The points computed before a failed evaluation are drawn, then the chart stops there.
  std::vector<double> phase, gain;
  const std::vector<double> w = Frequences();
  const bool calcule = Lieu(h, w, &phase, &gain, true);
  {
    Polyligne pl(gr);
    for (size_t k = 0; k < phase.size(); ++k)
      pl.Point(std::isfinite(phase[k]) && std::isfinite(gain[k]), phase[k], gain[k]);
  }
  if (legende_ != nullptr) {
    legende_->Courbe(marque_, decalage_);
    legende_->Note(gr, phase.data(), gain.data(), phase.size());
    legende_->TraceMarques(gr);
  }
  if (!calcule) return false;
  if (Param.CBMarges && !h->ModeBF) TraceMarges(h, w, phase);

  // Chart point of h at w (phase in degrees, gain in dB); ok is false when it is not finite.
  auto point = [&](double w, double* x, double* y, bool* ok) {
    TComplexP v;
    if (!h->Value(w, &v, true)) return false;
    *x = v.p * 180 / M_PI;
    *y = 20 * std::log10(v.m);
    *ok = std::isfinite(*x) && std::isfinite(*y);
    return true;
  };

  if (!Param.CBGraduationsChecked || !Param.CBGraduationsEnabled) return true;
  h->InitValue(false);
  // Absolute page position of the locus point at w.
  auto posa = [&](double w, double* ax, double* ay, bool* ok) {
    double x, y;
    if (!point(w, &x, &y, ok)) return false;
    if (*ok) PosA(gr, x, y, ax, ay);
    return true;
  };
  for (int e = static_cast<int>(std::floor(std::log10(w1)));; ++e) {
    double dec = std::pow(10.0, e);
    for (int k = 1; k <= 9; ++k) {
      double w = k * dec;
      if (w > w2) return true;
      double ax = 0, ay = 0, bx = 0, by = 0, px = 0, py = 0;
      bool oka, okb, okp;
      if (!posa(w / 1.01, &ax, &ay, &oka) || !posa(w * 1.01, &bx, &by, &okb) ||
          !posa(w, &px, &py, &okp))
        return false;
      if (!oka || !okb || !okp) continue;
      double a = M_PI / 2 - std::atan2(by - ay, bx - ax);
      double d = k == 1 ? 0.2 : 0.1;
      gr->MOVEA(px - std::cos(a) * d, py + std::sin(a) * d);
      gr->DRAWA(px + std::cos(a) * d, py - std::sin(a) * d);
    }
    if (!(9 * dec < w2)) return true;
  }
}

void GrBlack::TraceMarges(TFctTransfert* h, const std::vector<double>& w,
                          const std::vector<double>& phase) {
  TR_INFO* gr = G->Gr;
  h->InitValue(false);
  double mg, wg, mp, wp;
  const bool gain = MargeGain(h, &mg, &wg) == MargeTrouvee;
  const bool ph = MargePhase(h, &mp, &wp) == MargeTrouvee;
  // The phase the locus is drawn with at wx: ref moved by whole turns to it.
  auto surLieu = [&](double wx, double ref) {
    if (w.size() < 2 || phase.size() != w.size() || !(wx > 0)) return ref;
    const size_t k = std::min<size_t>(
        std::max<size_t>(std::upper_bound(w.begin(), w.end(), wx) - w.begin(), 1), w.size() - 1);
    const double t = (std::log(wx) - std::log(w[k - 1])) / (std::log(w[k]) - std::log(w[k - 1]));
    const double p = phase[k - 1] + t * (phase[k] - phase[k - 1]);
    return std::isfinite(p) ? ref + 360 * std::nearbyint((p - ref) / 360) : ref;
  };
  // A margin as the report prints it: one that rounds to zero at two decimals is 0.00.
  auto affiche = [](double x) { return std::fabs(x) < 0.005 ? 0.0 : x; };
  double ep;
  gr->GET_LINEWIDTH(&ep);
  int mrk;
  double mrksz;
  gr->GET_MRK(&mrk, &mrksz);
  gr->SETLIN(0, 1);
  gr->LINEWIDTH(std::max(0.5 * ep, 0.2));
  gr->SETMRK(5, 0.25);
  char texte[64];
  // Marks the margin point (x, y) of the locus, joined to the critical point (xc, 0).
  auto marque = [&](double x, double y, double xc, const char* t) {
    gr->MOVE(xc, 0);
    gr->DRAW(x, y);
    gr->PLOT(x, y);
    gr->CADDEFTXTA(0.3, 0, 0);
    EtiquetteRepere(gr, x, y, t, 0.3, &Etiquettes);
    if (legende_ != nullptr) {
      const double xs[2] = {xc, x}, ys[2] = {0, y};
      legende_->Courbe(-1, 0);
      legende_->Note(gr, xs, ys, 2);
    }
  };
  if (gain && std::isfinite(mg)) {
    const double x = surLieu(wg, -180);
    std::snprintf(texte, sizeof texte, "Mg=%.2fdB", affiche(mg));
    marque(x, -mg, x, texte);
  }
  if (ph && std::isfinite(mp)) {
    const double x = surLieu(wp, -180 + mp);
    std::snprintf(texte, sizeof texte, "Mp=%.2f/eo", affiche(mp));
    marque(x, 0, x - mp, texte);
  }
  gr->SETMRK(mrk, mrksz);
  gr->LINEWIDTH(ep);
  if (Param.CBPointill) gr->SETLIN(0, 1);
}
