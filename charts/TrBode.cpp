// Bode chart of the checked transfer functions, drawn through the plotting kernel.
#include "charts/TrBode.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "charts/TableCsv.h"
#include "charts/Travaux.h"
#include "model/Param.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Below this many points of kept curves given by factors, a second thread costs more than it saves.
constexpr size_t kPointsEnParallele = 50000;

// Evaluates one point in dB (gain) or degrees (phase); false when the evaluation failed.
bool Point(TFctTransfert* f, double w, bool gain, double* v) {
  TComplexP y;
  if (!f->Value(w, &y, true)) return false;
  *v = gain ? 20.0 * std::log10(y.m) : y.p * 180.0 / M_PI;
  return true;
}

}  // namespace

double TrBode::carrondi(double x, const double* t, size_t szt) {
  return ArrondiNet(x, t, szt, false);
}

void TrBode::afff(double f, TR_INFO* G, TEtiquettes* places) {
  const char* prefix = "";
  double v = f;
  if (f >= 1e6) {
    v = f * 1e-6;
    prefix = "M";
  } else if (f >= 1000) {
    v = f * 0.001;
    prefix = "k";
  }
  char texte[64];
  std::snprintf(texte, sizeof texte, "%.3G%ss/e-1", v, prefix);
  EtiquetteDansPage(G, texte, places);
}

bool TrBode::Calcule(size_t garde, bool produit) {
  wn = Param.EdWn;
  wm = Param.EdWm;
  if (Param.RBFrequence) {
    wn *= kTwoPi;
    wm *= kTwoPi;
  }
  nbp = static_cast<uint32_t>(Param.EdNBP);
  switch (Param.RBBode) {
    case RBBodeGain:
      TypeGraphe = TypeGain;
      break;
    case RBBodePhase:
      TypeGraphe = TypePhase;
      break;
    default:
      TypeGraphe = TypeGainPhase;
      break;
  }
  if (!(wn < wm) || !(wn > 0) || !std::isfinite(wm)) {
    wn = 0.01;
    wm = 1000;
  }
  if (nbp < 10) nbp = 10;
  if (nbp > 100000) nbp = 100000;
  // The frequencies of the points, and their abscissas, serve every curve and both panels.
  Frequences();

  // Extent of the gain and phase over every curve that will be drawn. Points where the
  // response is infinite or undefined are left out, so that the axes stay finite. Each
  // function is evaluated once per point; the panels draw the values kept here.
  dBn = dBm = Degn = Degm = 0;
  bool g_started = false, p_started = false;
  // Widens [*mn, *mx] to a finite v; the first one sets both ends.
  auto etend = [](double v, bool* started, double* mn, double* mx) {
    if (!std::isfinite(v)) return;
    if (!*started) {
      *mn = *mx = v;
      *started = true;
    } else if (v < *mn) {
      *mn = v;
    } else if (v > *mx) {
      *mx = v;
    }
  };
  courbes_.clear();
  std::vector<char> bf_de;  // closed-loop sweep, for each curve
  size_t place = garde;
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* f = Param.GetFctTransfert(i);
    if (f == nullptr || !f->Checked) continue;
    for (int mode = 0; mode < 2; ++mode) {
      if (mode == 0 ? !Param.CBBO : !Param.CBBF) continue;
      courbes_.push_back({f, {}, {}, mode == 1});
      bf_de.push_back(mode == 1);
      TCourbe& c = courbes_.back();
      if (place >= 2 * size_t{nbp}) {
        place -= 2 * size_t{nbp};
        c.gain.resize(nbp);
        c.phase.resize(nbp);
      }
    }
  }
  // A function given by its factors has a response that depends on nothing else: its kept
  // curves (open and closed loop from one evaluation) are computed ahead, on a second core
  // where there is one, as gain in dB and phase before its correction. The sweeps below then
  // correct the phases in order, exactly as Value would have.
  struct TAvance {
    const TFctTransfert* f;
    TCourbe* bo;
    TCourbe* bf;
  };
  std::vector<TAvance> avance;
  std::vector<size_t> tache(courbes_.size(), SIZE_MAX);
  for (size_t j = 0; j < courbes_.size(); ++j) {
    TCourbe& c = courbes_[j];
    if (c.f->Expression != nullptr || c.gain.empty()) continue;
    const bool bf = bf_de[j] != 0;
    if (bf && j > 0 && !bf_de[j - 1] && courbes_[j - 1].f == c.f && tache[j - 1] != SIZE_MAX) {
      avance[tache[j - 1]].bf = &c;
      tache[j] = tache[j - 1];
    } else {
      tache[j] = avance.size();
      avance.push_back({c.f, bf ? nullptr : &c, bf ? &c : nullptr});
    }
  }
  const std::vector<double>& w = w_;
  TTravaux travaux(
      avance.size(),
      [&avance, &w, produit](size_t t) {
        const TAvance& a = avance[t];
        for (size_t k = 0; k < w.size(); ++k) {
          const TComplexP y = produit ? a.f->ValueBOProduit(w[k]) : a.f->ValueBO(w[k]);
          if (a.bo != nullptr) {
            a.bo->gain[k] = 20.0 * std::log10(y.m);
            a.bo->phase[k] = y.p;
          }
          if (a.bf != nullptr) {
            const TComplexP z = TFctTransfert::ToBF(y);
            a.bf->gain[k] = 20.0 * std::log10(z.m);
            a.bf->phase[k] = z.p;
          }
        }
      },
      avance.size() * size_t{nbp} >= kPointsEnParallele);
  for (size_t j = 0; j < courbes_.size(); ++j) {
    TCourbe& c = courbes_[j];
    TFctTransfert* f = c.f;
    f->ModeBF = bf_de[j] != 0;
    f->InitValue(true);
    if (tache[j] != SIZE_MAX) {
      travaux.Attend(tache[j]);
      for (uint32_t k = 0; k < nbp; ++k) {
        TComplexP y{0.0, c.phase[k]};
        f->CorrectionPhase(w_[k], &y);
        const double phase = y.p * 180.0 / M_PI;
        etend(c.gain[k], &g_started, &dBn, &dBm);
        etend(phase, &p_started, &Degn, &Degm);
        c.phase[k] = phase;
      }
      continue;
    }
    for (uint32_t k = 0; k < nbp; ++k) {
      TComplexP y;
      if (!f->Value(w_[k], &y, produit)) return false;
      double gain = 20.0 * std::log10(y.m), phase = y.p * 180.0 / M_PI;
      etend(gain, &g_started, &dBn, &dBm);
      etend(phase, &p_started, &Degn, &Degm);
      if (!c.gain.empty()) {
        c.gain[k] = gain;
        c.phase[k] = phase;
      }
    }
  }
  return true;
}

