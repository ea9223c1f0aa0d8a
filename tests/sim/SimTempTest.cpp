// Checks the time simulator against closed-form responses, its order of accuracy, the test
// inputs with the impulse's step sequence, the loop modes and the inactive state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "sim/SimTemp.h"
#include "sim/StepFigures.h"

namespace {

// Runs NextY until the simulated time reaches tEnd and returns the largest deviation from the
// expected response, checked at every sample time.
double MaxError(SimTemp& s, double tEnd, const std::function<double(double)>& expected) {
  double worst = 0.0;
  do {
    double y = s.NextY();
    worst = std::fmax(worst, std::fabs(y - expected(s.T)));
  } while (s.T < tEnd);
  return worst;
}

TEST(SimTempInput, SignalsAndSelection) {
  SimTemp s;
  EXPECT_EQ(s.Echelon(0.0), 1.0);
  EXPECT_EQ(s.Echelon(-1e-12), 0.0);
  EXPECT_EQ(s.Rampe(-1.0), 0.0);
  EXPECT_EQ(s.Rampe(2.5), 2.5);
  EXPECT_EQ(s.Impulsion(0.0), 1e6);
  EXPECT_EQ(s.Impulsion(0.999e-6), 1e6);
  EXPECT_EQ(s.Impulsion(1e-6), 0.0);
  EXPECT_EQ(s.Impulsion(-1e-9), 0.0);

  struct Row {
    int fct;
    int type;
    double uAt3;
  };
  for (Row r : {Row{0, SimTemp::S_Echelon, 1.0}, Row{1, SimTemp::S_Rampe, 3.0},
                Row{2, SimTemp::S_Impulsion, 0.0}, Row{3, SimTemp::S_Parabole, 4.5},
                Row{7, SimTemp::S_Echelon, 1.0}, Row{-1, SimTemp::S_Echelon, 1.0}}) {
    s.SetFctU(r.fct);
    EXPECT_EQ(s.TypeSignal, r.type) << r.fct;
    s.T = 3.0;
    EXPECT_EQ(s.ValU(), r.uAt3) << r.fct;
  }
  s.FctU = nullptr;
  EXPECT_EQ(s.ValU(), 0.0);
}

TEST(SimTempInput, InputOnlyWalk) {
  SimTemp s;
  EXPECT_EQ(s.Dt, 1e-6);
  s.SetFctU(1);
  s.Dt = 0.25;
  std::vector<double> times, values;
  for (int i = 0; i < 4; ++i) {
    values.push_back(s.ValU());
    s.NextT();
    times.push_back(s.T);
  }
  EXPECT_EQ(times, (std::vector<double>{0.0, 0.25, 0.5, 0.75}));
  EXPECT_EQ(values, (std::vector<double>{0.0, 0.0, 0.25, 0.5}));
  EXPECT_EQ(s.NextY(), 0.0);  // no system: inactive
}

TEST(SimTempInput, ImpulseStepSequence) {
  const double a[] = {1.0}, b[] = {1.0};
  SimTemp s(a, 1, b, 1);
  s.SetFctU(2);
  s.Dt = 1e-3;
  EXPECT_EQ(s.ValDt(), 0.0);
  s.NextY();
  EXPECT_EQ(s.T, 0.0);
  EXPECT_EQ(s.ValDt(), 1e-6);
  s.NextY();
  EXPECT_EQ(s.T, 1e-6);
  EXPECT_EQ(s.ValDt(), 1e-3);
  s.NextY();
  EXPECT_DOUBLE_EQ(s.T, 1e-6 + 1e-3);

  // A step smaller than the impulse walks up to its end, then takes one shortened step.
  s.Init();
  s.Dt = 0.3e-6;
  std::vector<double> steps;
  for (int i = 0; i < 6; ++i) {
    steps.push_back(s.ValDt());
    s.NextT();
  }
  EXPECT_EQ(steps[0], 0.0);
  EXPECT_EQ(steps[1], 0.3e-6);
  EXPECT_EQ(steps[3], 0.3e-6);
  EXPECT_NEAR(steps[4], 0.1e-6, 1e-20);
  EXPECT_EQ(steps[5], 0.3e-6);
}

// Closed-form responses of a few lags, with steps other than 1.
TEST(SimTempResponse, FirstOrderLag) {
  const double a[] = {1.0}, b[] = {1.0};  // 1/(s+1)
  SimTemp s(a, 1, b, 1);
  s.Dt = 0.01;
  EXPECT_EQ(s.NextY(), 0.0);  // t = 0
  EXPECT_EQ(s.T, 0.0);
  EXPECT_LT(MaxError(s, 10.0, [](double t) { return 1.0 - std::exp(-t); }), 1e-9);

  // Closed loop 1/(s+2): final value 0.5.
  s.Init();
  s.ModeBF();
  EXPECT_LT(MaxError(s, 10.0, [](double t) { return 0.5 * (1.0 - std::exp(-2.0 * t)); }), 1e-9);

  // Ramp t - 1 + e^-t, back in open loop.
  s.Init();
  s.ModeBO();
  s.SetFctU(1);
  s.Dt = 0.005;
  EXPECT_LT(MaxError(s, 8.0, [](double t) { return t - 1.0 + std::exp(-t); }), 1e-9);
}

TEST(SimTempResponse, ImpulseOfFirstOrderLag) {
  const double a[] = {2.0}, b[] = {4.0};  // 4/(s+2): impulse response 4 e^(-2t)
  SimTemp r(a, 1, b, 1);
  r.SetFctU(2);
  r.Dt = 0.002;
  EXPECT_EQ(r.NextY(), 0.0);
  // At the end of the rectangle the whole unit area has been integrated.
  double yEnd = r.NextY();
  EXPECT_NEAR(yEnd, 2e6 * (1.0 - std::exp(-2e-6)), 1e-9);
  const double w = 1e-6;
  double err = MaxError(r, 3.0, [&](double t) {
    return 2e6 * (1.0 - std::exp(-2.0 * w)) * std::exp(-2.0 * (t - w));
  });
  EXPECT_LT(err, 1e-8);
}

TEST(SimTempResponse, SecondOrderOvershoot) {
  // 1/(s^2 + s + 1): damping 0.5, natural frequency 1 rad/s; also the closed loop of 1/(s(s+1)).
  const double zeta = 0.5, wd = std::sqrt(1.0 - zeta * zeta);
  auto exact = [&](double t) {
    return 1.0 - std::exp(-zeta * t) * (std::cos(wd * t) + zeta / wd * std::sin(wd * t));
  };
  const double aOpen[] = {1.0, 1.0}, aLoop[] = {0.0, 1.0}, b[] = {1.0};
  SimTemp direct(aOpen, 2, b, 1), loop(aLoop, 2, b, 1);
  loop.ModeBF();
  for (SimTemp* s : {&direct, &loop}) {
    s->Dt = 0.002;
    double peak = -1e38, tPeak = 0.0;
    double worst = 0.0;
    do {
      double y = s->NextY();
      worst = std::fmax(worst, std::fabs(y - exact(s->T)));
      if (y > peak) peak = y, tPeak = s->T;
    } while (s->T < 12.0);
    EXPECT_LT(worst, 1e-10);
    EXPECT_NEAR(peak, 1.0 + std::exp(-M_PI * zeta / wd), 1e-7);  // sampled peak
    EXPECT_NEAR(tPeak, M_PI / wd, 0.002);
  }
}

TEST(SimTempResponse, FourthOrderLag) {
  // 1/(s+1)^4 = 1/(s^4 + 4s^3 + 6s^2 + 4s + 1), step response 1 - e^-t (1 + t + t^2/2 + t^3/6).
  const double a[] = {1.0, 4.0, 6.0, 4.0}, b[] = {1.0};
  SimTemp s(a, 4, b, 1);
  s.Dt = 0.01;
  double err = MaxError(s, 15.0, [](double t) {
    return 1.0 - std::exp(-t) * (1.0 + t + t * t / 2.0 + t * t * t / 6.0);
  });
  EXPECT_LT(err, 1e-9);
}

TEST(SimTempResponse, BiproperOpenAndClosedLoop) {
  const double a[] = {1.0}, b[] = {2.0, 1.0};  // (s+2)/(s+1)
  SimTemp s(a, 1, b, 2);
  s.Dt = 0.01;
  EXPECT_EQ(s.NextY(), 1.0);  // direct term at t = 0
  EXPECT_LT(MaxError(s, 10.0, [](double t) { return 2.0 - std::exp(-t); }), 1e-9);

  // Closed loop (0.5 s + 1)/(s + 1.5): 2/3 - e^(-1.5 t)/6, starting at 0.5.
  s.Init();
  s.ModeBF();
  EXPECT_EQ(s.NextY(), 0.5);
  EXPECT_LT(MaxError(s, 10.0, [](double t) { return 2.0 / 3.0 - std::exp(-1.5 * t) / 6.0; }), 1e-9);

  // Ramp 2t - 1 + e^-t: the direct term uses the input at the sample's own time.
  s.Init();
  s.ModeBO();
  s.SetFctU(1);
  EXPECT_LT(MaxError(s, 5.0, [](double t) { return 2.0 * t - 1.0 + std::exp(-t); }), 1e-9);

  // ModeBO restores the open loop exactly.
  EXPECT_EQ(s.A[0], 1.0);
  EXPECT_EQ(s.B[0], 2.0);
  EXPECT_EQ(s.B[1], 1.0);
}

TEST(SimTempResponse, PureGain) {
  const double b[] = {3.0};
  SimTemp s(nullptr, 0, b, 1);
  s.Dt = 0.5;
  EXPECT_EQ(s.NextY(), 3.0);
  EXPECT_EQ(s.NextY(), 3.0);
  s.Init();
  s.ModeBF();
  EXPECT_EQ(s.NextY(), 0.75);
  s.SetFctU(1);
  s.NextY();
  double y = s.NextY();
  EXPECT_EQ(y, 0.75 * s.T);
}

// Poles too fast for Runge-Kutta at the default step (|p| Dt of 0.1 and of 10): the outputs stay
// at the sample times and on the exact responses, in both loops and for each input; at 0.1
// Runge-Kutta itself is within 1e-6.
TEST(SimTempResponse, StiffLoopsFollowTheExactResponse) {
  const double q = 1e5, w = 1e-6;
  auto lag = [](double p, double k) {  // step response of k p/(s + p)
    return [=](double t) { return k * (1 - std::exp(-p * t)); };
  };
  struct Row {
    const char* what;
    std::vector<double> a, b;
    bool closed;
    int input;
    std::function<double(double)> exact;
    double tolerance;
  };
  const std::vector<Row> rows = {
      {"1e5/(s+1e5)", {q}, {q}, false, 0, lag(q, 1), 1e-6},
      {"1e3/(s+1e3)", {1e3}, {1e3}, false, 0, lag(1e3, 1), 1e-6},
      {"closed 1e5/(s+1e5)", {q}, {q}, true, 0, lag(2 * q, 0.5), 1e-6},
      // 1e5/((s+1)(s+1e5)) = 1 - (1e5 e^-t - e^-1e5t)/(1e5 - 1)
      {"poles -1 and -1e5",
       {q, q + 1},
       {q},
       false,
       0,
       [=](double t) { return 1 - (q * std::exp(-t) - std::exp(-q * t)) / (q - 1); },
       1e-6},
      {"ramp of 1e5/(s+1e5)",
       {q},
       {q},
       false,
       1,
       [=](double t) { return t - (1 - std::exp(-q * t)) / q; },
       1e-6},
      // The parabola t^2/2 through p/(s + p): t^2/2 - t/p + (1 - e^-pt)/p^2, exact steps (1e5)
      // and Runge-Kutta (1e3).
      {"parabola of 1e5/(s+1e5)",
       {q},
       {q},
       false,
       3,
       [=](double t) { return t * t / 2 - t / q + (1 - std::exp(-q * t)) / (q * q); },
       1e-9},
      {"parabola of 1e3/(s+1e3)",
       {1e3},
       {1e3},
       false,
       3,
       [=](double t) { return t * t / 2 - t / 1e3 + (1 - std::exp(-1e3 * t)) / 1e6; },
       1e-9},
      // A rectangle of 1e6 over 1e-6, peaking near 95163: within 1e-9 of it.
      {"impulse of 1e5/(s+1e5)",
       {q},
       {q},
       false,
       2,
       [=](double t) {
         return t <= w ? 1e6 * (1 - std::exp(-q * t))
                       : 1e6 * (1 - std::exp(-q * w)) * std::exp(-q * (t - w));
       },
       1e-4},
      // (s + 2e5)/(s + 1e5): 2 - e^-1e5t, biproper
      {"(s+2e5)/(s+1e5)",
       {q},
       {2 * q, 1},
       false,
       0,
       [=](double t) { return 2 - std::exp(-q * t); },
       1e-6},
  };
  for (const Row& r : rows) {
    SimTemp s(r.a.data(), static_cast<short>(r.a.size()), r.b.data(),
              static_cast<short>(r.b.size()));
    s.Dt = 1e-4;
    s.SetFctU(r.input);
    if (r.closed) s.ModeBF();
    std::vector<double> times;
    double worst = 0.0;
    do {
      double y = s.NextY();
      times.push_back(s.T);
      worst = std::fmax(worst, std::fabs(y - r.exact(s.T)));
    } while (s.T < 0.5);
    EXPECT_LT(worst, r.tolerance) << r.what;
    // The samples are those of the requested step (and of the end of the impulse).
    EXPECT_EQ(times[0], 0.0) << r.what;
    EXPECT_EQ(times.back(), times[times.size() - 2] + 1e-4) << r.what;
    EXPECT_GE(times.back(), 0.5) << r.what;
    EXPECT_LT(times.back(), 0.5 + 1e-4 + w) << r.what;
  }
}

// Halving the step of a fourth-order method divides the error by about 16.
TEST(SimTempOrder, HalvingTheStepDividesTheErrorBySixteen) {
  const double zeta = 0.3, wd = std::sqrt(1.0 - zeta * zeta);
  auto exact = [&](double t) {
    return 1.0 - std::exp(-zeta * t) * (std::cos(wd * t) + zeta / wd * std::sin(wd * t));
  };
  const double a[] = {1.0, 2.0 * zeta}, b[] = {1.0};
  double errors[3];
  const double steps[3] = {0.2, 0.1, 0.05};
  for (int k = 0; k < 3; ++k) {
    SimTemp s(a, 2, b, 1);
    s.Dt = steps[k];
    errors[k] = MaxError(s, 6.0, exact);
  }
  for (int k = 0; k < 2; ++k) {
    double ratio = errors[k] / errors[k + 1];
    EXPECT_GT(ratio, 13.0) << k;
    EXPECT_LT(ratio, 19.0) << k;
  }
}

// One step of the textbook Runge-Kutta method on s's own arrays, through FctF and ValDt; with
// the impulse the last stage sees the input just before the end of the step. Returns the output.
double TextbookStep(SimTemp& s) {
  const int n = s.NbA;
  const double h = s.ValDt();
  const double t = s.T;
  std::vector<double> f1(n), f2(n), f3(n), f4(n), v(n);
  s.FctF(f1.data(), s.X, t);
  for (int i = 0; i < n; ++i) v[i] = s.X[i] + 0.5 * h * f1[i];
  s.FctF(f2.data(), v.data(), t + 0.5 * h);
  for (int i = 0; i < n; ++i) v[i] = s.X[i] + 0.5 * h * f2[i];
  s.FctF(f3.data(), v.data(), t + 0.5 * h);
  for (int i = 0; i < n; ++i) v[i] = s.X[i] + h * f3[i];
  const bool impulse = s.TypeSignal == SimTemp::S_Impulsion && h > 0.0;
  s.FctF(f4.data(), v.data(), impulse ? std::nextafter(t + h, -1.0) : t + h);
  for (int i = 0; i < n; ++i) s.X[i] += h / 6.0 * (f1[i] + 2.0 * f2[i] + 2.0 * f3[i] + f4[i]);
  s.T = t + h;
  s.FInit = false;
  double y = 0.0;
  for (int i = 0; i < n && i < s.NbB; ++i) y += s.B[i] * s.X[i];
  if (s.NbB > n) {
    s.FctF(f1.data(), s.X, s.T);
    y += s.B[n] * f1[n - 1];
  }
  return y;
}

// A decayed impulse response falls below the smallest normal double after some 700 time
// constants: stepping there gives what the closed form gives (2(e^-t - e^-2t), zero to the last
// digit at 800 s), stepped alone or beside its closed loop, and leaves the caller's own
// arithmetic on values below 1e-308 as it was (1e-310 / 2 is not zero).
TEST(SimTempResponse, DecayedResponseBelowSmallestNormal) {
  const double a[] = {2.0, 3.0}, b[] = {2.0};  // 2/((s+1)(s+2))
  for (bool paire : {false, true}) {
    SimTemp bo(a, 2, b, 1), bf(a, 2, b, 1);
    for (SimTemp* s : {&bo, &bf}) {
      s->SetFctU(2);
      s->Dt = 1e-3;
    }
    bf.ModeBF();
    std::vector<double> y(1024), z(1024), t(1024);
    size_t k = 0;
    while (bo.T < 800.0) {
      k = paire ? SimTemp::NextYsPaire(&bo, &bf, 800.0, y.data(), z.data(), t.data(), 1024)
                : bo.NextYs(800.0, y.data(), t.data(), 1024);
      ASSERT_GT(k, 0u);
    }
    EXPECT_LT(std::fabs(y[k - 1]), 1e-300) << paire;
    EXPECT_NEAR(t[k - 1], 800.0, 1e-3) << paire;
    volatile double tiny = 1e-310;
    EXPECT_NE(tiny / 2, 0.0) << paire;
  }
}

// Steps by blocks give, bit for bit, the outputs and times of single steps and of the textbook
// method, for every order (registers up to 16, the block's arrays beyond), each input and a
// biproper function; a block stops at its size or once the time reaches its end.
TEST(SimTempState, BlocksMatchSingleSteps) {
  for (int order : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 16, 17}) {
    for (int input : {0, 1, 2}) {
      std::vector<double> a(order), b(order + 1);
      for (int i = 0; i < order; ++i) a[i] = 1.0 + 0.5 * i, b[i] = 0.3 * (i + 1);
      b[order] = order % 2 == 0 ? 0.7 : 0.0;
      const short nbb = static_cast<short>(order % 2 == 0 ? order + 1 : order);
      SimTemp one(a.data(), static_cast<short>(order), b.data(), nbb);
      SimTemp many(a.data(), static_cast<short>(order), b.data(), nbb);
      SimTemp book(a.data(), static_cast<short>(order), b.data(), nbb);
      for (SimTemp* s : {&one, &many, &book}) {
        s->SetFctU(input);
        s->Dt = 0.3e-6 * (order + 1) + 1e-3 * (input == 1);
        s->ModeBF();
      }
      std::vector<double> y1, t1, y0;
      while (one.T < 0.05) {
        y1.push_back(one.NextY());
        t1.push_back(one.T);
        y0.push_back(TextbookStep(book));
        ASSERT_EQ(book.T, one.T) << order << " " << input;
      }
      EXPECT_EQ(y0, y1) << order << " " << input;
      std::vector<double> y2(y1.size() + 10), t2(y1.size() + 10);
      size_t k = 0;
      for (size_t block = 1; many.T < 0.05; block = block * 2 + 1) {
        size_t got = many.NextYs(0.05, &y2[k], &t2[k], block);
        EXPECT_TRUE(got == block || many.T >= 0.05) << order;
        k += got;
      }
      y2.resize(k);
      t2.resize(k);
      EXPECT_EQ(y1, y2) << order << " " << input;
      EXPECT_EQ(t1, t2) << order << " " << input;

      // Open and closed loop stepped side by side give each one's values; beyond order 16, or
      // once their times differ, the pair is refused and nothing moves.
      SimTemp bo(a.data(), static_cast<short>(order), b.data(), nbb);
      SimTemp pbo(a.data(), static_cast<short>(order), b.data(), nbb);
      SimTemp pbf(a.data(), static_cast<short>(order), b.data(), nbb);
      for (SimTemp* s : {&bo, &pbo, &pbf}) {
        s->SetFctU(input);
        s->Dt = one.Dt;
        s->ModeBO();
      }
      pbf.ModeBF();
      std::vector<double> yb;
      while (bo.T < 0.05) yb.push_back(bo.NextY());
      if (input == 0) {
        // The step response's figures read inside the step loop, alone or beside the open loop,
        // are those read off the single steps' outputs afterwards.
        auto mesure = [&](const std::vector<double>& y, const std::vector<double>& ts) {
          TStepFigures m;
          m.Init(y.back(), 2, 1e-8, 0);
          for (size_t i = 0; i < y.size(); ++i) m.Ajoute(y[i], ts[i]);
          return m;
        };
        const TStepFigures attendu = mesure(y1, t1), attenduBO = mesure(yb, t1);
        SimTemp mbo(a.data(), static_cast<short>(order), b.data(), nbb);
        SimTemp mbf(a.data(), static_cast<short>(order), b.data(), nbb);
        SimTemp seul(a.data(), static_cast<short>(order), b.data(), nbb);
        for (SimTemp* s : {&mbo, &mbf, &seul}) {
          s->Dt = one.Dt;
          s->ModeBF();
        }
        mbo.ModeBO();
        TStepFigures fo, ff, fs;
        fo.Init(yb.back(), 2, 1e-8, 0);
        ff.Init(y1.back(), 2, 1e-8, 0);
        fs.Init(y1.back(), 2, 1e-8, 0);
        while (seul.T < 0.05) ASSERT_GT(seul.NextYsMesure(0.05, &fs, 5), 0u);
        std::vector<std::pair<const TStepFigures*, const TStepFigures*>> cas = {{&fs, &attendu}};
        if (order > 16) {
          EXPECT_EQ(SimTemp::NextYsMesurePaire(&mbo, &mbf, 0.05, &fo, &ff, 5), 0u);
        } else {
          while (mbo.T < 0.05)
            ASSERT_GT(SimTemp::NextYsMesurePaire(&mbo, &mbf, 0.05, &fo, &ff, 5), 0u);
          cas.push_back({&ff, &attendu});
          cas.push_back({&fo, &attenduBO});
        }
        for (const auto& [m, e] : cas) {
          const double got[] = {m->tr,  m->tr5, m->dep,  m->tdep,
                                m->t10, m->t90, m->rMin, m->dernier};
          const double want[] = {e->tr,  e->tr5, e->dep,  e->tdep,
                                 e->t10, e->t90, e->rMin, e->dernier};
          for (int i = 0; i < 8; ++i) {
            EXPECT_TRUE(got[i] == want[i] || (std::isnan(got[i]) && std::isnan(want[i])))
                << order << " figure " << i << ": " << got[i] << " " << want[i];
          }
          EXPECT_EQ(m->aRebours, e->aRebours) << order;
        }
        // The 90 % level is crossed (the figures compared are not all their initial values).
        EXPECT_TRUE(std::isfinite(attendu.t90)) << order;
      }

      std::vector<double> yp(yb.size() + 10), yq(yb.size() + 10), tp(yb.size() + 10);
      size_t kp = 0, got;
      while (pbo.T < 0.05 &&
             (got = SimTemp::NextYsPaire(&pbo, &pbf, 0.05, &yp[kp], &yq[kp], &tp[kp], 7)) > 0)
        kp += got;
      if (order > 16) {
        EXPECT_EQ(kp, 0u);
        EXPECT_EQ(pbo.T, 0.0);
        continue;
      }
      yp.resize(kp);
      yq.resize(kp);
      tp.resize(kp);
      EXPECT_EQ(yp, yb) << order << " " << input;
      EXPECT_EQ(yq, y1) << order << " " << input;
      EXPECT_EQ(tp, t1) << order << " " << input;
      pbo.NextY();
      const double t = pbf.T;
      EXPECT_EQ(SimTemp::NextYsPaire(&pbo, &pbf, 1.0, &yp[0], &yq[0], &tp[0], 7), 0u);
      EXPECT_EQ(pbf.T, t);
    }
  }
}

