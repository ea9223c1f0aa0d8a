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
#include "model/Marges.h"
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

// A margin as the report prints it with "%.2f": one that rounds to zero is 0.00, never -0.00.
double Affiche(double x) { return std::fabs(x) < 0.005 ? 0.0 : x; }

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
  // where there is one, as gain in dB and phase in degrees, the phase unwrapped along the curve
  // as Value would have (on a state of the curve's own), with the extents of each curve. The
  // sweeps below take them in order.
  struct TEtendue {
    bool g = false, p = false;  // a finite gain, phase met
    double gn = 0, gm = 0, pn = 0, pm = 0;
  };
  struct TAvance {
    const TFctTransfert* f;
    double retard;  // the delay the unwrapping leaves out (TFctTransfert::InitValue)
    TCourbe* bo;
    TCourbe* bf;
    TEtendue ebo, ebf;
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
      c.f->InitValue(true);
      avance.push_back({c.f, c.f->RetardCorrec, bf ? nullptr : &c, bf ? &c : nullptr, {}, {}});
    }
  }
  // One point of a curve kept: gain and unwrapped phase stored, extents widened.
  struct TDeroulement {
    bool premier = true;
    double pdt = 0, offst = 0;
  };
  auto garde1 = [&etend](TComplexP y, double w, double retard, TDeroulement* d, TEtendue* e,
                         double* gain, double* phase) {
    *gain = 20.0 * std::log10(y.m);
    if (retard != 0.0) {  // as TFctTransfert::CorrectionPhase(w, y)
      y.p += w * retard;
      TFctTransfert::Deroule(&d->premier, &d->pdt, &d->offst, &y.p);
      y.p -= w * retard;
    } else {
      TFctTransfert::Deroule(&d->premier, &d->pdt, &d->offst, &y.p);
    }
    *phase = y.p * 180.0 / M_PI;
    etend(*gain, &e->g, &e->gn, &e->gm);
    etend(*phase, &e->p, &e->pn, &e->pm);
  };
  const std::vector<double>& w = w_;
  TTravaux travaux(
      avance.size(),
      [&avance, &w, produit, &garde1](size_t t) {
        TAvance& a = avance[t];
        TDeroulement dbo, dbf;
        constexpr size_t kBloc = 256;
        TComplexP y[kBloc];
        for (size_t k0 = 0; k0 < w.size(); k0 += kBloc) {
          const size_t nb = std::min(kBloc, w.size() - k0);
          if (produit) {
            a.f->ValuesBOProduit(w.data() + k0, nb, y);
          } else {
            for (size_t k = 0; k < nb; ++k) y[k] = a.f->ValueBO(w[k0 + k]);
          }
          for (size_t i = 0; i < nb; ++i) {
            const size_t k = k0 + i;
            if (a.bo != nullptr)
              garde1(y[i], w[k], a.retard, &dbo, &a.ebo, &a.bo->gain[k], &a.bo->phase[k]);
            if (a.bf != nullptr)
              garde1(TFctTransfert::ToBF(y[i]), w[k], a.retard, &dbf, &a.ebf, &a.bf->gain[k],
                     &a.bf->phase[k]);
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
      // The extents of the curve, as its points in turn would have widened those met so far.
      const TEtendue& e = c.bf ? avance[tache[j]].ebf : avance[tache[j]].ebo;
      if (e.g) {
        etend(e.gn, &g_started, &dBn, &dBm);
        etend(e.gm, &g_started, &dBn, &dBm);
      }
      if (e.p) {
        etend(e.pn, &p_started, &Degn, &Degm);
        etend(e.pm, &p_started, &Degn, &Degm);
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
  marges_.clear();
  if (Param.CBMarges && Param.CBBO) Marges();
  // The legend names every curve in the order they are drawn: open loop solid, closed loop
  // dashed.
  // Functions drawn in the same pen carry markers, which the legend shows.
  legende_ = TLegende();
  marqueDe_.assign(Param.GetNbFctTransfert(), -1);
  if (Param.CBLegende) {
    std::vector<int> plumes;
    std::vector<unsigned> qui;
    for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
      const TFctTransfert* f = Param.GetFctTransfert(i);
      if (f == nullptr || !f->Checked) continue;
      plumes.push_back(Param.CBCouleurs ? PlumeCourbe(f) : 1);
      qui.push_back(i);
    }
    const std::vector<int> m = TLegende::Marques(plumes);
    for (size_t k = 0; k < qui.size(); ++k) marqueDe_[qui[k]] = m[k];
    for (const TCourbe& c : courbes_) {
      const std::string nom = c.f->Nom != nullptr ? c.f->Nom : "";
      const double tiret = c.bf && Param.CBPointill ? 0.15 : 0;
      int marque = -1;
      for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i)
        if (Param.GetFctTransfert(i) == c.f) marque = marqueDe_[i];
      legende_.Ajoute({nom + (c.bf ? " (BF)" : " (BO)"), PlumeCourbe(c.f), Param.EpCourbe, tiret,
                       0.15, marque});
    }
  }

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
  // The legend goes in the gain panel of a chart of both panels; the other panel notes its
  // curves only for their markers.
  TLegende reperes;
  TLegende* leg = legende_.Entrees() == 0                            ? nullptr
                  : TypeGraphe != TypeGainPhase || gain ? &legende_
                                                        : &reperes;
  if (leg != nullptr) leg->Prepare(G);
  // The points of Trace; when called on its own, the panel computes them.
  if (w_.size() != nbp) {
    Frequences();
    courbes_.clear();
  }
  size_t suivante = 0;  // the next curve of courbes_
  // One polyline on g, from the values Trace kept or else evaluated again; points where the
  // response is not finite lift the pen.
  auto courbe = [&](TR_INFO* g, TFctTransfert* f) {
    const TCourbe* c =
        suivante < courbes_.size() && courbes_[suivante].f == f && !courbes_[suivante].gain.empty()
            ? &courbes_[suivante]
            : nullptr;
    ++suivante;
    bool down = false;
    if (c != nullptr) {
      const double* v = gain ? c->gain.data() : c->phase.data();
      TraceFinis(g, lw_.data(), v, nbp, &down);
      if (leg != nullptr) leg->Note(g, lw_.data(), v, nbp);
      return true;
    }
    f->InitValue(true);
    for (uint32_t k = 0; k < nbp; ++k) {
      double v;
      if (!Point(f, w_[k], gain, &v)) return false;
      if (leg != nullptr) leg->Note(g, &lw_[k], &v, 1);
      if (!std::isfinite(v)) {
        down = false;
        continue;
      }
      if (down) {
        g->DRAW(lw_[k], v);
      } else {
        g->MOVE(lw_[k], v);
        down = true;
      }
    }
    return true;
  };
  // The curves of registry entry i, the k-th function drawn, on g; false when an evaluation
  // failed.
  auto fonction = [&](TR_INFO* g, unsigned i, int k) {
    TFctTransfert* f = Param.GetFctTransfert(i);
    Plume(g, col, PlumeCourbe(f), Param.EpCourbe);
    const int marque = i < marqueDe_.size() ? marqueDe_[i] : -1;
    const double decalage = 0.8 + 0.6 * k;
    if (Param.CBBO) {
      if (Param.CBPointill) g->SETLIN(0, 1);
      f->ModeBF = false;
      if (leg != nullptr) leg->Courbe(marque, decalage);
      if (!courbe(g, f)) return false;
      if (leg != nullptr) leg->TraceMarques(g);
    }
    if (Param.CBBF) {
      if (Param.CBPointill) Tirets(g, 0.15, 0.15, Param.EpCourbe);
      f->ModeBF = true;
      if (leg != nullptr) leg->Courbe(marque, decalage);
      if (!courbe(g, f)) return false;
      if (leg != nullptr) leg->TraceMarques(g);
      if (Param.CBPointill) g->SETLIN(0, 1);
    }
    return true;
  };
  std::vector<unsigned> qui;  // the functions drawn, in turn
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    const TFctTransfert* f = Param.GetFctTransfert(i);
    if (f != nullptr && f->Checked) qui.push_back(i);
  }
  size_t points = 0;  // of the kept curves
  for (const TCourbe& c : courbes_) points += c.gain.size();
  if (points < kPointsEnParallele || !TTravaux::DeuxCoeurs() || G->flags.brk) {
    for (size_t j = 0; j < qui.size(); ++j)
      if (!fonction(G, qui[j], static_cast<int>(j))) return false;
  } else {
    // The kernel's work on the curves (clipping, integer moves, the move queue, pens, markers)
    // owes nothing to the device: a second core does it on a context in the chart's state whose
    // device does nothing, recording the device calls one function at a time, while this
    // thread sends the calls of the functions before to the chart's device (the longer part,
    // where a file device thins and writes the points). Each replay leaves the chart's context
    // in the state the recording context reached, the one the drawing in place leaves: the same
    // calls and bytes.
    constexpr size_t kTampons = 3;  // functions recorded ahead, at most, in turn
    if (!DessinParPieces(G, qui.size(), kTampons, true, [&](TR_INFO* g, size_t j) {
          return fonction(g, qui[j], static_cast<int>(j));
        }))
      return false;
  }
  if (!marges_.empty()) TraceMarges(G, gain, leg);
  if (leg == &legende_) {
    leg->NoteEtiquettes(Etiquettes);
    leg->Trace(G, col, &Etiquettes);
  }
  return true;
}

void TrBode::Marges() {
  for (unsigned i = 0; i < Param.GetNbFctTransfert(); ++i) {
    TFctTransfert* f = Param.GetFctTransfert(i);
    if (f == nullptr || !f->Checked) continue;
    TMarges m{f, 0, NAN, NAN, 0, NAN, NAN};
    f->ModeBF = false;
    f->InitValue(false);
    m.etatGain = MargeGain(f, &m.mg, &m.wg);
    m.etatPhase = MargePhase(f, &m.mp, &m.wp);
    marges_.push_back(m);
  }
}

double TrBode::PhaseTracee(const TFctTransfert* f, double w, double ref) const {
  for (const TCourbe& c : courbes_) {
    if (c.f != f || c.bf || c.phase.size() != nbp || nbp < 2) continue;
    const double x = std::log10(w);
    size_t k = std::upper_bound(lw_.begin(), lw_.end(), x) - lw_.begin();
    k = std::min<size_t>(std::max<size_t>(k, 1), nbp - 1);
    const double t = (x - lw_[k - 1]) / (lw_[k] - lw_[k - 1]);
    const double p = c.phase[k - 1] + t * (c.phase[k] - c.phase[k - 1]);
    if (!std::isfinite(p)) return ref;
    return ref + 360 * std::nearbyint((p - ref) / 360);
  }
  return ref;
}

void TrBode::TraceMarges(TR_INFO* G, bool gain, TLegende* leg) {
  double wx0, wx1, wy0, wy1;
  G->GET_WINDOW(&wx0, &wx1, &wy0, &wy1);
  double vx0, vx1, vy0, vy1;
  G->GET_VWPORTA(&vx0, &vx1, &vy0, &vy1);
  const double cmx = (wx1 - wx0) / (vx1 - vx0);  // window units per centimetre
  const double ep = std::max(0.5 * Param.EpCourbe, 0.2);
  for (const TMarges& m : marges_) {
    const bool trouvee = (gain ? m.etatGain : m.etatPhase) == MargeTrouvee;
    const double w = gain ? m.wg : m.wp;
    if (!trouvee || !(w > 0)) continue;
    const double x = std::log10(w);
    if (x < std::min(wx0, wx1) || x > std::max(wx0, wx1)) continue;
    // From the curve to the reference line: 0 dB, or -180 degrees by the turns the panel
    // draws the phase at.
    double y0, y1;
    char texte[64];
    if (gain) {
      y0 = -m.mg;
      y1 = 0;
      std::snprintf(texte, sizeof texte, "Mg=%.2fdB", Affiche(m.mg));
    } else {
      y1 = PhaseTracee(m.f, w, -180 + m.mp) - m.mp;
      y0 = y1 + m.mp;
      std::snprintf(texte, sizeof texte, "Mp=%.2f/eo", Affiche(m.mp));
    }
    Plume(G, Param.CBCouleurs, PlumeCourbe(m.f), ep);
    G->SETLIN(0, 1);
    G->MOVE(x, y0);
    G->DRAW(x, y1);
    for (double y : {y0, y1}) {  // short crossbars at both ends
      G->MOVE(x - 0.15 * cmx, y);
      G->DRAW(x + 0.15 * cmx, y);
    }
    const double lo = std::min(wy0, wy1), hi = std::max(wy0, wy1);
    const double ym = std::min(std::max((y0 + y1) / 2, lo), hi);
    G->CADDEFTXTA(0.3, 0, 0);
    EtiquetteRepere(G, x, ym, texte, 0.3, &Etiquettes);
    if (leg == nullptr) continue;
    const double xs[2] = {x, x}, ys[2] = {y0, y1};
    leg->Courbe(-1, 0);
    leg->Note(G, xs, ys, 2);
  }
  G->LINEWIDTH(Param.EpCourbe);
}
