% The figures of the properties report, open and closed loop, computed by GNU Octave's control
% package in-process, and the time this takes, for the loop of the order given as argument:
%   4: 96/((s+1)(s+2)(s+3)(s+4));
%   8: 0.3/((s+1)(s+2)(s+5)(s+0.5)(s^2+0.4s+0.2)(s^2+0.4s+4));
%  16: 300/((s+1)(s+2)(s+5)(s+0.5)(s+1.5)(s+3)(s+4)(s+6)
%           (s^2+0.4s+0.2)(s^2+0.4s+4)(s^2+0.6s+1)(s^2+0.8s+9)).
% Both loops: static gain, -3 dB bandwidth, 2 % and 5 % response times, 10-90 % rise time,
% final value, peak and its time, undershoot of the step response (0 to 30 s by 1e-4 s, exact
% discretisation), maximum gain. Open loop also: gain and phase margins with their frequencies,
% modulus margin, delay margin, the gains where the phase reaches -135, -130 and -120 degrees;
% closed loop also: its poles. Usage: octave-cli tools/bench-report-octave.m ORDER [RUNS]
% (one run prints the figures too).
pkg load control
args = argv();
order = 8;
if numel(args) >= 1, order = str2double(args{1}); end
n = 5;
if numel(args) >= 2, n = str2double(args{2}); end
s = tf('s');
switch order
  case 4
    G = zpk([], [-1 -2 -3 -4], 96);
  case 8
    G = 0.3 / ((s+1)*(s+2)*(s+5)*(s+0.5)*(s^2+0.4*s+0.2)*(s^2+0.4*s+4));
  otherwise
    G = 300 / ((s+1)*(s+2)*(s+5)*(s+0.5)*(s+1.5)*(s+3)*(s+4)*(s+6) ...
               *(s^2+0.4*s+0.2)*(s^2+0.4*s+4)*(s^2+0.6*s+1)*(s^2+0.8*s+9));
end
function f = report_figures(L, open)
  t = (0:1e-4:30)';
  g0 = dcgain(L);
  dbw = @(w) 20 * log10(abs(squeeze(freqresp(L, w))));
  f.static_db = 20 * log10(abs(g0));
  f.bandwidth = fzero(@(w) dbw(w) - (f.static_db - 3), [1e-6 1e6]);
  y = step(L, t);
  out2 = abs(y - g0) > 0.02 * abs(g0);
  out5 = abs(y - g0) > 0.05 * abs(g0);
  f.tr2 = t(find(out2, 1, 'last'));
  f.tr5 = t(find(out5, 1, 'last'));
  r = y / g0;
  k10 = find(r >= 0.1, 1);
  k90 = find(r >= 0.9, 1);
  at = @(k, l) t(k - 1) + (l - r(k - 1)) / (r(k) - r(k - 1)) * (t(k) - t(k - 1));
  f.rise = at(k90, 0.9) - at(k10, 0.1);
  f.final = g0;
  [f.peak, k] = max(y);
  f.tpeak = t(k);
  f.undershoot = -min(0, min(r));
  f.gmax = 20 * log10(norm(L, inf));
  if open
    [f.gm, f.pm, f.wgm, f.wpm] = margin(L);
    wg = logspace(-3, 3, 2000)';
    h = squeeze(freqresp(L, wg));
    f.modulus = min(abs(1 + h));
    f.delay = f.pm * pi / 180 / f.wpm;
    ph = 180 / pi * unwrap(angle(h));
    for target = [-135 -130 -120]
      k = find(ph < target, 1);
      if isempty(k) || k == 1, continue; end
      w = fzero(@(w) interp1(log(wg), ph, log(w)) - target, wg([k - 1, k]));
      f.(sprintf('g%d', -target)) = dbw(w);
    end
  else
    f.poles = pole(L);
  end
end
report_figures(G, true); report_figures(feedback(G, 1), false);  % warm-up
c0 = cputime;
tic;
for i = 1:n
  fo = report_figures(G, true);
  fc = report_figures(feedback(G, 1), false);
end
ms = toc / n * 1000;
cpu = (cputime - c0) / n * 1000;
if n == 1, disp(fo); disp(fc); end
printf('Octave: %.1f ms per report, %.1f ms of processor (mean of %d)\n', ms, cpu, n);
