// Checks the properties report line by line against closed forms and hand calculations:
// first-order lag, integrator, second-order loop, margins of a few loops, unstable and
// overflowing responses, expression-defined functions and expression errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "driver/Report.h"
#include "model/FctTransfert.h"
#include "model/Param.h"
#include "sim/SimTemp.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDt = 1e-4;  // default simulation step

// Runs fn with standard output sent to a temporary file and returns the lines it printed.
std::vector<std::string> CaptureLines(const std::function<void()>& fn) {
  std::fflush(stdout);
  FILE* tmp = std::tmpfile();
  int saved = dup(fileno(stdout));
  dup2(fileno(tmp), fileno(stdout));
  fn();
  std::fflush(stdout);
  dup2(saved, fileno(stdout));
  close(saved);
  std::rewind(tmp);
  std::vector<std::string> lines;
  std::string line;
  for (int c; (c = std::fgetc(tmp)) != EOF;) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) lines.push_back(line + "<no line end>");
  std::fclose(tmp);
  return lines;
}

std::vector<std::string> Report(TFctTransfert* f) {
  return CaptureLines([f] { AffProp(f); });
}

std::string Format(const char* fmt, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

// Index of the first line at or after `from` that starts with prefix, or -1.
int Find(const std::vector<std::string>& lines, const std::string& prefix, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i)
    if (lines[i].compare(0, prefix.size(), prefix) == 0) return i;
  return -1;
}

// The number that follows prefix on line i.
double NumberAfter(const std::vector<std::string>& lines, int i, const std::string& prefix) {
  return std::strtod(lines.at(i).c_str() + prefix.size(), nullptr);
}

const std::string kTr2 = "Temps de réponse a 2% : ";
const std::string kTr5 = "Temps de réponse a 5% : ";
const std::string kFinal = "Valeur finale : ";
const std::string kOvershoot = "Dépassement max : ";
const std::string kClosed = "Boucle fermée :";

// The solution of f(w) = 0 between lo and hi for an increasing f, by plain bisection.
double Solve(const std::function<double(double)>& f, double lo, double hi) {
  for (int i = 0; i < 200; ++i) {
    double mid = 0.5 * (lo + hi);
    (f(mid) < 0 ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override { Param.Reset(); }
  void TearDown() override { Param.Reset(); }

  TFctTransfert* Make(const char* name, double gain, std::vector<double> poles) {
    TFctTransfert* f = Param.AddFctTransfert(name, gain);
    for (double p : poles) f->AddPole(p);
    return f;
  }
};

TEST_F(ReportTest, FirstOrderLag) {
  TFctTransfert* h = Make("H", 1, {-1});
  auto lines = Report(h);
  ASSERT_EQ(lines.size(), 30u);                        // no overshoot line in either loop
  const double bw = std::sqrt(std::pow(10, 0.3) - 1);  // |1/(jw+1)| = -3 dB
  const std::vector<std::string> open = {
      "Fonction de transfert  H",
      "",
      "Boucle ouverte :",
      "Régime statique : Gain = 0.00 dB  Phase = 0.00 deg",
      Format("Bande passante à -3dB : %.3G rad/s (%.3G Hz)", bw, bw / (2 * kPi)),
  };
  for (size_t i = 0; i < open.size(); ++i) EXPECT_EQ(lines[i], open[i]) << i;
  EXPECT_EQ(open[4], "Bande passante à -3dB : 0.998 rad/s (0.159 Hz)");
  // The last sample outside the band lies one step before the crossing of the band.
  ASSERT_EQ(Find(lines, kTr2), 5);
  EXPECT_NEAR(NumberAfter(lines, 5, kTr2), std::log(50.0), 1.01 * kDt);
  EXPECT_LE(NumberAfter(lines, 5, kTr2), std::log(50.0));
  ASSERT_EQ(Find(lines, kTr5), 6);
  EXPECT_NEAR(NumberAfter(lines, 6, kTr5), std::log(20.0), 1.01 * kDt);
  // 1 - exp(-t) crosses 10 % and 90 % at ln(10/9) and ln 10: a rise of ln 9 time constants.
  // |1 + 1/(jw + 1)| = |jw + 2| / |jw + 1| only falls: its minimum is at the end, 1 in the limit.
  const std::vector<std::string> rest = {
      Format("Temps de montée (10-90%%) : %.5G s", std::log(9.0)),
      "Valeur finale : 1",
      "Marge de gain indéterminée",
      "Marge de phase indéterminée",
      "Marge de module : 1 (0.00 dB) à 1E+06 rad/s",
      "Gain max : 0.00 dB en statique",
      "Critère de Nyquist : P = 0, N = 0, Z = 0",
      "",
      "*************************",
      kClosed,
      "Régime statique : Gain = -6.02 dB  Phase = 0.00 deg",
      Format("Bande passante à -3dB : %.3G rad/s (%.3G Hz)", 2 * bw, 2 * bw / (2 * kPi)),
  };
  for (size_t i = 0; i < rest.size(); ++i) EXPECT_EQ(lines[7 + i], rest[i]) << i;
  EXPECT_NEAR(NumberAfter(lines, 19, kTr2), std::log(50.0) / 2, 1.01 * kDt);
  EXPECT_NEAR(NumberAfter(lines, 20, kTr5), std::log(20.0) / 2, 1.01 * kDt);
  // Class 0 with Kp = 1: a step leaves 1/(1 + Kp), a ramp and a parabola grow without bound.
  const std::vector<std::string> end = {
      Format("Temps de montée (10-90%%) : %.5G s", std::log(9.0) / 2),
      "Valeur finale : 0.5",
      "Gain max : -6.02 dB en statique",
      // s + 1 + k: stable for every gain; at k = 1 the pole -2, of time constant 1/2.
      "Domaine de stabilité en gain : tout k > 0",
      "Pôles : -2 (constante de temps 0.5 s)",
      "Classe : 0",
      "Erreur statique (échelon) : 0.5",
      "Erreur de traînage (rampe) : infinie",
      "Erreur en accélération (parabole) : infinie",
  };
  for (size_t i = 0; i < end.size(); ++i) EXPECT_EQ(lines[21 + i], end[i]) << i;
  EXPECT_TRUE(h->ModeBF);
}

TEST_F(ReportTest, Integrator) {
  TFctTransfert* h = Make("I", 1, {0});
  auto lines = Report(h);
  // 1/s crosses 0 dB at 1 rad/s with 90 degrees of margin: pi/2 s of delay bring it to -180.
  // |1 + 1/(jw)| = sqrt(1 + 1/w^2) only falls towards 1.
  const std::vector<std::string> head = {
      "Fonction de transfert  I",
      "",
      "Boucle ouverte :",
      "Régime statique : Gain infini (-20.0 dB/dec)  Phase = -90.00 deg",
      "Marge de gain indéterminée",
      "Marge de phase: 90.00 deg (stable)",
      "  Pulsation de coupure à 0 dB : 1 rad/s",
      "Marge de module : 1 (0.00 dB) à 1E+06 rad/s",
      Format("Marge de retard : %.4G s", kPi / 2),
      "Gain max infini (en statique)",
      "Critère de Nyquist : P = 0, N = 0, Z = 0",
      "",
      "*************************",
      kClosed,
      "Régime statique : Gain = 0.00 dB  Phase = 0.00 deg",
      "Bande passante à -3dB : 0.998 rad/s (0.159 Hz)",
  };
  ASSERT_EQ(lines.size(), head.size() + 11);
  for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]) << i;
  EXPECT_NEAR(NumberAfter(lines, 16, kTr2), std::log(50.0), 1.01 * kDt);
  EXPECT_NEAR(NumberAfter(lines, 17, kTr5), std::log(20.0), 1.01 * kDt);
  // Class 1 with Kv = lim s H(s) = 1.
  const std::vector<std::string> tail = {
      Format("Temps de montée (10-90%%) : %.5G s", std::log(9.0)),
      "Valeur finale : 1",
      "Gain max : 0.00 dB en statique",
      "Domaine de stabilité en gain : tout k > 0",
      "Pôles : -1 (constante de temps 1 s)",
      "Classe : 1",
      "Erreur statique (échelon) : 0",
      "Erreur de traînage (rampe) : 1",
      "Erreur en accélération (parabole) : infinie",
  };
  for (size_t i = 0; i < tail.size(); ++i) EXPECT_EQ(lines[18 + i], tail[i]) << i;
}