void TrBode::Trace(TMDGraph* G) {
  if (G == nullptr || G->Gr == nullptr) return;
  TR_INFO* gr = G->Gr;
  if (!Calcule(ValeursMax, true)) return;
  // The loop modes the sweeps leave (an expression sets those of the functions it names):
  // drawing from kept values must leave the same.
  std::vector<char> modes(Param.GetNbFctTransfert());
  for (unsigned i = 0; i < modes.size(); ++i) {
    const TFctTransfert* f = Param.GetFctTransfert(i);
    modes[i] = f != nullptr && f->ModeBF;
  }
  auto remet = [&] {
    for (unsigned i = 0; i < modes.size(); ++i)
      if (TFctTransfert* f = Param.GetFctTransfert(i)) f->ModeBF = modes[i] != 0;
  };

  Etiquettes.Vide();
  if (!OuvrePage(G)) return;
  double xn, xmax, yn, ymax;
  gr->GET_BOUNDS(&xn, &xmax, &yn, &ymax);
  txm = xmax;
  if (TypeGraphe != TypeGainPhase) {
    tym = ymax;
    gr->VWPORTA(2, xmax - 1, 1, ymax - 0.5);
    bode(gr, TypeGraphe);
  } else {
    tym = ymax / 2;
    gr->VWPORTA(2, xmax - 1, ymax / 2 + 1, ymax - 0.5);
    bode(gr, TypeGain);
    gr->VWPORTA(2, txm - 1, 1, tym - 0.5);
    bode(gr, TypePhase);
  }
  remet();
  CloseErr = gr->TRCLOSE();
}

bool TrBode::Table(TTableCsv* t) {
  if (!Calcule(SIZE_MAX, false)) return false;
  t->Colonne("w_rad_s", w_.data(), w_.size());
  for (const TCourbe& c : courbes_) {
    const std::string nom = std::string(c.f->Nom != nullptr ? c.f->Nom : "") + (c.bf ? "_BF" : "");
    if (TypeGraphe != TypePhase) t->Colonne(nom + "_gain_dB", c.gain.data(), c.gain.size());
    if (TypeGraphe != TypeGain) t->Colonne(nom + "_phase_deg", c.phase.data(), c.phase.size());
  }
  return true;
}

void TrBode::Frequences() {
  const double r = std::pow(wm / wn, 1.0 / (nbp - 1));
  w_.resize(nbp);
  lw_.resize(nbp);
  for (uint32_t k = 0; k < nbp; ++k) {
    w_[k] = wn * std::pow(r, k);
    lw_[k] = std::log10(w_[k]);
  }
}

