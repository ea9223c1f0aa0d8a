// The worked example of the user's guide (examples/properties.txt, L = 20/((s+1)(s+2)(s+5))):
// every figure of its report against the closed forms of L and of its closed loop, its stable
// gain range and closed-loop poles included.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/RunCorvane.h"

namespace {

using Cx = std::complex<double>;
constexpr double kPi = 3.141592653589793;

double Db(double m) { return 20 * std::log10(m); }

// Open loop L(jw) and closed loop L/(1+L) = 20/((s+6)(s^2+2s+5)).
Cx L(double w) {
  Cx s(0, w);
  return 20.0 / ((s + 1.0) * (s + 2.0) * (s + 5.0));
}
Cx T(double w) {
  Cx l = L(w);
  return l / (1.0 + l);
}
// Phase lag of L in degrees (positive), without wrapping.
double Lag(double w) { return (std::atan(w) + std::atan(w / 2) + std::atan(w / 5)) * 180 / kPi; }

// Root of f, increasing or decreasing, between a and b (geometric bisection).
double Solve(const std::function<double(double)>& f, double a, double b) {
  const bool rising = f(b) > f(a);
  for (int i = 0; i < 200; ++i) {
    double m = std::sqrt(a * b);
    if ((f(m) > 0) == rising) {
      b = m;
    } else {
      a = m;
    }
  }
  return std::sqrt(a * b);
}

// Unit-step response 1/s * num/den from the residues at the simple poles of 1/(s*den).
struct StepResponse {
  double num;
  std::vector<Cx> poles;  // of den, monic
  double operator()(double t) const {
    std::vector<Cx> all = poles;
    all.push_back(0);
    Cx y = 0;
    for (size_t k = 0; k < all.size(); ++k) {
      Cx r = num;
      for (size_t j = 0; j < all.size(); ++j)
        if (j != k) r /= all[k] - all[j];
      y += r * std::exp(all[k] * t);
    }
    return y.real();
  }
};

struct Settling {
  double t2 = 0, t5 = 0, peak = -1e300, tpeak = 0;
};
Settling Measure(const StepResponse& y, double final, double tEnd) {
  Settling s;
  for (double t = 0; t <= tEnd; t += 1e-4) {
    double v = y(t);
    if (std::fabs(v - final) > 0.02 * final) s.t2 = t;
    if (std::fabs(v - final) > 0.05 * final) s.t5 = t;
    if (v > s.peak) {
      s.peak = v;
      s.tpeak = t;
    }
  }
  return s;
}

// The report line holding key; the number that follows marker on it.
std::string LineWith(const std::string& part, const std::string& key) {
  size_t at = part.find(key);
  if (at == std::string::npos) return "";
  size_t start = part.rfind('\n', at);
  start = start == std::string::npos ? 0 : start + 1;
  return part.substr(start, part.find('\n', at) - start);
}
double After(const std::string& line, const std::string& marker) {
  size_t at = line.find(marker);
  EXPECT_NE(at, std::string::npos) << "'" << marker << "' not in: " << line;
  if (at == std::string::npos) return NAN;
  return std::strtod(line.c_str() + at + marker.size(), nullptr);
}

class GuideExample : public ::testing::Test {
 protected:
  void SetUp() override {
    CorvaneRun r =
        RunProgram(CORVANE_BIN, {std::string(CORVANE_SOURCE_DIR) + "/examples/properties.txt"});
    ASSERT_EQ(r.status, 0);
    size_t cut = r.out.find("*************************");
    ASSERT_NE(cut, std::string::npos);
    open_ = r.out.substr(0, cut);
    closed_ = r.out.substr(cut);
  }
  std::string open_, closed_;
};

TEST_F(GuideExample, OpenLoopFrequencyFigures) {
  EXPECT_NEAR(After(LineWith(open_, "statique"), "Gain = "), Db(2), 0.005);
  const double wb =
      Solve([](double w) { return std::abs(L(w)) - 2 * std::pow(10, -0.15); }, 1e-3, 1e3);
  EXPECT_NEAR(After(LineWith(open_, "-3dB"), "-3dB : "), wb, 0.005 * wb);
  // The phase is -180 degrees where the imaginary part of (jw+1)(jw+2)(jw+5) vanishes: w^2 = 17,
  // and there the denominator is 10 - 8*17 = -126.
  EXPECT_NEAR(After(LineWith(open_, "Marge de gain"), " : "), Db(126.0 / 20), 0.005);
  EXPECT_NE(LineWith(open_, "Marge de gain").find("(stable)"), std::string::npos);
  const double wc = Solve([](double w) { return std::abs(L(w)) - 1; }, 1e-3, 1e3);
  EXPECT_NEAR(After(LineWith(open_, "Marge de phase"), ": "), 180 - Lag(wc), 0.005);
  // Where each margin is read, the least distance to -1, and the delay that uses up the margin.
  EXPECT_NEAR(After(LineWith(open_, "Pulsation à -180°"), " : "), std::sqrt(17.0), 5e-4);
  EXPECT_NEAR(After(LineWith(open_, "Pulsation de coupure"), " : "), wc, 5e-4 * wc);
  double dMin = 1e300, wMin = 0;
  for (double w = 0.01; w < 100; w *= 1.000001) {
    if (std::abs(1.0 + L(w)) < dMin) {
      dMin = std::abs(1.0 + L(w));
      wMin = w;
    }
  }
  const std::string modulus = LineWith(open_, "Marge de module");
  EXPECT_NEAR(After(modulus, "module : "), dMin, 5e-4 * dMin);
  EXPECT_NEAR(After(modulus, " ("), Db(dMin), 0.005);
  EXPECT_NEAR(After(modulus, "dB) à "), wMin, 1e-3 * wMin);
  const double delay = (180 - Lag(wc)) * kPi / 180 / wc;
  EXPECT_NEAR(After(LineWith(open_, "Marge de retard"), " : "), delay, 5e-4 * delay);
  EXPECT_NEAR(After(LineWith(open_, "Gain max"), " : "), Db(2), 0.005);
  EXPECT_NE(LineWith(open_, "Gain max").find("en statique"), std::string::npos);
  for (double phase : {135.0, 130.0, 120.0}) {
    const double w = Solve([phase](double x) { return Lag(x) - phase; }, 1e-3, 1e3);
    const std::string line = LineWith(open_, "-" + std::to_string(static_cast<int>(phase)));
    EXPECT_NEAR(After(line, ") : "), Db(std::abs(L(w))), 0.005) << line;
    EXPECT_NEAR(After(line, "dB ("), std::abs(L(w)), 1e-5) << line;
  }
}

TEST_F(GuideExample, ClosedLoopFrequencyFigures) {
  EXPECT_NEAR(After(LineWith(closed_, "statique"), "Gain = "), Db(2.0 / 3), 0.005);
  const double wb =
      Solve([](double w) { return std::abs(T(w)) - 2.0 / 3 * std::pow(10, -0.15); }, 1e-3, 1e3);
  EXPECT_NEAR(After(LineWith(closed_, "-3dB"), "-3dB : "), wb, 0.005 * wb);
  double wPeak = 0, peak = 0;
  for (double w = 0.01; w < 10; w *= 1.00001) {
    if (std::abs(T(w)) > peak) {
      peak = std::abs(T(w));
      wPeak = w;
    }
  }
  const std::string line = LineWith(closed_, "Gain max");
  EXPECT_NEAR(After(line, "Gain max : "), Db(peak), 0.005);
  EXPECT_NEAR(After(line, "dB ("), wPeak, 0.005 * wPeak);
}

TEST_F(GuideExample, StepResponseFigures) {
  const StepResponse open{20, {-1.0, -2.0, -5.0}};
  const StepResponse closed{20, {-6.0, Cx(-1, 2), Cx(-1, -2)}};
  struct Case {
    const std::string* part;
    const StepResponse* y;
    double final;
  } cases[] = {{&open_, &open, 2}, {&closed_, &closed, 2.0 / 3}};
  for (const Case& c : cases) {
    const Settling s = Measure(*c.y, c.final, 30);
    EXPECT_NEAR(After(LineWith(*c.part, "ponse a 2%"), " : "), s.t2, 2e-3);
    EXPECT_NEAR(After(LineWith(*c.part, "ponse a 5%"), " : "), s.t5, 2e-3);
    EXPECT_NEAR(After(LineWith(*c.part, "Valeur finale"), " : "), c.final, 1e-6);
    // The first times at 10 % and 90 % of the final value, on a grid of 1e-6 s.
    double t = 0;
    while ((*c.y)(t) < 0.1 * c.final) t += 1e-6;
    const double t10 = t;
    while ((*c.y)(t) < 0.9 * c.final) t += 1e-6;
    const double t90 = t;
    EXPECT_NEAR(After(LineWith(*c.part, "Temps de montée"), " : "), t90 - t10, 5e-5);
  }
  // L(0) = 2: class 0, a step leaves 1/(1 + 2) of itself.
  EXPECT_NE(closed_.find("Classe : 0\n"), std::string::npos);
  EXPECT_NEAR(After(LineWith(closed_, "Erreur statique"), " : "), 1 / 3.0, 1e-4);
  EXPECT_EQ(LineWith(closed_, "Erreur de tra"), "Erreur de traînage (rampe) : infinie");
  // Only the closed loop overshoots (its poles -1 +/- 2j); the open loop has real poles.
  EXPECT_EQ(LineWith(open_, "passement"), "");
  const Settling s = Measure(closed, 2.0 / 3, 30);
  const std::string line = LineWith(closed_, "passement");
  EXPECT_NEAR(After(line, "max : "), (s.peak / (2.0 / 3) - 1) * 100, 0.01);
  EXPECT_NEAR(After(line, "( = "), s.peak, 1e-5);
  EXPECT_NEAR(After(line, "@ "), s.tpeak, 2e-3);
}

// The closed loop's last lines: den + k num = s^3 + 8s^2 + 17s + 10 + 20k is stable while
// 8 * 17 > 10 + 20k (Routh), and its roots at k = 1 are -6 and -1 +- 2j.
TEST_F(GuideExample, ClosedLoopGainRangeAndPoles) {
  EXPECT_EQ(LineWith(closed_, "Domaine"), "Domaine de stabilité en gain : 0 < k < 6.3");
  const std::string pair = LineWith(closed_, "Pôles : -1 ");
  EXPECT_NEAR(After(pair, "Pôles : "), -1, 1e-12);
  EXPECT_NEAR(After(pair, "± "), 2, 1e-12);
  EXPECT_NEAR(After(pair, "amortissement "), 1 / std::sqrt(5.0), 5e-5);
  EXPECT_NEAR(After(pair, "pulsation propre "), std::sqrt(5.0), 5e-4);
  EXPECT_NEAR(After(LineWith(closed_, "Pôles : -6"), "constante de temps "), 1.0 / 6, 5e-5);
  // The pair, slower, comes first.
  EXPECT_LT(closed_.find("Pôles : -1 "), closed_.find("Pôles : -6"));
}

}  // namespace