// Poles 0 and -1: the closed loop 1/(s^2 + s + 1) has damping 0.5 and natural frequency 1.
TEST_F(ReportTest, SecondOrderLoop) {
  TFctTransfert* h = Make("H", 1, {0, -1});
  auto lines = Report(h);
  const double wc = std::sqrt((std::sqrt(5.0) - 1) / 2);  // w^2 (w^2 + 1) = 1
  std::vector<std::string> open = {
      "Régime statique : Gain infini (-20.0 dB/dec)  Phase = -90.00 deg",
      "Marge de gain indéterminée",
      Format("Marge de phase: %.2f deg (stable)", 90 - std::atan(wc) * 180 / kPi),
      Format("  Pulsation de coupure à 0 dB : %.4G rad/s", wc),
  };
  for (size_t i = 0; i < open.size(); ++i) EXPECT_EQ(lines.at(3 + i), open[i]) << i;
  ASSERT_EQ(Find(lines, "Gain max infini (en statique)"), 9);
  // Open-loop phase -90 - atan(w) reaches -135, -130, -120 degrees at w = tan(45, 40, 30).
  const char* prefixes[] = {
      "Gain à -135° (mp=45°) : ", "Gain à -130° (mp=50°) : ", "Gain à -120° (mp=60°) : "};
  const double angles[] = {45, 40, 30};
  for (int k = 0; k < 3; ++k) {
    const double w = std::tan(angles[k] * kPi / 180);
    const double gain = 1 / (w * std::sqrt(1 + w * w));
    ASSERT_EQ(Find(lines, prefixes[k]), 10 + k);
    EXPECT_EQ(lines[10 + k].substr(0, lines[10 + k].find(" dB")),
              Format("%s%.2f", prefixes[k], 20 * std::log10(gain)));
    const double shown =
        std::strtod(lines[10 + k].c_str() + lines[10 + k].find('(', 20) + 1, nullptr);
    EXPECT_NEAR(shown, gain, 1e-5 * gain) << k;
  }
  const int closed = Find(lines, kClosed);
  EXPECT_EQ(lines.at(13), "Critère de Nyquist : P = 0, N = 0, Z = 0");
  ASSERT_EQ(closed, 16);
  EXPECT_EQ(lines[17], "Régime statique : Gain = 0.00 dB  Phase = 0.00 deg");
  const double w3 = std::sqrt((1 + std::sqrt(1 - 4 * (1 - std::pow(10, 0.3)))) / 2);
  EXPECT_EQ(lines[18], Format("Bande passante à -3dB : %.3G rad/s (%.3G Hz)", w3, w3 / (2 * kPi)));
  // The exact step 1 - exp(-zeta t) (cos wd t + zeta / wd sin wd t) rises up to its peak at
  // pi / wd: its 10 % and 90 % times by bisection.
  const double zeta = 0.5, wd = std::sqrt(1 - zeta * zeta);
  auto step = [&](double t) {
    return 1 - std::exp(-zeta * t) * (std::cos(wd * t) + zeta / wd * std::sin(wd * t));
  };
  const double t10 = Solve([&](double t) { return step(t) - 0.1; }, 0, kPi / wd);
  const double t90 = Solve([&](double t) { return step(t) - 0.9; }, 0, kPi / wd);
  EXPECT_EQ(lines[21], Format("Temps de montée (10-90%%) : %.5G s", t90 - t10));
  EXPECT_EQ(lines[22], "Valeur finale : 1");
  // Overshoot exp(-pi zeta / sqrt(1 - zeta^2)) at the time pi / wd.
  const double over = std::exp(-kPi * zeta / wd);
  ASSERT_EQ(Find(lines, kOvershoot), 23);
  double percent, peak, tpeak;
  ASSERT_EQ(std::sscanf(lines[23].c_str() + kOvershoot.size(), "%lf %% ( = %lf @ %lfs)", &percent,
                        &peak, &tpeak),
            3);
  EXPECT_NEAR(percent, 100 * over, 1e-3);
  EXPECT_NEAR(peak, 1 + over, 1e-5);
  EXPECT_NEAR(tpeak, kPi / wd, 2 * kDt);
  // Resonance of the closed loop at sqrt(1 - 2 zeta^2) with 1/(2 zeta wd).
  EXPECT_EQ(lines.at(24),
            Format("Gain max : %.2f dB (%.3G rad/s)", 20 * std::log10(1 / (2 * zeta * wd)),
                   std::sqrt(1 - 2 * zeta * zeta)));
  // s^2 + s + k: stable for every gain; at k = 1 the pair of damping 0.5 and frequency 1.
  EXPECT_EQ(lines.at(25), "Domaine de stabilité en gain : tout k > 0");
  EXPECT_EQ(lines.at(26), Format("Pôles : -0.5 ± %.4Gj (amortissement 0.5, pulsation propre 1 rad/s)",
                                 wd));
  EXPECT_EQ(lines.at(27), "Classe : 1");
  EXPECT_EQ(lines.size(), 31u);
}

// K/(s(s+1)(s+2)): phase crossover at sqrt(2) rad/s, gain margin 20 log10(6/K).
TEST_F(ReportTest, MarginsOfThirdOrderLoop) {
  for (double k : {2.0, 12.0}) {
    Param.Reset();
    TFctTransfert* h = Make("H", k, {0, -1, -2});
    auto lines = Report(h);
    const double gm = 20 * std::log10(6 / k);
    EXPECT_EQ(lines.at(4),
              Format("Marge de gain : %.2f dB (%s)", gm, gm > 0 ? "stable" : "instable"));
    // The phase -90 - atan(w) - atan(w/2) is -180 where w^2 = 2.
    EXPECT_EQ(lines.at(5), Format("  Pulsation à -180° : %.4G rad/s", std::sqrt(2.0)));
    const double wc =
        Solve([k](double w) { return w * w * (w * w + 1) * (w * w + 4) - k * k; }, 0, 10);
    const double mp = 90 - (std::atan(wc) + std::atan(wc / 2)) * 180 / kPi;
    EXPECT_EQ(lines.at(6),
              Format("Marge de phase: %.2f deg (%s)", mp, mp >= 0 ? "stable" : "instable"));
    EXPECT_EQ(lines.at(7), Format("  Pulsation de coupure à 0 dB : %.4G rad/s", wc));
    // The closed loop K/(s^3 + 3s^2 + 2s + K) is stable for K < 6 only: no response otherwise.
    const int closed = Find(lines, kClosed);
    ASSERT_GT(closed, 0);
    EXPECT_EQ(lines.at(closed + 1), "Régime statique : Gain = 0.00 dB  Phase = 0.00 deg");
    if (k < 6) {
      EXPECT_EQ(lines.at(Find(lines, kFinal, closed)), "Valeur finale : 1");
    } else {
      EXPECT_EQ(Find(lines, kTr2, closed), -1);
    }
  }
}

// Two lags A/((s+1)(s+10)): the phase reaches -135 where atan(w) + atan(w/10) = 135 degrees.
TEST_F(ReportTest, MarginsOfTwoLags) {
  for (double gain : {10.0, 100.0}) {
    Param.Reset();
    TFctTransfert* h = Make("H", gain, {-1, -10});
    auto lines = Report(h);
    auto modulus = [gain](double w) { return gain / std::sqrt((w * w + 1) * (w * w + 100)); };
    auto phase = [](double w) { return (std::atan(w) + std::atan(w / 10)) * 180 / kPi; };
    EXPECT_EQ(lines.at(3), Format("Régime statique : Gain = %.2f dB  Phase = 0.00 deg",
                                  20 * std::log10(gain / 10)));
    const int gmLine = Find(lines, "Marge de gain");
    EXPECT_EQ(lines.at(gmLine), "Marge de gain indéterminée");  // the phase tends to -180
    if (gain == 10) {
      // The modulus starts at exactly 0 dB and only falls: no crossing inside the interval.
      EXPECT_EQ(lines.at(gmLine + 1), "Marge de phase indéterminée");
    } else {
      const double wc = Solve([&](double w) { return 1 - modulus(w); }, 0, 100);
      EXPECT_EQ(lines.at(gmLine + 1), Format("Marge de phase: %.2f deg (stable)", 180 - phase(wc)));
    }
    const double phases[] = {135, 130, 120};
    for (int k = 0; k < 3; ++k) {
      const double w = Solve([&](double x) { return phase(x) - phases[k]; }, 0, 1e4);
      const std::string prefix = Format("Gain à -%.0f° (mp=%.0f°) : ", phases[k], 180 - phases[k]);
      const int i = Find(lines, prefix);
      ASSERT_GT(i, 0) << prefix;
      EXPECT_EQ(lines[i].substr(0, lines[i].find(" dB")),
                Format("%s%.2f", prefix.c_str(), 20 * std::log10(modulus(w))));
    }
  }
}

// (s + 1.03)/(s + 1) starts at 1, within 5 % of its final value 1.03 but not within 2 %.
TEST_F(ReportTest, ResponseAlwaysInsideTheFivePercentBand) {
  TFctTransfert* h = Make("H", 1, {-1});
  h->AddZero(-1.03);
  auto lines = Report(h);
  const int i = Find(lines, kTr2);
  ASSERT_EQ(i, 4);  // the modulus never falls by 3 dB: no bandwidth line
  EXPECT_NEAR(NumberAfter(lines, i, kTr2), std::log(0.03 / (1.03 * 0.02)), 1.01 * kDt);
  EXPECT_EQ(lines[i + 1], "Temps de réponse a 5% : 0 s");
  EXPECT_EQ(lines[i + 2], "Temps de montée (10-90%) : 0 s");  // above 90 % from the start
  EXPECT_EQ(lines[i + 3], "Valeur finale : 1.03");
}

// A pure gain is inside both bands from the first sample: it settles at once, in both loops.
TEST_F(ReportTest, PureGainSettlesAtOnce) {
  TFctTransfert* h = Param.AddFctTransfert("K", 5);
  auto lines = Report(h);
  const std::vector<std::string> expected = {
      "Fonction de transfert  K",
      "",
      "Boucle ouverte :",
      Format("Régime statique : Gain = %.2f dB  Phase = 0.00 deg", 20 * std::log10(5.0)),
      "Temps de réponse a 2% : 0 s",
      "Temps de réponse a 5% : 0 s",
      "Temps de montée (10-90%) : 0 s",
      "Valeur finale : 5",
      "Marge de gain indéterminée",
      "Marge de phase indéterminée",
      // |1 + 5| at every frequency: the first one searched.
      "Marge de module : 6 (15.56 dB) à 1E-06 rad/s",
      Format("Gain max : %.2f dB en statique", 20 * std::log10(5.0)),
      "Critère de Nyquist : P = 0, N = 0, Z = 0",
      "",
      "*************************",
      kClosed,
      Format("Régime statique : Gain = %.2f dB  Phase = 0.00 deg", 20 * std::log10(5.0 / 6)),
      "Temps de réponse a 2% : 0 s",
      "Temps de réponse a 5% : 0 s",
      "Temps de montée (10-90%) : 0 s",
      Format("Valeur finale : %G", 5.0 / 6),
      Format("Gain max : %.2f dB en statique", 20 * std::log10(5.0 / 6)),
      "Domaine de stabilité en gain : tout k > 0",  // 1 + 5k has no root: no pole line
      "Classe : 0",
      "Erreur statique (échelon) : 0.1667",
      "Erreur de traînage (rampe) : infinie",
      "Erreur en accélération (parabole) : infinie",
  };
  EXPECT_EQ(lines, expected);
}

