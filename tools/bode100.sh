#!/usr/bin/env bash
# Writes into DIR the Bode chart of 100 functions of order 8 at 10000 points (bode100.txt, to
# EPS) and the same responses for the peers: GNU Octave's bode (octave_bode.m) and Scilab's
# repfreq (scilab_bode.sce), at the same 10000 frequencies (0.001 to 100 Hz). The peers print
# the time of their 100 evaluations alone, wall and processor.
# Usage: tools/bode100.sh DIR
set -euo pipefail
cd "$1"
# The 100 functions of the stress run: gain, four real poles, one real zero, two damped pole
# pairs and one damped zero pair each.
defs() {
  for ((i = 0; i < 100; i++)); do
    a=$((i % 7 + 1))
    echo "$i $((i % 9 + 2)) $a $((a + 2)) 0.$((i % 9 + 1)) $((i % 5 + 4)) 0.$((i % 8 + 2)) 1.$((i % 10)) $((a + 3)) $((i % 3 + 2)) $((i % 4 + 5))"
  done
}
defs | while read -r i g a b c d e f h z k; do
  echo "fct = F$i"; echo "F$i.gain = $g"; echo "F$i.pole = -$a, -$b, -$c, -$d"
  echo "F$i.poleC = {1, $e, $a}, {1, $f, $h}"; echo "F$i.zero = -$z"; echo "F$i.zeroC = {1, 2, $k}"
done >bode100.txt
printf 'NBP = 10000\nWmin = 0.001\nWmax = 100\nBodeGP(EPS, "bode100.eps")\n' >>bode100.txt

{
  echo "pkg load control; w = logspace(log10(2*pi*0.001), log10(2*pi*100), 10000);"
  echo "sys = cell(1, 100);"
  defs | while read -r i g a b c d e f h z k; do
    echo "sys{$((i + 1))} = tf($g*conv([1 $z], [1 2 $k]), conv(conv(conv([1 $a], [1 $b]), conv([1 $c], [1 $d])), conv([1 $e $a], [1 $f $h])));"
  done
  echo "c = cputime; t = tic; for i = 1:100, [m, p] = bode(sys{i}, w); end; el = toc(t); c = cputime - c;"
  echo "printf('octave bode, 100 functions x 10000 points: %.4f s (processor %.4f s)\n', el, c);"
} >octave_bode.m

{
  echo "s = poly(0, 's'); frq = logspace(-3, 2, 10000); sys = list();"
  defs | while read -r i g a b c d e f h z k; do
    echo "sys($((i + 1))) = syslin('c', $g*(s+$z)*(s^2+2*s+$k)/((s+$a)*(s+$b)*(s+$c)*(s+$d)*(s^2+$e*s+$a)*(s^2+$f*s+$h)));"
  done
  echo "timer(); tic(); for i = 1:100, rep = repfreq(sys(i), frq); end; el = toc(); c = timer();"
  echo "mprintf('scilab repfreq, 100 functions x 10000 points: %.4f s (processor %.4f s)\n', el, c);"
  echo "exit;"
} >scilab_bode.sce
