// The figures of the properties report, open and closed loop, computed by Scilab in-process, and
// the time this takes, for the loop of the order in the environment variable ORDER (4, 8 or 16,
// the loops of tools/bench-report-octave.m). Both loops: static gain, -3 dB bandwidth, 2 % and
// 5 % response times, 10-90 % rise time, final value, peak and its time, undershoot of the step
// response (0 to 30 s by 1e-4 s, exact discretisation), maximum gain. Open loop also: gain and
// phase margins with their frequencies, modulus margin, delay margin, the gains where the phase
// reaches -135, -130 and -120 degrees; closed loop also: its poles.
// Usage: ORDER=8 RUNS=5 scilab-cli -nb -quit -f tools/bench-report-scilab.sce (one run prints
// the figures too).
funcprot(0);
order = 8; runs = 5;
if getenv("ORDER", "") <> "" then order = evstr(getenv("ORDER")); end
if getenv("RUNS", "") <> "" then runs = evstr(getenv("RUNS")); end
s = poly(0, "s");
select order
case 4 then
  G = syslin("c", 96 / ((s+1)*(s+2)*(s+3)*(s+4)));
case 8 then
  G = syslin("c", 0.3 / ((s+1)*(s+2)*(s+5)*(s+0.5)*(s^2+0.4*s+0.2)*(s^2+0.4*s+4)));
else
  G = syslin("c", 300 / ((s+1)*(s+2)*(s+5)*(s+0.5)*(s+1.5)*(s+3)*(s+4)*(s+6) ..
                        *(s^2+0.4*s+0.2)*(s^2+0.4*s+4)*(s^2+0.6*s+1)*(s^2+0.8*s+9)));
end

// dB of L at w rad/s.
function g = dbw(L, w)
  g = 20 * log10(abs(horner(L, %i * w)));
end

// w where the increasing-or-decreasing f(w) - target changes sign in [a, b], on a log scale.
function w = bisect(L, target, a, b)
  fa = dbw(L, a) - target;
  for k = 1:80
    m = sqrt(a * b);
    fm = dbw(L, m) - target;
    if sign(fm) == sign(fa) then a = m; fa = fm; else b = m; end
  end
  w = sqrt(a * b);
end

function f = report_figures(L, open)
  t = 0:1e-4:30;
  g0 = real(horner(L, 0));
  f.static_db = 20 * log10(abs(g0));
  f.bandwidth = bisect(L, f.static_db - 3, 1e-6, 1e6);
  Ld = dscr(tf2ss(L), 1e-4);
  y = flts(ones(t), Ld);
  out2 = find(abs(y - g0) > 0.02 * abs(g0));
  out5 = find(abs(y - g0) > 0.05 * abs(g0));
  f.tr2 = t(out2($));
  f.tr5 = t(out5($));
  r = y / g0;
  k10 = find(r >= 0.1, 1);
  k90 = find(r >= 0.9, 1);
  f.rise = (t(k90 - 1) + (0.9 - r(k90 - 1)) / (r(k90) - r(k90 - 1)) * 1e-4) - ..
           (t(k10 - 1) + (0.1 - r(k10 - 1)) / (r(k10) - r(k10 - 1)) * 1e-4);
  f.final = g0;
  [f.peak, k] = max(y);
  f.tpeak = t(k);
  f.undershoot = -min(0, min(r));
  f.gmax = 20 * log10(h_norm(L));
  if open then
    [f.gm, f.fgm] = g_margin(L);
    [f.pm, f.fpm] = p_margin(L);
    wg = logspace(-3, 3, 2000);
    h = repfreq(L, wg / (2 * %pi));
    f.modulus = min(abs(1 + h));
    [db, ph] = dbphi(h);
    f.delay = f.pm * %pi / 180 / (2 * %pi * f.fpm);
    for target = [-135 -130 -120]
      k = find(ph < target, 1);
      if k == [] | k == 1 then continue; end
      w = exp(interp1(ph([k - 1, k]), log(wg([k - 1, k])), target));
      f("g" + string(-target)) = dbw(L, w);
    end
  else
    f.poles = roots(L.den);
  end
end

F = G /. 1;  // unity negative feedback
fo = report_figures(G, %t); fc = report_figures(F, %f);  // warm-up
timer();
tic();
for i = 1:runs
  fo = report_figures(G, %t);
  fc = report_figures(F, %f);
end
ms = toc() / runs * 1000;
cpu = timer() / runs * 1000;
if runs == 1 then disp(fo); disp(fc); end
mprintf("Scilab: %.1f ms per report, %.1f ms of processor (mean of %d)\n", ms, cpu, runs);