// A fast unstable oscillation overflows to non-finite samples: no response time is reported.
TEST_F(ReportTest, OverflowingResponseHasNoResponseTime) {
  TFctTransfert* h = Param.AddFctTransfert("H", 12500);
  h->AddPoleC(1, -100, 12500);  // poles 50 +- 100j, static gain 1
  {
    const double a[] = {12500, -100}, b[] = {12500};
    SimTemp s(a, 2, b, 1);
    s.Dt = kDt;
    bool nonFinite = false;
    while (s.T < Param.EdTFin && !nonFinite) nonFinite = !std::isfinite(s.NextY());
    ASSERT_TRUE(nonFinite) << "the response must overflow for this check to mean anything";
  }
  double tr;
  TPerfTemp perf;
  h->ModeBF = false;
  EXPECT_FALSE(TempsReponseDep(2, h, &tr, &perf));
  EXPECT_GE(tr, Param.EdTFin);  // outside the band up to the last sample
  auto lines = Report(h);
  EXPECT_EQ(Find(lines, kTr2), -1);
  EXPECT_EQ(Find(lines, kTr5), -1);
}

// Loops with a pole too fast for Runge-Kutta at the default step: the time lines of both loops
// are those of the exact step response sampled at the simulator's times.
TEST_F(ReportTest, StiffLoopsGiveTheExactTimeLines) {
  const double q = 1e5;
  // Step response of K p1 p2/((s + p1)(s + p2)), p1 < p2.
  auto twoLags = [](double k, double p1, double p2) {
    return [=](double t) {
      return k * (1 - (p2 * std::exp(-p1 * t) - p1 * std::exp(-p2 * t)) / (p2 - p1));
    };
  };
  // Closed loop of 1e5/((s+1)(s+1e5)): s^2 + 100001 s + 2e5.
  const double disc = std::sqrt((q + 1) * (q + 1) - 8 * q);
  const double c1 = ((q + 1) - disc) / 2, c2 = ((q + 1) + disc) / 2;
  struct Row {
    TFctTransfert* f;
    std::function<double(double)> open, closed;
    double yOpen, yClosed;
  };
  const std::vector<Row> rows = {
      {Make("A", q, {-q}), [=](double t) { return 1 - std::exp(-q * t); },
       [=](double t) { return 0.5 * (1 - std::exp(-2 * q * t)); }, 1, 0.5},
      {Make("B", q, {-1, -q}), twoLags(1, 1, q), twoLags(0.5, c1, c2), 1, 0.5},
  };
  for (const Row& r : rows) {
    auto lines = Report(r.f);
    int from = 0;
    for (int loop = 0; loop < 2; ++loop) {
      const auto& exact = loop == 0 ? r.open : r.closed;
      const double yfin = loop == 0 ? r.yOpen : r.yClosed;
      double tr2 = 0, tr5 = 0, t = 0;
      // The rise from the exact samples, each level's time interpolated between two samples.
      double t10 = NAN, t90 = NAN, yPrev = 0, tPrev = 0;
      do {
        const double y = exact(t);
        if (std::fabs(y - yfin) > 0.02 * yfin) tr2 = t;
        if (std::fabs(y - yfin) > 0.05 * yfin) tr5 = t;
        for (auto [level, time] : {std::pair<double, double*>{0.1, &t10}, {0.9, &t90}}) {
          if (std::isnan(*time) && y >= level * yfin)
            *time = tPrev + (level * yfin - yPrev) / (y - yPrev) * (t - tPrev);
        }
        yPrev = y;
        tPrev = t;
        t += kDt;
      } while (t - kDt < Param.EdTFin);
      const int i = Find(lines, kTr2, from);
      ASSERT_GT(i, 0) << r.f->Nom << loop;
      EXPECT_EQ(lines[i], kTr2 + Format("%G s", tr2)) << r.f->Nom << loop;
      EXPECT_EQ(lines[i + 1], kTr5 + Format("%G s", tr5)) << r.f->Nom << loop;
      EXPECT_EQ(lines[i + 2], Format("Temps de montée (10-90%%) : %.5G s", t90 - t10))
          << r.f->Nom << loop;
      EXPECT_EQ(lines[i + 3], kFinal + Format("%G", yfin)) << r.f->Nom << loop;
      from = Find(lines, kClosed);
    }
  }
}

// Ten million steps (1000 s at the default step) are simulated at the step given: the times of
// 7/(s+7) are those of 1 - e^-7t on the 1e-4 s grid, ln(50)/7 = 0.55886 giving 0.5588.
TEST_F(ReportTest, LongSimulationKeepsItsStep) {
  Param.EdTFin = 1000;
  auto lines = Report(Make("H", 7, {-7}));
  const int i = Find(lines, kTr2);
  ASSERT_GT(i, 0);
  const double tr2 = std::floor(std::log(50.0) / 7 / kDt) * kDt;
  const double tr5 = std::floor(std::log(20.0) / 7 / kDt) * kDt;
  EXPECT_EQ(lines[i], kTr2 + Format("%G s", tr2));
  EXPECT_EQ(lines[i + 1], kTr5 + Format("%G s", tr5));
}

// U/(1+U) with U = 2/(s-1) keeps (s-1) above and below; cancelled, it reports like its closed
// loop written with factors, 2/(s+1), also over a simulation long enough for e^t to show.
TEST_F(ReportTest, CommonPoleAndZeroOfAnExpressionCancel) {
  Make("U", 2, {1});
  TFctTransfert* expr = Param.AddFctTransfert("F", 1);
  expr->ChangeExpression("U/(1+U)");
  TFctTransfert* direct = Make("D", 2, {-1});
  for (double tfin : {30.0, 40.0}) {
    Param.EdTFin = tfin;
    auto a = Report(direct), b = Report(expr);
    ASSERT_NE(Find(a, kTr2), -1);
    EXPECT_EQ(Find(b, kOvershoot), -1);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 1; i < a.size(); ++i) EXPECT_EQ(a[i], b[i]) << tfin << " " << i;
  }
}

// After a chart swept the phase with unwrapping on, the static phase is still the principal one.
TEST_F(ReportTest, StaticPhaseIgnoresAnEarlierUnwrappedSweep) {
  Make("G", 1, {-1});
  TFctTransfert* h = Param.AddFctTransfert("H", 1);
  h->ChangeExpression("G*G*G");
  h->InitValue(true);
  TComplexP y;
  for (double w = 0.1; w <= 100; w *= 1.1) ASSERT_TRUE(h->Value(w, &y));
  ASSERT_LT(y.p, -kPi);
  auto lines = Report(h);
  EXPECT_EQ(lines.at(3), "Régime statique : Gain = 0.00 dB  Phase = 0.00 deg");
}

TEST_F(ReportTest, ExpressionReportsLikeFactors) {
  TFctTransfert* direct = Make("D", 2, {0, -1, -2});
  Make("I", 1, {0});
  Make("G", 1, {-1});
  Make("G2", 1, {-2});
  TFctTransfert* expr = Param.AddFctTransfert("E", 1);
  expr->ChangeExpression("2*I*G*G2");
  auto a = Report(direct), b = Report(expr);
  ASSERT_EQ(a.size(), b.size());
  ASSERT_GT(a.size(), 15u);
  for (size_t i = 1; i < a.size(); ++i) EXPECT_EQ(a[i], b[i]) << i;
}

TEST_F(ReportTest, ExpressionErrors) {
  TFctTransfert* h = Param.AddFctTransfert("H", 1);
  h->ChangeExpression("Nope*2");
  auto lines = Report(h);
  EXPECT_EQ(lines, (std::vector<std::string>{"Fonction de transfert  H", "", "Boucle ouverte :",
                                             "Erreur : Nom de symbole inconnu"}));
  EXPECT_FALSE(h->ModeBF);

  // "^" is evaluated in frequency but cannot be simulated: the report goes on without times.
  Make("G", 1, {-1});
  h->ChangeExpression("G^2");
  lines = Report(h);
  const double bw = std::sqrt(std::pow(10, 0.15) - 1);  // 1/(1 + w^2) = -3 dB
  EXPECT_EQ(lines.at(3), "Régime statique : Gain = 0.00 dB  Phase = 0.00 deg");
  EXPECT_EQ(lines.at(4),
            Format("Bande passante à -3dB : %.3G rad/s (%.3G Hz)", bw, bw / (2 * kPi)));
  EXPECT_EQ(Find(lines, kTr2), -1);
  EXPECT_GT(Find(lines, kClosed), 0);
  EXPECT_TRUE(h->ModeBF);
}

// U/(1+U) of a delayed U is no rational fraction times one delay: told once, no time lines,
// and its frequency figures are those of U's closed loop.
TEST_F(ReportTest, DelaysThatNoFactorGathersHaveNoTimeResponse) {
  TFctTransfert* u = Make("U", 2, {-1});
  u->Retard = 0.5;
  const auto ref = Report(u);
  TFctTransfert* h = Param.AddFctTransfert("T", 1);
  h->ChangeExpression("U/(1+U)");
  const auto lines = Report(h);
  int dits = 0;
  for (const std::string& l : lines)
    dits += l == "Erreur : Retard non rationnel dans l'expression (T)";
  EXPECT_EQ(dits, 1);
  EXPECT_EQ(Find(lines, kTr2), -1);
  const int closed = Find(lines, kClosed);
  ASSERT_GT(closed, 0);
  EXPECT_EQ(lines.at(Find(lines, "Gain max")), ref.at(Find(ref, "Gain max", Find(ref, kClosed))));
  EXPECT_EQ(lines.at(Find(lines, "Bande passante")),
            ref.at(Find(ref, "Bande passante", Find(ref, kClosed))));
}

}  // namespace