TEST(SimTempState, InitKeepsInputStepAndMode) {
  const double a[] = {1.0}, b[] = {1.0};
  SimTemp s(a, 1, b, 1);
  s.SetFctU(1);
  s.Dt = 0.1;
  s.ModeBF();
  for (int i = 0; i < 5; ++i) s.NextY();
  s.Init();
  EXPECT_EQ(s.T, 0.0);
  EXPECT_TRUE(s.FInit);
  EXPECT_EQ(s.X[0], 0.0);
  EXPECT_EQ(s.TypeSignal, SimTemp::S_Rampe);
  EXPECT_EQ(s.Dt, 0.1);
  EXPECT_EQ(s.A[0], 2.0);  // still closed loop
}

TEST(SimTempState, CoefficientsAreCopied) {
  double a[] = {1.0}, b[] = {1.0};
  SimTemp s(a, 1, b, 1);
  a[0] = 100.0;
  b[0] = -5.0;
  s.Dt = 0.01;
  EXPECT_LT(MaxError(s, 2.0, [](double t) { return 1.0 - std::exp(-t); }), 1e-9);
  // Loading a new system replaces the old block.
  const double a2[] = {2.0, 3.0}, b2[] = {2.0};  // 2/((s+1)(s+2)) = 1 - 2e^-t + e^-2t
  s.NewCoefs(a2, 2, b2, 1);
  EXPECT_EQ(s.NbA, 2);
  EXPECT_EQ(s.T, 0.0);
  EXPECT_LT(
      MaxError(s, 5.0, [](double t) { return 1.0 - 2.0 * std::exp(-t) + std::exp(-2.0 * t); }),
      1e-9);
}