bool TrBode::bode(TR_INFO* G, TTypeGraphe typ) {
  const bool gain = typ != TypePhase;
  const double yn = gain ? dBn - 10 : Degn - 10;
  const double ym = gain ? dBm + 10 : Degm + 10;
  const bool col = Param.CBCouleurs;
  const TGrille grille{col, Param.ColorBode1, Param.EpBod1, Param.ColorBode2, Param.EpBod2};

  G->SETPRT(0);
  G->CADDEFTXTA(0.35, 0, 0);
  G->CADPOSTXT(0.5, 1.5, 0);
  if (!col) G->PLUME(1);

  // Frequency axis: decade lines with labels, then minor ticks and intermediate lines, each
  // only where its frequency lies within the range (the range's ends need not be decades).
  const double lwn = std::log10(wn), lwm = std::log10(wm);
  const double top = tym - 0.5;
  G->WINDOW(lwn, lwm, 1, top);
  const double lo = wn * (1 - 1e-9), hi = wm * (1 + 1e-9);
  auto dedans = [&](double f) { return f >= lo && f <= hi; };
  const int e0 = static_cast<int>(std::floor(lwn + 1e-9));
  for (int e = e0; e < e0 + 700; ++e) {
    const double x = std::pow(10.0, e);
    if (!(x <= hi)) break;
    if (dedans(x)) {
      Plume(G, col, grille.col1, grille.ep1);
      G->MOVE(std::log10(x), top + 0.15);
      G->DRAW(std::log10(x), 0.85);
      afff(x, G, &Etiquettes);
    }

    Plume(G, col, grille.col2, grille.ep2);
    double a = 1, b = top;
    for (int m = 2; m <= 9; ++m) {
      const double t = m * x;
      if ((m - 1) * x > hi) break;
      double xa, xb, dummy;
      G->MOVE(std::log10((m - 1) * x), a);
      G->GET_POSA(&xa, &dummy);
      G->MOVE(std::log10(t), a);
      G->GET_POSA(&xb, &dummy);
      const double d = xb - xa;
      const int k = d >= 1 ? 1 : d >= 0.5 ? 2 : d >= 0.25 ? 5 : 10;
      auto ticks = [&](double edge, bool lower) {
        for (int j = k; j <= 9; j += k) {
          const double f = (m - 1) * x + j * x / 10;
          if (!dedans(f)) continue;
          G->MOVE(std::log10(f), lower ? edge : edge - 0.15);
          G->YRDRAW(0.15);
        }
      };
      ticks(a, a < b);
      if (dedans(t)) {
        G->MOVE(std::log10(t), a);
        G->DRAW(std::log10(t), b);
      }
      ticks(b, b < a);
      std::swap(a, b);
    }
  }

  TraceAxeValeurs(G, txm, tym, yn, ym, gain ? "dB" : "/eo", grille, false, &Etiquettes);

  if (!Param.CBBO && !Param.CBBF) return true;
  G->WINDOW(lwn, lwm, yn, ym);
  G->SETPRT(1);  // the curves stay inside the frame
  // The points of Trace; when called on its own, the panel computes them.
  if (w_.size() != nbp) {
    Frequences();
    courbes_.clear();
  }
  size_t suivante = 0;  // the next curve of courbes_
  // One polyline, from the values Trace kept or else evaluated again; points where the
  // response is not finite lift the pen.
  auto courbe = [&](TFctTransfert* f) {
    const TCourbe* c =
        suivante < courbes_.size() && courbes_[suivante].f == f && !courbes_[suivante].gain.empty()
            ? &courbes_[suivante]
            : nullptr;
    ++suivante;
    bool down = false;
    if (c != nullptr) {
      TraceFinis(G, lw_.data(), gain ? c->gain.data() : c->phase.data(), nbp, &down);
      return true;
    }
    f->InitValue(true);
    for (uint32_t k = 0; k < nbp; ++k) {
      double v;
      if (!Point(f, w_[k], gain, &v)) return false;
      if (!std::isfinite(v)) {
        down = false;
        continue;
      }
      if (down) {
        G->DRAW(lw_[k], v);
      } else {
        G->MOVE(lw_[k], v);
        down = true;
      }
    }
    return true;
  };
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* f = Param.GetFctTransfert(i);
    if (f == nullptr || !f->Checked) continue;
    Plume(G, col, PlumeCourbe(f), Param.EpCourbe);
    if (Param.CBBO) {
      if (Param.CBPointill) G->SETLIN(0, 1);
      f->ModeBF = false;
      if (!courbe(f)) return false;
    }
    if (Param.CBBF) {
      if (Param.CBPointill) Tirets(G, 0.15, 0.15, Param.EpCourbe);
      f->ModeBF = true;
      if (!courbe(f)) return false;
      if (Param.CBPointill) G->SETLIN(0, 1);
    }
  }
  return true;
}