namespace {

// The longest duration at the finest step would be 1e10 steps; the report enlarges the step
// instead and still finds the first-order times ln(50) and ln(20) to RK4 accuracy.
TEST_F(ReportTest, LongestSimulationAtFinestStepStaysBounded) {
  Param.EdTFin = 1000;
  Param.EdDt = 1e-7;
  TFctTransfert* h = Make("H", 1, {-1});
  auto lines = Report(h);
  const double dt = 1000 * (3.3 + 1.0 / 6) / 1.4e8;  // work bound over the cost of a first-order step
  ASSERT_EQ(Find(lines, kTr2), 5);
  EXPECT_NEAR(NumberAfter(lines, 5, kTr2), std::log(50.0), 1.01 * dt);
  EXPECT_NEAR(NumberAfter(lines, 6, kTr5), std::log(20.0), 1.01 * dt);
}

}  // namespace

namespace {

// Found by fuzzing: an improper function (more zeros than poles) has an inactive simulator
// whose time never advances; the report used to wait for it forever.
TEST_F(ReportTest, ImproperFunctionReportsWithoutTimeResponse) {
  TFctTransfert* h = Make("H", 2, {-1});
  h->AddZero(-2);
  h->AddZero(-3);
  double tr = -1;
  TPerfTemp perf;
  h->ModeBF = false;
  EXPECT_FALSE(TempsReponseDep(2, h, &tr, &perf));
  auto lines = Report(h);
  // Static gain 2*6/1 = 12, phase -w/6 at low frequency.
  EXPECT_EQ(lines.at(3), "Régime statique : Gain = 21.58 dB  Phase = 0.00 deg");
  EXPECT_EQ(Find(lines, kTr2), -1);
  EXPECT_EQ(Find(lines, kFinal), -1);
  EXPECT_NE(Find(lines, kClosed), -1);
}

// More zeros than poles: the step response cannot be simulated, but the report ends (the
// output is held at zero, which never settles at the static gain, so no time lines).
TEST_F(ReportTest, ImproperFunctionReportEnds) {
  TFctTransfert* h = Make("I", 1, {-3});
  h->AddZero(-1);
  h->AddZero(-2);
  auto lines = Report(h);
  EXPECT_EQ(Find(lines, kTr2), -1);
  EXPECT_NE(Find(lines, kClosed), -1);
  EXPECT_EQ(lines.at(3), "Régime statique : Gain = -3.52 dB  Phase = 0.00 deg");
}

}  // namespace