TEST(SimTempState, ImproperIsInactive) {
  const double a[] = {1.0}, b[] = {1.0, 2.0, 3.0};  // (3s^2 + 2s + 1)/(s + 1)
  SimTemp s(a, 1, b, 3);
  EXPECT_EQ(s.A, nullptr);
  s.ModeBF();
  s.ModeBO();
  s.Init();
  s.Dt = 0.1;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s.NextY(), 0.0);
  // Time still moves (first sample at 0, then one step each), so sampling loops end.
  EXPECT_NEAR(s.T, 0.2, 1e-15);
  // Negative counts are rejected the same way.
  s.NewCoefs(a, -1, b, 0);
  EXPECT_EQ(s.A, nullptr);
  EXPECT_EQ(s.NextY(), 0.0);
}

TEST(SimTempState, ClosedLoopWithoutLeadingTermIsHeldAtZero) {
  // (1 - s)/(s + 1) closed on itself gives (1 - s)/2, which is improper.
  const double a[] = {1.0}, b[] = {1.0, -1.0};
  SimTemp s(a, 1, b, 2);
  s.Dt = 0.01;
  s.ModeBF();
  for (int i = 0; i < 100; ++i) EXPECT_EQ(s.NextY(), 0.0);
  s.Init();
  s.ModeBO();
  s.NextY();
  EXPECT_NEAR(s.NextY(), 1.0 - 2.0 * std::exp(-0.01), 1e-9);  // back to (1 - s)/(s + 1)
}

