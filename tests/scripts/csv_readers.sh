#!/usr/bin/env bash
# Every chart of every example script asked as a CSV table, then read by Python's csv module and
# by Octave's dlmread: each file must have the header the script implies (w_rad_s or t_s and
# entree, then one column per function, loop and quantity), a field per column on every row, the
# rows of the chart (NBP frequencies spread evenly in log; times from 0 up to TempTfin; a locus's
# own frequencies; the root locus in long form, a function's name on each row), and
# Octave must find the same shape and the same numbers as Python.
# Usage: csv_readers.sh <corvane binary> <srcdir> [builddir]
set -u
bin=$(realpath "$1")
src=$(realpath "$2")
for tool in python3 octave-cli; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed"
    exit 1
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$bin" "$src" "$work" <<'PYTHON'
import csv, glob, math, os, re, subprocess, sys

binary, src, work = sys.argv[1:4]
chart = re.compile(r'^\s*(BodeGP|BodeG|BodeP|Black|Temporel|Nyquist|Evans)\s*\(', re.I)
setting = re.compile(r'^\s*(\w+)\s*=\s*([^;]*)', re.I)
quantities = {'bodegp': ['gain_dB', 'phase_deg'], 'bodeg': ['gain_dB'],
              'bodep': ['phase_deg'], 'black': ['phase_deg', 'gain_dB'], 'temporel': ['']}
loci = {'nyquist': ['re', 'im']}  # open loop only, rows as the locus refines them
expected = []  # (file, first columns, names, rows or None, end time or None)
longues = {}  # long tables: the function names their first column may hold
for example in sorted(glob.glob(os.path.join(src, 'examples', '*.txt'))):
    stem = os.path.splitext(os.path.basename(example))[0]
    nbp, tfin, bo, bf, fcts, lines = 400, 30.0, True, False, [], []
    for line in open(example, encoding='cp1252'):
        m = setting.match(line)
        if m:
            word, value = m.group(1).lower(), m.group(2).strip()
            if word == 'fct':
                fcts.append(value)
            elif word == 'nbp':
                nbp = int(value)
            elif word == 'temptfin':
                tfin = float(value)
            elif word == 'openloop':
                bo = value != '0'
            elif word == 'closedloop':
                bf = value != '0'
        m = chart.match(line)
        if m:
            kind = m.group(1).lower()
            name = '%s_%d.csv' % (stem, len(lines))
            line = '%s(CSV, "%s")\n' % (m.group(1), name)
            loops = ([''] if bo else []) + (['_BF'] if bf else [])
            names = [f + l + ('_' + q if q else '') for f in fcts for l in loops
                     for q in quantities.get(kind, [])]
            if kind == 'evans':  # long form: the function's name on each row
                longues[name] = set(fcts)
                expected.append((name, ['fonction', 'branche', 'k', 're', 'im'], [], None, None))
            elif kind in loci:
                names = [f + '_' + q for f in fcts for q in loci[kind]]
                expected.append((name, ['w_rad_s'], names, None, None))
            elif kind == 'temporel':
                expected.append((name, ['t_s', 'entree'], names, None, tfin))
            else:
                expected.append((name, ['w_rad_s'], names, nbp, None))
        lines.append(line)
    with open(os.path.join(work, stem + '.txt'), 'w', encoding='cp1252') as f:
        f.writelines(lines)
    run = subprocess.run([binary, stem + '.txt'], cwd=work, stdin=subprocess.DEVNULL,
                         capture_output=True)
    if run.returncode != 0:
        sys.exit('%s: exit status %d' % (example, run.returncode))

failed = []
shapes = {}
for name, first, names, rows, tfin in expected:
    path = os.path.join(work, name)
    if not os.path.exists(path):
        failed.append('%s: not written' % name)
        continue
    with open(path, newline='') as f:
        table = list(csv.reader(f))
    header, body = table[0], table[1:]
    if header != first + names:
        failed.append('%s: header %s, expected %s' % (name, header, first + names))
    if any(len(r) != len(header) for r in body):
        failed.append('%s: rows of another length than the header' % name)
        continue
    if name in longues:
        if any(r[0] not in longues[name] for r in body):
            failed.append('%s: a row names no function of the script' % name)
        body = [['0'] + r[1:] for r in body]  # Octave reads a text as 0
    values = [[float(x) if x else math.nan for x in r] for r in body]
    x = [r[0] for r in values]
    if rows is not None:
        ratios = [math.log10(b / a) for a, b in zip(x, x[1:])]
        if len(body) != rows or max(ratios) - min(ratios) > 1e-12:
            failed.append('%s: %d rows, expected %d evenly spread in log' % (name, len(body), rows))
    elif tfin is not None:
        if x[0] != 0 or not x[-1] >= tfin or not x[-2] < tfin or \
                any(b <= a for a, b in zip(x, x[1:])):
            failed.append('%s: times from %g to %g, expected 0 to %g' % (name, x[0], x[-1], tfin))
    shapes[name] = (len(body), len(header), math.fsum(abs(v) for r in values for v in r
                                                       if math.isfinite(v)))

# Octave reads every file once: rows, columns and the sum of the magnitudes of its numbers.
names = sorted(shapes)
script = ''.join("m = dlmread('%s', ',', 1, 0); printf('%%d %%d %%.17g\\n', size(m), "
                 "sum(abs(m(isfinite(m)))));\n" % n for n in names)
run = subprocess.run(['octave-cli', '--no-gui', '--norc', '--quiet', '--eval', script],
                     cwd=work, capture_output=True, text=True)
out = run.stdout.split('\n')
if run.returncode != 0 or len(out) < len(names):
    failed.append('octave: %s' % run.stderr)
else:
    for n, line in zip(names, out):
        r, c, s = line.split()
        rows, cols, total = shapes[n]
        if (int(r), int(c)) != (rows, cols) or abs(float(s) - total) > 1e-12 * max(total, 1):
            failed.append('%s: Octave reads %s x %s (sum %s), Python %d x %d (sum %.17g)'
                          % (n, r, c, s, rows, cols, total))
for f in failed:
    print('FAIL:', f)
print('%d CSV files of %d charts checked' % (len(shapes), len(expected)))
sys.exit(1 if failed or len(shapes) < 10 else 0)
PYTHON