namespace {

// One loop of the table: gain, real zeros and poles, second-order factors of the denominator.
struct Loop {
  const char* name;
  double gain;
  std::vector<double> zeros, poles;
  std::vector<TFctTransfert::Tpc> quadratics;
  std::string gainMargin, phaseMargin;  // expected lines
  bool closedLoopStable;                // every root of den + num in the left half-plane
  std::string openMax, closedMax;       // expected maximum-gain lines ("" for not checked)
  int P, N, Z;                          // Nyquist criterion: Z closed-loop poles on the right
  std::string gains;  // the stable range of the loop gain k (Routh's table, or Octave)
  // Frequency lines after the gain and phase margins ("": no such line).
  std::string phaseCrossover = "", gainCrossover = "";
  double delay = 0;  // e^(-delay s)
  double tFin = 0;   // simulated time, when not the default
};

TFctTransfert* Build(const Loop& l) {
  TFctTransfert* f = Param.AddFctTransfert(l.name, l.gain);
  for (double z : l.zeros) f->AddZero(z);
  for (double p : l.poles) f->AddPole(p);
  for (const auto& q : l.quadratics) f->AddPoleC(q.a, q.b, q.c);
  f->Retard = l.delay;
  return f;
}

// The same loop as an expression: the product of the gain and of one function per factor.
TFctTransfert* Twin(const Loop& l) {
  std::string e = Format("%.17g", l.gain);
  int k = 0;
  auto factor = [&](TFctTransfert* f) {
    f->Rename(Format("F%d", k++).c_str());
    e += std::string("*") + f->Nom;
    return f;
  };
  for (double z : l.zeros) factor(Param.AddFctTransfert("x", 1))->AddZero(z);
  for (double p : l.poles) factor(Param.AddFctTransfert("x", 1))->AddPole(p);
  for (const auto& q : l.quadratics) factor(Param.AddFctTransfert("x", 1))->AddPoleC(q.a, q.b, q.c);
  // The delay split between two functions of the product.
  if (l.delay > 0) {
    factor(Param.AddFctTransfert("x", 1))->Retard = 0.25 * l.delay;
    factor(Param.AddFctTransfert("x", 1))->Retard = 0.75 * l.delay;
  }
  TFctTransfert* t = Param.AddFctTransfert("T", 1);
  t->ChangeExpression(e.c_str());
  return t;
}

double Deg(double rad) { return rad * 180 / kPi; }

// A figure printed with two decimals that rounds to 0 is printed 0.00.
double Decimal2(double x) { return std::fabs(x) < 0.005 ? 0.0 : x; }

// H(jw) of a loop of the table from its factors, in complex arithmetic.
std::complex<double> Evaluate(const Loop& l, double w) {
  const std::complex<double> s(0, w);
  std::complex<double> h = l.gain;
  for (double z : l.zeros) h *= s - z;
  for (double p : l.poles) h /= s - p;
  for (const auto& q : l.quadratics) h /= q.a * s * s + q.b * s + q.c;
  return h * std::exp(-s * l.delay);
}

// Smallest |1 + H(jw)| over [1e-6, 1e6]: 500 samples a decade, each local minimum refined by
// golden section to a relative 1e-9 in w.
void ModulusReference(const Loop& l, double* m, double* w) {
  auto d = [&l](double x) { return std::abs(1.0 + Evaluate(l, std::exp(x))); };
  const int n = 12 * 500;
  std::vector<double> x(n + 1), v(n + 1);
  for (int i = 0; i <= n; ++i) v[i] = d(x[i] = std::log(1e-6) + i * std::log(1e12) / n);
  *m = INFINITY;
  for (int i = 0; i <= n; ++i) {
    if ((i > 0 && v[i] > v[i - 1]) || (i < n && v[i] > v[i + 1])) continue;
    double a = x[i > 0 ? i - 1 : 0], b = x[i < n ? i + 1 : n];
    while (b - a > 1e-9) {
      const double c = a + 0.382 * (b - a), e = b - 0.382 * (b - a);
      (d(c) <= d(e) ? b : a) = d(c) <= d(e) ? e : c;
    }
    if (d((a + b) / 2) < *m) {
      *m = d((a + b) / 2);
      *w = std::exp((a + b) / 2);
    }
  }
}

// The least delay that brings a 0 dB crossing to -180 degrees: every crossing by 500 samples a
// decade and bisection, the extra lag being (arg H + 180) modulo 360 degrees.
bool DelayReference(const Loop& l, double* tau) {
  auto g = [&l](double w) { return std::abs(Evaluate(l, w)) - 1; };
  bool found = false;
  for (int i = 0; i < 12 * 500; ++i) {
    double a = 1e-6 * std::pow(10, i / 500.0), b = 1e-6 * std::pow(10, (i + 1) / 500.0);
    if ((g(a) > 0) == (g(b) > 0)) continue;
    const bool up = g(a) > 0;
    for (int k = 0; k < 100; ++k) ((g(std::sqrt(a * b)) > 0) == up ? a : b) = std::sqrt(a * b);
    const double lag = std::fmod(std::arg(Evaluate(l, a)) + kPi + 4 * kPi, 2 * kPi);
    if (lag > 0 && (!found || lag / a < *tau)) *tau = lag / a;
    found = found || lag > 0;
  }
  return found;
}

// Loops with known answers. Crossings of -180 degrees and of 0 dB are solved in closed form or
// taken from GNU Octave (control package: roots of Im(N(jw) conj D(jw)) and of |N|^2 - |D|^2,
// closed-loop poles with pole(feedback(H, 1)), peaks with fminbnd on |H(jw)|); the phase is the
// one its poles and zeros give, continuous from w = 0, so a principal value from Octave is
// moved by the multiple of 360 degrees that the structure fixes.
TEST_F(ReportTest, MarginsAndClosedLoopStabilityOfKnownLoops) {
  const double r281 = std::sqrt(281.0);
  auto cs = [](double w) {  // 2000 (s+1)^2 / (s^3 (s+20)^2), -180 degrees where w^2 - 19w + 20 = 0
    return 2000 * (1 + w * w) / (w * w * w * (400 + w * w));
  };
  const double cm1 = -20 * std::log10(cs((19 - r281) / 2)),
               cm2 = -20 * std::log10(cs((19 + r281) / 2));
  const double lead = 180 + Deg(std::atan(2.0) - std::atan(0.5));  // |2(jw+1)/(jw+4)| = 1 at w = 2
  // K e^(-tau s)/(s+1): -180 degrees where w tau + atan w = pi, turn after turn (the first one
  // is the closest to 0 dB here); 0 dB at sqrt(K^2 - 1).
  auto lag180 = [](double tau) {
    return Solve([tau](double w) { return w * tau + std::atan(w) - kPi; }, 0, 4 / tau + 4);
  };
  auto lagMargin = [&](double k, double tau) {
    return -20 * std::log10(k / std::hypot(1, lag180(tau)));
  };
  auto lagPhase = [](double k, double tau) {
    const double wc = std::sqrt(k * k - 1);
    return 180 - Deg(std::atan(wc) + wc * tau);
  };
  // K e^(-0.3 s)/(s(s+1)): -180 where atan w + 0.3 w = pi/2; 0 dB at w^2 = (sqrt(1+4K^2)-1)/2.
  const double wi = Solve([](double w) { return std::atan(w) + 0.3 * w - kPi / 2; }, 0, 10);
  const double wic = std::sqrt((std::sqrt(5.0) - 1) / 2);
  // 1/(s+1)^3 behind 1 us: -180 where 3 atan w + 1e-6 w = pi.
  const double w3 = Solve([](double w) { return 3 * std::atan(w) + 1e-6 * w - kPi; }, 0, 10);
  const std::vector<Loop> loops = {
      // 1/(s+1)^3: -180 degrees at sqrt 3, |H| = 1/8 there; |H| < 1 everywhere. Stable gains
      // by Routh's table of den + k num (here 3 * 3 > 1 + k); those of E and G from Octave
      // (bisection of max(real(roots(den + k num))) < 0 over k).
      {"A",
       1,
       {},
       {-1, -1, -1},
       {},
       Format("Marge de gain : %.2f dB (stable)", 20 * std::log10(8.0)),
       "Marge de phase indéterminée",
       true,
       "Gain max : 0.00 dB en statique",
       "",
       0, 0, 0,
       "0 < k < 8",
       Format("  Pulsation à -180° : %.4G rad/s", std::sqrt(3.0))},
      // 2/(s(s+1)(s+2)): sqrt 2 and 20 log10(6/2); Octave margin: 32.613097 deg at 0.74936828,
      // closed-loop peak 5.282738 dB at 0.81649658.
      {"B",
       2,
       {},
       {0, -1, -2},
       {},
       Format("Marge de gain : %.2f dB (stable)", 20 * std::log10(3.0)),
       "Marge de phase: 32.61 deg (stable)",
       true,
       "Gain max infini (en statique)",
       "Gain max : 5.28 dB (0.816 rad/s)",
       0, 0, 0,
       "0 < k < 3",
       Format("  Pulsation à -180° : %.4G rad/s", std::sqrt(2.0)),
       "  Pulsation de coupure à 0 dB : 0.7494 rad/s"},
      // 1/(s(s+1)): the phase only tends to -180; Octave: 51.827292 deg.
      {"C",
       1,
       {},
       {0, -1},
       {},
       "Marge de gain indéterminée",
       "Marge de phase: 51.83 deg (stable)",
       true,
       "",
       Format("Gain max : %.2f dB (%.3G rad/s)", 20 * std::log10(2 / std::sqrt(3.0)),
              std::sqrt(0.5)),
       0, 0, 0,
       "tout k > 0",
       "",
       Format("  Pulsation de coupure à 0 dB : %.4G rad/s", std::sqrt((std::sqrt(5.0) - 1) / 2))},
      // Type 2, 2(s+1)^2/s^3: the phase rises through -180 at w = 1 where |H| = 4; Octave
      // 0 dB at 2.359304086 with -135.939688 deg; closed-loop poles -0.68 +- 1.63j, -0.64, peak
      // 5.314462 dB at 1.6649330.
      {"D",
       2,
       {-1, -1},
       {0, 0, 0},
       {},
       Format("Marge de gain : %.2f dB (instable)", -20 * std::log10(4.0)),
       "Marge de phase: 44.06 deg (stable)",
       true,
       "Gain max infini (en statique)",
       "Gain max : 5.31 dB (1.66 rad/s)",
       0, 0, 0,
       "k > 0.25",
       "  Pulsation à -180° : 1 rad/s",
       "  Pulsation de coupure à 0 dB : 2.359 rad/s"},
      // Conditionally stable, two -180 crossings; the margin closest to 0 dB is the second.
      // Octave: 0 dB at 4.9111636 with 39.388862 deg; closed-loop poles all in the left half,
      // closed-loop peak 4.015434 dB at 3.6365592.
      {"E",
       2000,
       {-1, -1},
       {0, 0, 0, -20, -20},
       {},
       Format("Marge de gain : %.2f dB (stable)", std::fabs(cm1) < std::fabs(cm2) ? cm1 : cm2),
       "Marge de phase: 39.39 deg (stable)",
       true,
       "",
       "Gain max : 4.02 dB (3.64 rad/s)",
       0, 0, 0,
       "0.1247 < k < 6.415",
       Format("  Pulsation à -180° : %.4G rad/s",
              std::fabs(cm1) < std::fabs(cm2) ? (19 - r281) / 2 : (19 + r281) / 2),
       "  Pulsation de coupure à 0 dB : 4.911 rad/s"},
      // 50/(s(s^2+0.1s+100)): -180 at w = 10 where |H| = 5; three 0 dB crossings (Octave:
      // 0.5012594 at -90.03, 9.7448697 at -100.95, 10.236027 at principal 102.10, that is
      // -257.90): the margin closest to 0 is -77.90. Closed-loop poles 0.1995 +- 10.008j, peak
      // 1.938634 dB at 10.001998.
      {"F",
       50,
       {},
       {0},
       {{1, 0.1, 100}},
       Format("Marge de gain : %.2f dB (instable)", -20 * std::log10(5.0)),
       "Marge de phase: -77.90 deg (instable)",
       false,
       "Gain max infini (en statique)",
       "Gain max : 1.94 dB (10 rad/s)",
       0, 2, 2,
       "0 < k < 0.2",
       "  Pulsation à -180° : 10 rad/s",
       "  Pulsation de coupure à 0 dB : 10.24 rad/s"},
      // Order 8 with a lightly damped pair: the phase passes -180 at 0.4484359624 (+15.261957
      // dB) and only then the pair's 180 degrees; Octave's 0 dB crossings 0.2679332 (-60.22)
      // and 0.5387858 (principal 93.42, that is -266.58). Peaks (fminbnd): 15.33647 dB at
      // 0.44581203, closed loop 1.690044 dB at 0.45590032. Closed-loop poles 0.0704 +- 0.465j.
      {"G",
       3,
       {},
       {-1, -2, -5, -0.5},
       {{1, 0.04, 0.2}, {1, 0.4, 4}},
       "Marge de gain : -15.26 dB (instable)",
       "Marge de phase: -86.58 deg (instable)",
       false,
       "Gain max : 15.34 dB (0.446 rad/s)",
       "Gain max : 1.69 dB (0.456 rad/s)",
       0, 2, 2,
       "0 < k < 0.1725",
       "  Pulsation à -180° : 0.4484 rad/s",
       "  Pulsation de coupure à 0 dB : 0.5388 rad/s"},
      // Open-loop unstable plant 10(s+2)/((s-1)(s+5)) that feedback stabilises: closed-loop
      // poles -12.83 and -1.17; Octave: 100.267884 deg at 8.8747522.
      {"H",
       10,
       {-2},
       {1, -5},
       {},
       "Marge de gain indéterminée",
       "Marge de phase: 100.27 deg (stable)",
       true,
       Format("Gain max : %.2f dB en statique", 20 * std::log10(4.0)),
       "",
       1, -1, 0,
       "k > 0.25",
       "",
       "  Pulsation de coupure à 0 dB : 8.875 rad/s"},
      // Biproper lead 2(s+1)/(s+4): a rising modulus, 0 dB at w = 2.
      {"I",
       2,
       {-1},
       {-4},
       {},
       "Marge de gain indéterminée",
       Format("Marge de phase: %.2f deg (stable)", lead),
       true,
       Format("Gain max : %.2f dB en hautes fréquences", 20 * std::log10(2.0)),
       Format("Gain max : %.2f dB en hautes fréquences", 20 * std::log10(2.0 / 3)),
       0, 0, 0,
       "tout k > 0",
       "",
       "  Pulsation de coupure à 0 dB : 2 rad/s"},
      // The loops of examples/: 20/((s+1)(s+2)(s+5)), -180 at sqrt 17 where |H| = 20/126;
      // Octave: 80.696524 deg at 1.2861412, closed-loop peak -1.919749 dB at 1.6712951.
      {"L",
       20,
       {},
       {-1, -2, -5},
       {},
       Format("Marge de gain : %.2f dB (stable)", 20 * std::log10(6.3)),
       "Marge de phase: 80.70 deg (stable)",
       true,
       "Gain max : 6.02 dB en statique",
       "Gain max : -1.92 dB (1.67 rad/s)",
       0, 0, 0,
       "0 < k < 6.3",
       Format("  Pulsation à -180° : %.4G rad/s", std::sqrt(17.0)),
       "  Pulsation de coupure à 0 dB : 1.286 rad/s"},
      // 10/((s+1)(s+10)) starts at exactly 0 dB and only falls; the phase only tends to -180.
      {"M",
       10,
       {},
       {-1, -10},
       {},
       "Marge de gain indéterminée",
       "Marge de phase indéterminée",
       true,
       "Gain max : 0.00 dB en statique",
       "",
       0, 0, 0,
       "tout k > 0"},
      // 5/(s(s+2)(s+4)): -180 at sqrt 8 where |H| = 5/48; Octave: 65.061845 deg at 0.59276172.
      {"N",
       5,
       {},
       {0, -2, -4},
       {},
       Format("Marge de gain : %.2f dB (stable)", 20 * std::log10(9.6)),
       "Marge de phase: 65.06 deg (stable)",
       true,
       "Gain max infini (en statique)",
       "",
       0, 0, 0,
       "0 < k < 9.6",
       Format("  Pulsation à -180° : %.4G rad/s", std::sqrt(8.0)),
       "  Pulsation de coupure à 0 dB : 0.5928 rad/s"},
      // Delayed loops. e^(-s)/(s+1): -180 at w = 2.0288, margin 20 log10 sqrt(1 + w^2) = 7.09
      // dB; closed loop stable up to K = 2.26 (K = 2: time lines once the loop settles, within
      // 100 s; K = 2.5: none).
      {"P", 1, {}, {-1}, {},
       Format("Marge de gain : %.2f dB (stable)", lagMargin(1, 1)), "Marge de phase indéterminée",
       true, "Gain max : 0.00 dB en statique", "", 0, 0, 0, "", Format("  Pulsation à -180° : %.4G rad/s", lag180(1)), "", 1},
      {"Q", 2, {}, {-1}, {},
       Format("Marge de gain : %.2f dB (stable)", lagMargin(2, 1)),
       Format("Marge de phase: %.2f deg (stable)", lagPhase(2, 1)), true, "", "", 0, 0, 0, "", Format("  Pulsation à -180° : %.4G rad/s", lag180(1)), Format("  Pulsation de coupure à 0 dB : %.4G rad/s", std::sqrt(3.0)), 1, 100},
      {"R", 2.5, {}, {-1}, {},
       Format("Marge de gain : %.2f dB (instable)", lagMargin(2.5, 1)),
       Format("Marge de phase: %.2f deg (instable)", lagPhase(2.5, 1)), false, "", "", 0, 2, 2, "", Format("  Pulsation à -180° : %.4G rad/s", lag180(1)), Format("  Pulsation de coupure à 0 dB : %.4G rad/s", std::sqrt(5.25)), 1, 100},
      {"S", 1, {}, {0, -1}, {},
       Format("Marge de gain : %.2f dB (stable)", 20 * std::log10(wi * std::hypot(1, wi))),
       Format("Marge de phase: %.2f deg (stable)", 90 - Deg(std::atan(wic) + 0.3 * wic)), true,
       "", "", 0, 0, 0, "", Format("  Pulsation à -180° : %.4G rad/s", wi), Format("  Pulsation de coupure à 0 dB : %.4G rad/s", wic), 0.3},
      // A delay of 1000 s: the first of some 300 000 turns in [1e-6, 1e6] is the margin (its
      // response starts after the simulated time: no time lines); one of 1 us barely moves the
      // crossing of a third-order lag.
      {"U", 0.5, {}, {-1}, {},
       Format("Marge de gain : %.2f dB (stable)", lagMargin(0.5, 1000)),
       "Marge de phase indéterminée", false, "Gain max : -6.02 dB en statique", "", 0, 0, 0, "", Format("  Pulsation à -180° : %.4G rad/s", lag180(1000)), "", 1000},
      {"V", 1, {}, {-1, -1, -1}, {},
       Format("Marge de gain : %.2f dB (stable)", -20 * std::log10(std::pow(1 + w3 * w3, -1.5))),
       "Marge de phase indéterminée", true, "Gain max : 0.00 dB en statique", "", 0, 0, 0, "", Format("  Pulsation à -180° : %.4G rad/s", w3), "", 1e-6},
  };
  for (const Loop& l : loops) {
    Param.Reset();
    if (l.tFin > 0) Param.EdTFin = l.tFin;
    const auto lines = Report(Build(l));
    const int closed = Find(lines, kClosed);
    ASSERT_GT(closed, 0) << l.name;
    const int gm = Find(lines, "Marge de gain"), pm = Find(lines, "Marge de phase");
    EXPECT_EQ(lines.at(gm), l.gainMargin) << l.name;
    EXPECT_EQ(lines.at(pm), l.phaseMargin) << l.name;
    // Each frequency line right after its margin.
    EXPECT_EQ(l.phaseCrossover.empty() ? pm : gm + 2, pm) << l.name;
    if (!l.phaseCrossover.empty()) {
      EXPECT_EQ(lines.at(gm + 1), l.phaseCrossover) << l.name;
    }
    EXPECT_EQ(Find(lines, "  Pulsation de coupure") > 0, !l.gainCrossover.empty()) << l.name;
    if (!l.gainCrossover.empty()) {
      EXPECT_EQ(lines.at(pm + 1), l.gainCrossover) << l.name;
    }
    // The modulus and delay margins against a dense evaluation of the loop's own factors.
    double mm = NAN, wm = NAN, tau = NAN;
    ModulusReference(l, &mm, &wm);
    EXPECT_EQ(lines.at(Find(lines, "Marge de module")),
              Format("Marge de module : %.4G (%.2f dB) à %.4G rad/s", mm,
                     Decimal2(20 * std::log10(mm)), wm))
        << l.name;
    const bool delay = DelayReference(l, &tau) && l.closedLoopStable;
    EXPECT_EQ(Find(lines, "Marge de retard") > 0, delay) << l.name;
    if (delay) {
      EXPECT_EQ(lines.at(Find(lines, "Marge de retard")), Format("Marge de retard : %.4G s", tau))
          << l.name;
    }
    EXPECT_EQ(Find(lines, kTr2, closed) > 0, l.closedLoopStable) << l.name;
    // The criterion is the last line of the open-loop section; its Z is the count of the roots
    // of den + num on the right (Routh, Octave), 0 exactly for the stable loops.
    EXPECT_EQ(lines.at(closed - 3),
              Format("Critère de Nyquist : P = %d, N = %d, Z = %d", l.P, l.N, l.Z))
        << l.name;
    // (A response delayed beyond the simulated time has no time lines, stable or not.)
    EXPECT_EQ(l.Z == 0, l.closedLoopStable || l.delay >= Param.EdTFin) << l.name;
    if (!l.openMax.empty()) {
      EXPECT_EQ(lines.at(Find(lines, "Gain max")), l.openMax) << l.name;
    }
    if (!l.closedMax.empty()) {
      EXPECT_EQ(lines.at(Find(lines, "Gain max", closed)), l.closedMax) << l.name;
    }
    const int gains = Find(lines, "Domaine de stabilité en gain : ", closed);
    if (l.delay > 0) {
      // A delayed loop has no polynomial den + k num: neither the range nor the poles.
      EXPECT_EQ(gains, -1) << l.name;
      EXPECT_EQ(Find(lines, "Pôles : ", closed), -1) << l.name;
    } else {
      ASSERT_GT(gains, closed) << l.name;
      EXPECT_EQ(lines.at(gains), "Domaine de stabilité en gain : " + l.gains) << l.name;
    }
    // The twin written as an expression prints the same report, line for line.
    const auto twin = Report(Twin(l));
    ASSERT_EQ(twin.size(), lines.size()) << l.name;
    for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(twin[i], lines[i]) << l.name << " " << i;
  }
}

// K/(s+1) closes as K/(s+1+K): a modulus that only falls, whatever K, has its maximum at the
// static end, never a peak of rounding noise.
TEST_F(ReportTest, MonotoneClosedLoopsPeakAtTheStaticEnd) {
  for (double k : {0.1, 0.5, 1.0, 4.0, 10.0, 99.0, 1000.0}) {
    Param.Reset();
    const auto lines = Report(Make("K", k, {-1}));
    const int closed = Find(lines, kClosed);
    ASSERT_GT(closed, 0);
    EXPECT_EQ(lines.at(Find(lines, "Gain max", closed)),
              Format("Gain max : %.2f dB en statique", 20 * std::log10(k / (1 + k))))
        << k;
  }
}

// Degenerate loops: no figure that is not finite reaches the console. -1/(s+1) closes as
// -1/s (1 + H = 0 at w = 0): an infinite static gain falling 20 dB a decade, with the phase
// of j/w taken in (-360, 0]. 1/s^40 overflows at 1e-10 rad/s and closes as 1/(s^40 + 1).
TEST_F(ReportTest, NoFigureIsNotFinite) {
  Make("N", -1, {-1});
  Param.AddFctTransfert("Z", 0);
  Make("P", 1, std::vector<double>(40, 0.0));
  Param.AddFctTransfert("U", -1);  // 1 + H = 0 at every frequency: no closed-loop figure
  auto n = Report(Param.GetFctTransfert(0));
  const int closed = Find(n, kClosed);
  ASSERT_GT(closed, 0);
  EXPECT_EQ(n.at(closed + 1), "Régime statique : Gain infini (-20.0 dB/dec)  Phase = -270.00 deg");
  EXPECT_EQ(n.at(closed + 2), "Gain max infini (en statique)");
  const auto u = Report(Param.GetFctTransfert(3));
  EXPECT_EQ(u.back(), kClosed);
  for (int i = 0; i < 4; ++i) {
    const auto lines = Report(Param.GetFctTransfert(i));
    ASSERT_GT(Find(lines, kClosed), 0) << i;
    for (const std::string& line : lines) {
      for (const char* bad : {"nan", "NAN", "inf ", "inf)", "INF"}) {
        EXPECT_EQ(line.find(bad), std::string::npos) << i << ": " << line;
      }
    }
  }
  const auto p = Report(Param.GetFctTransfert(2));
  // (jw)^40 = w^40: the closed loop 1/(1 + w^40) is 3 dB down at w^40 = 10^0.15 - 1.
  const double bw = std::pow(std::pow(10, 0.15) - 1, 1.0 / 40);
  EXPECT_EQ(p.at(Find(p, kClosed) + 1), "Régime statique : Gain = 0.00 dB  Phase = 0.00 deg");
  EXPECT_EQ(p.at(Find(p, kClosed) + 2),
            Format("Bande passante à -3dB : %.3G rad/s (%.3G Hz)", bw, bw / (2 * kPi)));
}

}  // namespace

