% The figures of the properties report of the fourth-order loop 96/((s+1)(s+2)(s+3)(s+4)),
% open and closed loop, computed by GNU Octave's control package in-process, and the time
% this takes: static gain, -3 dB bandwidth, 2 % and 5 % response times, final value and peak
% of the step response (0 to 30 s by 1e-4 s, exact discretisation), gain and phase margins,
% maximum gain, and the gains where the phase reaches -135, -130 and -120 degrees.
pkg load control
G = zpk([], [-1 -2 -3 -4], 96);
figures = @(L) report_figures(L);
function f = report_figures(L)
  t = (0:1e-4:30)';
  g0 = abs(squeeze(freqresp(L, 1e-10)));
  dbw = @(w) 20 * log10(abs(squeeze(freqresp(L, w))));
  f.static_db = 20 * log10(g0);
  f.bandwidth = fzero(@(w) dbw(w) - (f.static_db - 3), [1e-6 1e6]);
  y = step(L, t);
  out2 = abs(y - g0) > 0.02 * g0;
  out5 = abs(y - g0) > 0.05 * g0;
  f.tr2 = t(find(out2, 1, 'last'));
  f.tr5 = t(find(out5, 1, 'last'));
  [f.peak, k] = max(y);
  f.tpeak = t(k);
  [f.gm, f.pm] = margin(L);
  f.gmax = 20 * log10(norm(L, inf));
  wg = logspace(-3, 3, 2000)';
  ph = 180 / pi * unwrap(angle(squeeze(freqresp(L, wg))));
  for target = [-135 -130 -120]
    k = find(ph < target, 1);
    if isempty(k) || k == 1, continue; end
    w = fzero(@(w) interp1(log(wg), ph, log(w)) - target, wg([k - 1, k]));
    f.(sprintf('g%d', -target)) = dbw(w);
  end
end
n = 5;
figures(G); figures(feedback(G, 1));  % warm-up
tic;
for i = 1:n
  fo = figures(G);
  fc = figures(feedback(G, 1));
end
ms = toc / n * 1000;
disp(fo); disp(fc);
printf('Octave: %.1f ms per report (mean of %d)\n', ms, n);