// Closed-loop step response of K e^(-tau s)/(s + 1) by the method of steps: on the k-th
// interval of length tau, y = c_k + e^(-s) P_k(s) in the local time s, with c_0 = 0, P_0 = 0,
// c_{k+1} = K (1 - c_k), P_{k+1}' = -K P_k, and y continuous from one interval to the next.
class MethodOfSteps {
 public:
  MethodOfSteps(double k, double tau, double tEnd) : tau_(tau) {
    c_.push_back(0.0);
    p_.push_back({0.0});
    while (tau * static_cast<double>(c_.size()) <= tEnd + tau) {
      const std::vector<double>& p = p_.back();
      const double c = c_.back(), cn = k * (1 - c);
      std::vector<double> q(p.size() + 1, 0.0);
      for (size_t j = 0; j < p.size(); ++j) q[j + 1] = -k * p[j] / static_cast<double>(j + 1);
      q[0] = c + std::exp(-tau) * Poly(p, tau) - cn - Poly(q, 0.0);
      c_.push_back(cn);
      p_.push_back(q);
    }
  }
  double operator()(double t) const {
    if (t <= 0) return 0.0;
    const size_t k = std::min(static_cast<size_t>(t / tau_), c_.size() - 1);
    const double s = t - static_cast<double>(k) * tau_;
    return c_[k] + std::exp(-s) * Poly(p_[k], s);
  }