namespace {

// Closed loops k/((s+a)(s+b)) with complex poles -s0 +- j wd overshoot by exp(-pi s0/wd): a
// peak above the final value by 1e-8 or less is taken as rounding and gets no line.
TEST_F(ReportTest, OvershootBelowRoundingIsNotReported) {
  const struct { double k, a, b; } rows[] = {{0.1, 2, 2}, {3, 7, 9}};
  for (const auto& r : rows) {
    Param.Reset();
    const auto lines = Report(Make("H", r.k, {-r.a, -r.b}));
    const double s0 = (r.a + r.b) / 2, wd = std::sqrt(r.a * r.b + r.k - s0 * s0);
    const double over = std::exp(-kPi * s0 / wd);
    const int closed = Find(lines, kClosed);
    ASSERT_GT(Find(lines, kFinal, closed), 0);
    const int i = Find(lines, kOvershoot, closed);
    if (over <= 1e-8) {
      EXPECT_EQ(i, -1) << lines.at(closed + 6);
    } else {
      ASSERT_GT(i, 0);
      EXPECT_NEAR(NumberAfter(lines, i, kOvershoot), 100 * over, 1e-3 * 100 * over);
    }
  }
}

// An expression that fails at every frequency prints its error once per search, not once per
// sample.
TEST_F(ReportTest, EvaluationErrorOncePerSearch) {
  Param.AddFctTransfert("S", 1)->AddZero(0);
  TFctTransfert* h = Param.AddFctTransfert("H", 1);
  h->ChangeExpression("sin(S)");
  const auto lines = Report(h);
  int errors = 0;
  for (const std::string& line : lines) errors += line.rfind("Erreur : ", 0) == 0;
  EXPECT_GE(errors, 1);
  EXPECT_LE(errors, 14);  // one for the static value, at most one per search
  EXPECT_GT(Find(lines, kClosed), 0);
}

}  // namespace

namespace {

// 2(s+1)^2/s^3 has the phase -270 + 2 atan w, rising: -135, -130, -120 degrees at
// w = tan(67.5), tan(70), tan(75) degrees, where |H| = 2(1 + w^2)/w^3.
TEST_F(ReportTest, GainsAtPhasesOfATypeTwoLoop) {
  TFctTransfert* h = Make("H", 2, {0, 0, 0});
  h->AddZero(-1);
  h->AddZero(-1);
  const auto lines = Report(h);
  const double angles[] = {67.5, 70, 75}, phases[] = {135, 130, 120};
  for (int k = 0; k < 3; ++k) {
    const double w = std::tan(angles[k] * kPi / 180), g = 2 * (1 + w * w) / (w * w * w);
    const std::string prefix = Format("Gain à -%.0f° (mp=%.0f°) : ", phases[k], 180 - phases[k]);
    const int i = Find(lines, prefix);
    ASSERT_GT(i, 0) << prefix;
    EXPECT_EQ(lines[i], Format("%s%.2f dB (%G)", prefix.c_str(), 20 * std::log10(g), g));
  }
}

}  // namespace

namespace {

class ReportFiguresTest : public ::testing::Test {
 protected:
  void SetUp() override { Param.Reset(); }
  void TearDown() override { Param.Reset(); }
};

// K/(s(s+1)): |1 + H|^2 = ((K - x)^2 + x) / (x (1 + x)) with x = w^2 is smallest where
// 2x^2 - 2Kx - K = 0; the 0 dB crossing is at x = (sqrt(1 + 4K^2) - 1)/2 with the margin
// atan(1/wc), so the delay margin is atan(1/wc)/wc.
TEST_F(ReportFiguresTest, ModulusAndDelayMarginsOfAnIntegratorWithALag) {
  for (double k : {0.5, 1.0, 5.0}) {
    Param.Reset();
    TFctTransfert* h = Param.AddFctTransfert("H", k);
    h->AddPole(0);
    h->AddPole(-1);
    const auto lines = Report(h);
    const double x = (k + std::sqrt(k * k + 2 * k)) / 2;
    const double m = std::sqrt(((k - x) * (k - x) + x) / (x * (1 + x)));
    EXPECT_EQ(lines.at(Find(lines, "Marge de module")),
              Format("Marge de module : %.4G (%.2f dB) à %.4G rad/s", m, 20 * std::log10(m),
                     std::sqrt(x)))
        << k;
    const double wc = std::sqrt((std::sqrt(1 + 4 * k * k) - 1) / 2);
    EXPECT_EQ(lines.at(Find(lines, "Marge de retard")),
              Format("Marge de retard : %.4G s", std::atan(1 / wc) / wc))
        << k;
  }
}

// Step responses against their closed forms: rise from 10 % to 90 % and the undershoot of
// right-half-plane zeros, in open loop (the lines before the closed-loop part).
//   1/(2s + 1): 1 - exp(-t/2), a rise of 2 ln 9;
//   (1 - s)/(s + 1)^2: 1 - (1 + 2t) exp(-t), lowest 1 - 2 exp(-1/2) at t = 1/2;
//   (1 - s)/(s^2 + s + 1): 1 - exp(-t/2) (cos(wd t) + sqrt(3) sin(wd t)), wd = sqrt(3)/2;
//   -3/(s + 1): -3 (1 - exp(-t)), measured around -3: rise ln 9;
//   -1/(s^2 + s + 1): around -1, the overshoot exp(-pi / sqrt(3)) of damping 0.5.
TEST_F(ReportFiguresTest, RiseTimeAndUndershootOfKnownResponses) {
  const double wd = std::sqrt(3.0) / 2;
  struct Row {
    const char* name;
    double gain;
    std::vector<double> zeros, poles;
    std::vector<TFctTransfert::Tpc> quadratics;
    std::function<double(double)> step;
    double final;
    bool undershoot;
  };
  const std::vector<Row> rows = {
      {"A", 0.5, {}, {-0.5}, {}, [](double t) { return 1 - std::exp(-t / 2); }, 1, false},
      {"B", -1, {1}, {-1, -1}, {}, [](double t) { return 1 - (1 + 2 * t) * std::exp(-t); }, 1,
       true},
      {"C", -1, {1}, {}, {{1, 1, 1}},
       [wd](double t) {
         return 1 - std::exp(-t / 2) * (std::cos(wd * t) + std::sqrt(3.0) * std::sin(wd * t));
       },
       1, true},
      {"D", -3, {}, {-1}, {}, [](double t) { return -3 * (1 - std::exp(-t)); }, -3, false},
      {"E", -1, {}, {}, {{1, 1, 1}},
       [wd](double t) {
         return -(1 - std::exp(-t / 2) * (std::cos(wd * t) + std::sin(wd * t) / std::sqrt(3.0)));
       },
       -1, false},
  };
  for (const Row& r : rows) {
    Param.Reset();
    TFctTransfert* f = Param.AddFctTransfert(r.name, r.gain);
    for (double z : r.zeros) f->AddZero(z);
    for (double p : r.poles) f->AddPole(p);
    for (const auto& q : r.quadratics) f->AddPoleC(q.a, q.b, q.c);
    auto lines = Report(f);
    lines.resize(Find(lines, kClosed));
    // First times at 10 % and 90 % of the final value, and the lowest value as a fraction of it,
    // on a grid of 1e-5 s refined by bisection.
    auto u = [&r](double t) { return r.step(t) / r.final; };
    auto first = [&u](double level) {
      double t = 0;
      while (u(t + 1e-5) < level) t += 1e-5;
      return Solve([&](double x) { return u(x) - level; }, t, t + 1e-5);
    };
    double lowest = 0, highest = 0;
    for (double t = 0; t < Param.EdTFin; t += 1e-5) {
      lowest = std::fmin(lowest, u(t));
      highest = std::fmax(highest, u(t));
    }
    const int rise = Find(lines, "Temps de montée");
    ASSERT_EQ(rise, Find(lines, kTr5) + 1) << r.name;
    EXPECT_EQ(lines[rise], Format("Temps de montée (10-90%%) : %.5G s", first(0.9) - first(0.1)))
        << r.name;
    const int under = Find(lines, "Dépassement négatif : ");
    EXPECT_EQ(under > 0, r.undershoot) << r.name;
    if (r.undershoot) {
      ASSERT_EQ(under, rise + 1) << r.name;
      EXPECT_NEAR(NumberAfter(lines, under, "Dépassement négatif : "), -100 * lowest, 1e-4)
          << r.name;
    }
    EXPECT_EQ(lines.at(Find(lines, kFinal)), kFinal + Format("%G", r.final)) << r.name;
    // The peak beyond the final value, on its side.
    const int over = Find(lines, kOvershoot);
    EXPECT_EQ(over > 0, highest > 1 + 1e-6) << r.name;
    if (over > 0) {
      EXPECT_NEAR(NumberAfter(lines, over, kOvershoot), 100 * (highest - 1), 1e-4) << r.name;
    }
    // Without oscillation the response stays in the 2 % band once it reaches 98 %.
    if (r.quadratics.empty()) {
      EXPECT_NEAR(NumberAfter(lines, Find(lines, kTr2), kTr2), first(0.98), 1.01 * kDt) << r.name;
    }
  }
}

// Class and steady-state errors of the unity-feedback loop: with Kp = H(0), Kv = lim s H(s) and
// Ka = lim s^2 H(s), the errors to a step, a ramp and a parabola are 1/(1 + Kp), 1/Kv, 1/Ka.
//   20/((s+1)(s+2)(s+5)): Kp = 2;  5/(s(s+2)(s+4)): Kv = 5/8;  10(s+1)/(s^2 (s+10)): Ka = 1
//   (closed loop s^3 + 10s^2 + 10s + 10, stable by Routh: 10 x 10 > 10);  2(s+1)^2/s^3: class 3;
//   s/(s+1): a zero at 0, Kp = 0;  12/(s(s+1)(s+2)): closed loop unstable (K > 6).
TEST_F(ReportFiguresTest, ClassAndSteadyStateErrors) {
  const std::string kUnstable = "sans objet (boucle instable)";
  const struct {
    double gain;
    std::vector<double> zeros, poles;
    int classe;
    std::string step, ramp, parabola;
  } rows[] = {
      {20, {}, {-1, -2, -5}, 0, Format("%.4G", 1 / 3.0), "infinie", "infinie"},
      {5, {}, {0, -2, -4}, 1, "0", Format("%.4G", 8 / 5.0), "infinie"},
      {10, {-1}, {0, 0, -10}, 2, "0", "0", "1"},
      {2, {-1, -1}, {0, 0, 0}, 3, "0", "0", "0"},
      {1, {0}, {-1}, -1, "1", "infinie", "infinie"},
      {12, {}, {0, -1, -2}, 1, kUnstable, kUnstable, kUnstable},
  };
  for (const auto& r : rows) {
    Param.Reset();
    TFctTransfert* f = Param.AddFctTransfert("H", r.gain);
    for (double z : r.zeros) f->AddZero(z);
    for (double p : r.poles) f->AddPole(p);
    const auto lines = Report(f);
    const std::vector<std::string> expected = {
        Format("Classe : %d", r.classe), "Erreur statique (échelon) : " + r.step,
        "Erreur de traînage (rampe) : " + r.ramp,
        "Erreur en accélération (parabole) : " + r.parabola};
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()), expected) << r.classe;
  }
}