 private:
  static double Poly(const std::vector<double>& p, double s) {
    double v = 0;
    for (size_t j = p.size(); j-- > 0;) v = v * s + p[j];
    return v;
  }
  double tau_;
  std::vector<double> c_;
  std::vector<std::vector<double>> p_;
};

TEST(SimTempDelay, ExactDelayedResponsesAtEverySample) {
  // K/(s + 1) behind a delay tau, at steps that are and are not divisors of tau, and shorter
  // than tau: the open loop is the undelayed closed form shifted by tau, the closed loop
  // follows the method of steps.
  const double a[] = {1.0};
  struct Row {
    double k, tau, dt, tEnd;
    bool closed;
    int input;
  };
  const Row rows[] = {
      {2, 0.5, 1e-3, 10, true, SimTemp::S_Echelon},   {2, 0.5, 7e-4, 10, true, SimTemp::S_Echelon},
      {2, 0.5, 3e-3, 10, true, SimTemp::S_Echelon},   {1, 0.004, 0.01, 0.1, true, SimTemp::S_Echelon},
      {1, 1, 0.01, 8, false, SimTemp::S_Echelon},     {3, 0.37, 0.01, 8, false, SimTemp::S_Rampe},
      {1, 0.25, 0.003, 5, false, SimTemp::S_Impulsion},
  };
  for (const Row& r : rows) {
    const double b[] = {r.k};
    SimTemp s(a, 1, b, 1);
    s.Retard = r.tau;
    s.Dt = r.dt;
    s.SetFctU(r.input);
    if (r.closed) s.ModeBF();
    std::function<double(double)> expected;
    const double k = r.k, tau = r.tau;
    if (r.closed) {
      expected = MethodOfSteps(k, tau, r.tEnd);
    } else if (r.input == SimTemp::S_Echelon) {
      expected = [=](double t) { return t <= tau ? 0.0 : k * (1 - std::exp(-(t - tau))); };
    } else if (r.input == SimTemp::S_Rampe) {
      expected = [=](double t) { return t <= tau ? 0.0 : k * (t - tau - 1 + std::exp(-(t - tau))); };
    } else {
      // The unit-area rectangle of width 1e-6 starting at tau.
      const double w = 1e-6;
      expected = [=](double t) {
        if (t <= tau) return 0.0;
        if (t <= tau + w) return k * 1e6 * (1 - std::exp(-(t - tau)));
        return k * 1e6 * (1 - std::exp(-w)) * std::exp(-(t - tau - w));
      };
    }
    EXPECT_LT(MaxError(s, r.tEnd, expected), 1e-6)
        << "K " << r.k << " tau " << r.tau << " dt " << r.dt << " closed " << r.closed;
  }
}

}  // namespace