// The constant 3 written as 500 zeros and 500 poles at -1 ... -500: the products of its factors
// overflow, the ratios do not. Static gain 3 open loop, 3/4 closed loop. A pole at -1e-7 is not
// an integrator: 1/(s + 1e-7) has the static gain 1e7 and its maximum there.
TEST_F(ReportFiguresTest, StaticGainFromTheFactors) {
  TFctTransfert* f = Param.AddFctTransfert("H", 3);
  for (int i = 1; i <= 500; ++i) {
    f->AddZero(-i);
    f->AddPole(-i);
  }
  auto lines = Report(f);
  EXPECT_EQ(lines.at(3), Format("Régime statique : Gain = %.2f dB  Phase = 0.00 deg",
                                20 * std::log10(3.0)));
  EXPECT_EQ(lines.at(3), "Régime statique : Gain = 9.54 dB  Phase = 0.00 deg");
  const int closed = Find(lines, kClosed);
  ASSERT_GT(closed, 0);
  EXPECT_EQ(lines.at(closed + 1), "Régime statique : Gain = -2.50 dB  Phase = 0.00 deg");
  Param.Reset();
  f = Param.AddFctTransfert("P", 1);
  f->AddPole(-1e-7);
  lines = Report(f);
  EXPECT_EQ(lines.at(3), "Régime statique : Gain = 140.00 dB  Phase = 0.00 deg");
  EXPECT_EQ(lines.at(Find(lines, "Gain max")), "Gain max : 140.00 dB en statique");
  EXPECT_EQ(lines.at(Find(lines, "Classe")), "Classe : 0");
}

// The closed-loop poles, roots of den + num, one line each (a complex pair on one line),
// slowest first, against their closed forms; at most ten lines, then the count of the others.
TEST_F(ReportTest, ClosedLoopPolesAgainstClosedForms) {
  const double r3 = std::sqrt(3.0);
  struct Row {
    double gain;
    std::vector<double> poles;
    std::vector<TFctTransfert::Tpc> quadratics;
    std::string gains;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      // 1/(s+1): s + 2; 1/(s-1): s, stable for k > 1.
      {1, {-1}, {}, "tout k > 0", {"-2 (constante de temps 0.5 s)"}},
      {1, {1}, {}, "k > 1", {"0"}},
      // 4/(s(s+2)): s^2 + 2s + 4, damping 1/2 and natural frequency 2.
      {4, {0, -2}, {}, "tout k > 0",
       {Format("-1 ± %.4Gj (amortissement 0.5, pulsation propre 2 rad/s)", r3)}},
      // 3/(s^2-2s+1): s^2 - 2s + 4, the mirror pair; s^2 - 2s + 1 + 3k is never stable.
      {3, {}, {{1, -2, 1}}, "aucun",
       {Format("1 ± %.4Gj (amortissement -0.5, pulsation propre 2 rad/s)", r3)}},
      // 6/((s+1)(s+2)(s+3)): (s+4)(s^2+2s+3), the pair first; 11*6 > 6 + 6k.
      {6, {-1, -2, -3}, {}, "0 < k < 10",
       {Format("-1 ± %.4Gj (amortissement %.4G, pulsation propre %.4G rad/s)", std::sqrt(2.0),
               1 / r3, r3),
        "-4 (constante de temps 0.25 s)"}},
  };
  for (const Row& r : rows) {
    Param.Reset();
    TFctTransfert* f = Make("P", r.gain, r.poles);
    for (const auto& q : r.quadratics) f->AddPoleC(q.a, q.b, q.c);
    const auto lines = Report(f);
    const int closed = Find(lines, kClosed);
    const int g = Find(lines, "Domaine de stabilité en gain : ", closed);
    ASSERT_GT(g, 0) << r.gain;
    EXPECT_EQ(lines.at(g), "Domaine de stabilité en gain : " + r.gains);
    // Then the class and the three steady-state errors.
    ASSERT_EQ(static_cast<int>(lines.size()), g + 5 + static_cast<int>(r.lines.size())) << r.gain;
    for (size_t i = 0; i < r.lines.size(); ++i)
      EXPECT_EQ(lines.at(g + 1 + i), "Pôles : " + r.lines[i]) << r.gain;
  }
  // 1/(s+1)^24 closes on s = -1 + exp(j(2q+1)pi/24): twelve pairs, the one nearest the axis
  // first; ten lines, then the four poles left.
  Param.Reset();
  const auto lines = Report(Make("Q", 1, std::vector<double>(24, -1.0)));
  const int g = Find(lines, "Domaine de stabilité en gain : ", Find(lines, kClosed));
  ASSERT_GT(g, 0);
  ASSERT_EQ(lines.size(), static_cast<size_t>(g + 16));
  for (int q = 0; q < 10; ++q) {
    const std::string& l = lines.at(g + 1 + q);
    const double re = -1 + std::cos((2 * q + 1) * kPi / 24), im = std::sin((2 * q + 1) * kPi / 24);
    const double wn = std::hypot(re, im);
    ASSERT_EQ(l.compare(0, 8, "Pôles : "), 0) << l;
    EXPECT_NEAR(std::strtod(l.c_str() + 8, nullptr), re, 5e-4 * std::fabs(re)) << l;
    EXPECT_NEAR(std::strtod(l.c_str() + l.find("± ") + std::string("± ").size(), nullptr), im, 5e-4 * im) << l;
    EXPECT_NEAR(std::strtod(l.c_str() + l.find("amortissement ") + 14, nullptr), -re / wn,
                5e-4 * (-re / wn)) << l;
    EXPECT_NEAR(std::strtod(l.c_str() + l.find("propre ") + 7, nullptr), wn, 5e-4 * wn) << l;
  }
  EXPECT_EQ(lines.at(g + 11), "... (4 autres pôles)");
}

}  // namespace

// The open and closed loops' time lines of the report, whose step responses are stepped side by
// side where they can, are those of each loop simulated alone (TempsReponseDep), whatever the
// order (2, 12: the unrolled loops; 17: beyond, stepped apart), a direct term, or an open loop
// that overflows beside its stable closed loop. 8/((s+1)(s+2)) also against its closed forms:
// closed loop 8/(s^2 + 3s + 10), peak 0.8 (1 + exp(-1.5 pi / wd)) at pi / wd, wd^2 = 7.75.
TEST_F(ReportTest, BothLoopsTimeLinesAsEachAlone) {
  struct Row {
    const char* name;
    double gain;
    std::vector<double> zeros, poles;
  };
  const std::vector<double> p12(12, -2.0), p17(17, -2.0);
  const Row rows[] = {{"A", 8, {}, {-1, -2}},
                      {"B", 500, {}, p12},
                      {"C", 0.3 * 131072, {}, p17},
                      {"D", 1, {-3}, {-1}},
                      {"E", 10, {}, {1, -5}}};
  for (const Row& r : rows) {
    Param.Reset();
    TFctTransfert* f = Param.AddFctTransfert(r.name, r.gain);
    for (double z : r.zeros) f->AddZero(z);
    for (double p : r.poles) f->AddPole(p);
    const auto lines = Report(f);
    const int closed = Find(lines, kClosed);
    ASSERT_GT(closed, 0) << r.name;
    for (int loop = 0; loop < 2; ++loop) {
      f->ModeBF = loop == 1;
      double tr;
      TPerfTemp p;
      const bool ok = TempsReponseDep(2, f, &tr, &p);
      const int i = Find(lines, kTr2, loop == 0 ? 0 : closed);
      // The overflowing open loop has no time lines; every other loop has.
      const bool overflow = r.name[0] == 'E' && loop == 0;
      ASSERT_EQ(ok, !overflow) << r.name;
      if (overflow) {
        EXPECT_GT(i, closed) << r.name;
        continue;
      }
      ASSERT_TRUE(loop == 0 ? i > 0 && i < closed : i > closed) << r.name;
      std::vector<std::string> want = {kTr2 + Format("%G s", tr), kTr5 + Format("%G s", p.tr5)};
      if (std::isfinite(p.tmontee))
        want.push_back(Format("Temps de montée (10-90%%) : %.5G s", p.tmontee));
      want.push_back(kFinal + Format("%G", p.yfin));
      if (p.dep > p.yfin * (1 + 1e-8))
        want.push_back(kOvershoot + Format("%G %% ( = %G @ %Gs)", (p.dep / p.yfin - 1) * 100,
                                           p.dep, p.tdep));
      ASSERT_LE(i + want.size(), lines.size()) << r.name;
      for (size_t j = 0; j < want.size(); ++j)
        EXPECT_EQ(lines[i + j], want[j]) << r.name << " loop " << loop;
      if (r.name[0] == 'A' && loop == 1) {
        const double wd = std::sqrt(7.75);
        EXPECT_NEAR(p.dep, 0.8 * (1 + std::exp(-1.5 * kPi / wd)), 1e-7);
        EXPECT_NEAR(p.tdep, kPi / wd, kDt);
      }
    }
  }
}
