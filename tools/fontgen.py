#!/usr/bin/env python3
# Generates plot/Police.cpp, the plotting kernel's stroke font, from the Hershey vector fonts
# (Debian package hershey-fonts-data).
# Run: python3 tools/fontgen.py > plot/Police.cpp && clang-format -i plot/Police.cpp
"""Font generator.

Each glyph is a byte program for the kernel's glyph interpreter: pen commands (1 down, 2 up),
scale changes (3 divide, 4 multiply), position stack (5 save, 6 restore), sub-glyphs (7 c),
relative moves (8 dx dy, 9 pairs... 0 0) and one-byte vectors (high nibble length, low nibble
direction). A program starts on the baseline at the glyph's left bound and ends, pen up, at its
advance point. Hershey coordinates have y pointing down with the baseline at y = 9, capitals at
y = -12 and descenders down to y = 16: 21 units above the baseline and 7 below, as the font header
says.
"""

import argparse
import math
import os
import sys
from fractions import Fraction

HERSHEY_DIR = "/usr/share/hershey-fonts"

# Vector directions: displacement per unit of length for the 16 low-nibble values.
DIR_C = [1, 1, 1, 0.5, 0, -0.5, -1, -1, -1, -1, -1, -0.5, 0, 0.5, 1, 1]
DIR_S = [0, 0.5, 1, 1, 1, 1, 1, 0.5, 0, -0.5, -1, -1, -1, -1, -1, -0.5]


def load_jhf(path):
    """Returns the glyphs of a .jhf file as (left, right, strokes), strokes in Hershey units."""
    with open(path, encoding="latin-1") as f:
        data = f.read().replace("\r", "").replace("\n", "")
    glyphs = []
    i = 0
    while i < len(data):
        if data[i:i + 8].strip() == "":
            i += 1
            continue
        count = int(data[i + 5:i + 8])
        body = data[i + 8:i + 8 + 2 * count]
        i += 8 + 2 * count
        left, right = ord(body[0]) - 82, ord(body[1]) - 82
        strokes, cur = [], []
        for k in range(1, count):
            a, b = body[2 * k], body[2 * k + 1]
            if a == " " and b == "R":
                if cur:
                    strokes.append(cur)
                cur = []
            else:
                cur.append((ord(a) - 82, ord(b) - 82))
        if cur:
            strokes.append(cur)
        glyphs.append((left, right, strokes))
    return glyphs


class Fonts:
    """The Hershey files the font draws on, indexed by ASCII code (32 + index in the file)."""

    def __init__(self, directory):
        self.files = {}
        for name in ("timesr", "greekc", "mathlow", "rowmans", "symbolic", "markers"):
            self.files[name] = load_jhf(os.path.join(directory, name + ".jhf"))

    def get(self, name, ch):
        code = ord(ch) if isinstance(ch, str) else ch
        return self.files[name][code - 32]


def to_font(glyph):
    """Hershey glyph -> (strokes in font units (u right, v up, origin left bound on baseline),
    advance)."""
    left, right, strokes = glyph
    return [[(x - left, 9 - y) for x, y in s] for s in strokes], right - left


def shifted(strokes, du, dv):
    return [[(u + du, v + dv) for u, v in s] for s in strokes]


def mirrored(strokes, width):
    return [[(width - u, v) for u, v in s] for s in strokes]


def bbox(strokes):
    us = [u for s in strokes for u, _ in s]
    vs = [v for s in strokes for _, v in s]
    return min(us), max(us), min(vs), max(vs)


class Program:
    """Byte program builder; positions are tracked in program units (scaled by `scale`)."""

    def __init__(self):
        self.b = []
        self.pen = 1  # the interpreter starts with the pen down
        self.pos = (0, 0)

    def pen_up(self):
        if self.pen:
            self.b.append(2)
            self.pen = 0

    def pen_down(self):
        if not self.pen:
            self.b.append(1)
            self.pen = 1

    def scale(self, frac):
        if frac.numerator != 1:
            self.b += [4, frac.numerator]
        if frac.denominator != 1:
            self.b += [3, frac.denominator]

    @staticmethod
    def vector(du, dv):
        """One-byte vector for (du, dv) when it exists, else None."""
        for d in range(16):
            for length in range(1, 16):
                if DIR_C[d] * length == du and DIR_S[d] * length == dv:
                    return (length << 4) | d
        return None

    def moves(self, deltas):
        """Emits relative moves with the current pen state."""
        pending = []

        def flush():
            if len(pending) >= 4:
                self.b.append(9)
                for du, dv in pending:
                    self.b += [du & 0xFF, dv & 0xFF]
                self.b += [0, 0]
            else:
                for du, dv in pending:
                    self.b += [8, du & 0xFF, dv & 0xFF]
            pending.clear()

        for du, dv in deltas:
            if du == 0 and dv == 0:
                continue
            assert -128 <= du <= 127 and -128 <= dv <= 127
            vec = self.vector(du, dv)
            if vec is None and (du == 0 or dv == 0 or abs(du) == abs(dv)):
                # A long straight draw splits into vectors; the drawn line is the same.
                n = max(abs(du), abs(dv))
                parts = []
                while n > 0:
                    step = min(n, 15)
                    parts.append(step)
                    n -= step
                sx = (du > 0) - (du < 0)
                sy = (dv > 0) - (dv < 0)
                if len(parts) <= 2:
                    flush()
                    for step in parts:
                        self.b.append(self.vector(sx * step, sy * step))
                    continue
            if vec is not None:
                flush()
                self.b.append(vec)
            else:
                pending.append((du, dv))
        flush()

    def move_to(self, p):
        self.pen_up()
        self.moves([(p[0] - self.pos[0], p[1] - self.pos[1])])
        self.pos = p

    def strokes(self, strokes):
        for s in strokes:
            self.move_to(s[0])
            self.pen_down()
            if len(s) == 1:
                self.b.append(0x0F)  # a zero-length vector: a dot
            deltas = [(b[0] - a[0], b[1] - a[1]) for a, b in zip(s, s[1:])]
            self.moves(deltas)
            self.pos = s[-1]

    def sub(self, code):
        self.b += [7, code]

    def finish(self, advance):
        self.move_to((advance, 0))
        self.b.append(0)
        return self.b


def plain(strokes, advance, scale=Fraction(1)):
    """Program of a simple glyph. With a scale other than 1, `strokes` and `advance` are in
    program units (font units divided by the scale)."""
    p = Program()
    p.scale(scale)
    p.strokes(strokes)
    return p.finish(advance)


def fitted(strokes, advance):
    """Program of a glyph taller than the 28-unit span: scaled by 7/8 and shifted down one unit
    so that it lies within -7..21 (Hershey brackets and bars run from y = -16 to 16)."""
    lo, hi = bbox(strokes)[2:]
    if lo >= -7 and hi <= 21:
        return plain(strokes, advance)
    s = Fraction(7, 8)
    for t in range(0, -8, -1):
        if (lo + t) * s >= -7 and (hi + t) * s <= 21:
            break
    else:
        raise ValueError("glyph does not fit")
    return plain(shifted(strokes, 0, t), advance, s)


# Accents sit above the lowercase x-height (v = 14); capitals lift them by 7 units with the
# auxiliary glyph 0xD5.
ACCENT_BOTTOM = 15


def accent_glyphs(fonts):
    """Programs and ink centres (font units) of the four accents 0x01..0x04."""
    out = {}
    # Grave from the Hershey grave, scaled by 2/3 so that it stays low above capitals.
    grave, _ = to_font(fonts.get("timesr", "`"))
    s = Fraction(2, 3)
    lo_u, hi_u, lo_v, _ = bbox(grave)
    g = shifted(grave, 2 - lo_u, 23 - lo_v)  # program units; 23 * 2/3 = 15.33
    width = hi_u - lo_u + 4
    out[3] = (plain(g, width, s), float((2 + (hi_u - lo_u) / 2) * s))
    # Acute: the grave mirrored.
    a = mirrored(g, width)
    out[4] = (plain(a, width, s), float((2 + (hi_u - lo_u) / 2) * s))
    # Circumflex: the Hershey caret narrowed to half its width.
    caret = [[(x // 2, y) for x, y in st] for st in fonts.get("timesr", "^")[2]]
    c, _ = to_font((-4, 4, caret))
    lo_u, hi_u, lo_v, _ = bbox(c)
    c = shifted(c, 2 - lo_u, ACCENT_BOTTOM - lo_v)
    width = hi_u - lo_u + 4
    out[2] = (plain(c, width), 2 + (hi_u - lo_u) / 2)
    # Diaeresis: two Hershey full stops.
    dot, _ = to_font(fonts.get("timesr", "."))
    lo_u, hi_u, lo_v, _ = bbox(dot)
    d1 = shifted(dot, 2 - lo_u, ACCENT_BOTTOM + 1 - lo_v)
    d2 = shifted(d1, 6, 0)
    width = hi_u - lo_u + 10
    out[1] = (plain(d1 + d2, width), 2 + (hi_u - lo_u + 6) / 2)
    return out


def centre_u(strokes):
    lo, hi = bbox(strokes)[:2]
    return (lo + hi) / 2


def composed(base_code, base_strokes, accent, accent_centre, capital):
    """Accented letter: the accent drawn as a sub-glyph over the centre of the base letter, then
    the base letter itself, which leaves the pen at its advance."""
    p = []
    p.append(5)  # keep the letter's origin
    dx = round(centre_u(base_strokes) - accent_centre)
    if dx:
        p += [2, 8, dx & 0xFF, 0]
    if capital:
        p += [7, 0xD5]
    p += [7, accent, 6, 7, base_code, 0]
    return p


def marked(base_code, base_strokes, mark, scale, raise_v):
    """Letter with a mark drawn inline at `scale` (ring of å, tilde of õ, cedilla of ç): the mark
    first, then the base letter as a sub-glyph (sub-glyphs start at their own scale)."""
    lo_u, hi_u, lo_v, hi_v = bbox(mark)
    inv = 1 / scale
    cu = centre_u(base_strokes) * inv
    du = round(cu - (lo_u + hi_u) / 2)
    dv = math.ceil(raise_v * inv) - lo_v
    m = shifted(mark, du, dv)
    p = Program()
    p.b.append(5)
    p.scale(scale)
    p.strokes(m)
    p.b += [6, 7, base_code, 0]
    return p.b


def superscript(fonts, digits, offsets, advance_units):
    """Digits at 3/5 of their size, raised to the cap line (program units are font / 0.6)."""
    s = Fraction(3, 5)
    strokes = []
    for ch, (du, dv) in zip(digits, offsets):
        d, _ = to_font(fonts.get("timesr", ch))
        strokes += shifted(d, du, dv)
    return plain(strokes, advance_units, s)


def build(fonts):
    glyphs = {}  # code -> (program bytes, description)

    def hershey(code, name, ch, desc=None):
        st, adv = to_font(fonts.get(name, ch))
        glyphs[code] = (fitted(st, adv), desc or ("'%s'" % ch if isinstance(ch, str) else name))
        return st

    accents = accent_glyphs(fonts)
    names = {1: "diaeresis", 2: "circumflex", 3: "grave", 4: "acute"}
    for code in (1, 2, 3, 4):
        glyphs[code] = (accents[code][0], names[code] + " accent")

    glyphs[0x0A] = ([2, 8, 0, (-34) & 0xFF, 0], "line feed: 34 units down")
    i_st, i_adv = to_font(fonts.get("timesr", "i"))
    dotless = i_st[1:]
    glyphs[0x0B] = (plain(dotless, i_adv), "dotless i")

    # Space: pen up, 21 units along; the skipped pair belongs to vertical text.
    glyphs[0x20] = ([0x02, 0x08, 0x15, 0x00, 0x0E, 0x08, 0xEB, 0xE2, 0x00], "space")
    base = {}
    for code in range(0x21, 0x7F):
        base[code] = hershey(code, "timesr", chr(code))

    # 0x7F: a house, a roof over a square.
    sq, _ = to_font(fonts.get("markers", 0x42))
    roof, _ = to_font(fonts.get("symbolic", 0x45))
    lo_u, hi_u, lo_v, hi_v = bbox(sq)
    sq = shifted(sq, 3 - lo_u, -lo_v)
    rlo_u, rhi_u, rlo_v, _ = bbox(roof)
    roof = [[((u - rlo_u) * (hi_u - lo_u) / (rhi_u - rlo_u) + 3, (v - rlo_v) * 0.5 + (hi_v - lo_v))
             for u, v in s] for s in roof]
    roof = [[(round(u), round(v)) for u, v in s] for s in roof]
    glyphs[0x7F] = (plain(sq + roof, hi_u - lo_u + 6), "house")

    glyphs[0x80] = (fitted(*to_font(fonts.get("mathlow", 0x21))), "plus-minus")

    letters = {
        0x81: (0x75, 1, False, "u diaeresis"), 0x82: (0x65, 4, False, "e acute"),
        0x83: (0x61, 2, False, "a circumflex"), 0x84: (0x61, 1, False, "a diaeresis"),
        0x85: (0x61, 3, False, "a grave"), 0x88: (0x65, 2, False, "e circumflex"),
        0x89: (0x65, 1, False, "e diaeresis"), 0x8A: (0x65, 3, False, "e grave"),
        0x8B: (0x0B, 1, False, "i diaeresis"), 0x8C: (0x0B, 2, False, "i circumflex"),
        0x8D: (0x0B, 3, False, "i grave"), 0x8E: (0x41, 1, True, "A diaeresis"),
        0x93: (0x6F, 2, False, "o circumflex"), 0x94: (0x6F, 1, False, "o diaeresis"),
        0x96: (0x75, 2, False, "u circumflex"), 0x97: (0x75, 3, False, "u grave"),
        0xE0: (0x4F, 4, True, "O acute"), 0xE2: (0x4F, 2, True, "O circumflex"),
        0xE5: (0x4F, 1, True, "O diaeresis"), 0xE9: (0x55, 4, True, "U acute"),
        0xEA: (0x55, 2, True, "U circumflex"), 0xEB: (0x55, 3, True, "U grave"),
        0xEC: (0x79, 4, False, "y acute"),
    }
    base[0x0B] = dotless
    for code, (b, acc, cap, desc) in letters.items():
        glyphs[code] = (composed(b, base[b], acc, accents[acc][1], cap), desc)

    ring, _ = to_font(fonts.get("rowmans", 0x7F))
    glyphs[0x86] = (marked(0x61, base[0x61], ring, Fraction(2, 3), ACCENT_BOTTOM), "a ring")
    glyphs[0x8F] = (marked(0x41, base[0x41], ring, Fraction(2, 3), ACCENT_BOTTOM + 7), "A ring")
    comma, _ = to_font(fonts.get("timesr", ","))
    glyphs[0x87] = (marked(0x63, base[0x63], comma, Fraction(1), -5), "c cedilla")
    tilde, _ = to_font(fonts.get("timesr", "~"))
    glyphs[0xE4] = (marked(0x6F, base[0x6F], tilde, Fraction(1, 2), ACCENT_BOTTOM), "o tilde")

    # æ: a then e, drawn close together.
    glyphs[0x91] = ([7, 0x61, 2, 8, (-7) & 0xFF, 0, 7, 0x65, 0], "ae ligature")
    # Æ: the left leg, bar and serif of A with an E whose stem stands on the apex.
    a_st, _ = to_font(fonts.get("timesr", "A"))
    e_st, e_adv = to_font(fonts.get("timesr", "E"))
    apex_u = a_st[0][0][0]
    stem_u = e_st[0][0][0]
    left_leg, bar, serif = a_st[0], a_st[3], a_st[4]
    bar = [bar[0], (apex_u, bar[1][1])]
    e_part = shifted(e_st, apex_u - stem_u, 0)
    glyphs[0x92] = (plain([left_leg, bar, serif] + e_part, apex_u - stem_u + e_adv), "AE ligature")

    # Auxiliary vertical moves used inside other glyphs.
    glyphs[0xB7] = ([4, 3, 3, 2, 2, 8, 0, (-7) & 0xFF, 0], "aux: down 10.5")
    glyphs[0xBD] = ([4, 3, 3, 2, 2, 8, 0, 7, 0], "aux: up 10.5")
    glyphs[0xD4] = ([2, 8, 0, (-7) & 0xFF, 0], "aux: down 7")
    glyphs[0xD5] = ([2, 8, 0, 7, 0], "aux: up 7")

    # The Greek file puts alpha..omega on a..x in alphabetical Greek order (no final sigma).
    greek = {0xDC: ("x", "omega"), 0xDD: ("n", "xi"), 0xDE: ("s", "tau"), 0xDF: ("D", "Delta"),
             0xE1: ("b", "sharp s (beta)"), 0xE3: ("p", "pi"), 0xE6: ("l", "mu"),
             0xED: ("u", "phi"), 0xEE: ("e", "epsilon")}
    for code, (ch, desc) in greek.items():
        hershey(code, "greekc", ch, desc)

    # Þ: P with its bowl lowered to the middle of the stem.
    p_st, p_adv = to_font(fonts.get("timesr", "P"))
    stem_l, stem_r, bowl, bowl_in, foot = p_st
    top_serif = [bowl[0], (stem_r[0][0] + 3, bowl[0][1])]
    bowl = [(stem_r[0][0], bowl[1][1])] + bowl[1:]
    glyphs[0xE7] = (plain([stem_l, stem_r, top_serif, foot] + shifted([bowl, bowl_in], 0, -4),
                          p_adv), "capital thorn")
    # þ: p with its stems raised to the ascender line.
    q_st, q_adv = to_font(fonts.get("timesr", "p"))
    top = 21
    th = [[(s[0][0], top), s[1]] if k < 2 else s for k, s in enumerate(q_st)]
    th[4] = [(u, top) for u, _ in th[4]]
    glyphs[0xE8] = (plain(th, q_adv), "small thorn")

    glyphs[0xEF] = ([7, 4, 0], "acute accent")
    glyphs[0xF0] = ([7, 0x2D, 0], "soft hyphen")
    glyphs[0xF1] = ([7, 0x80, 0], "plus-minus")
    hershey(0xF2, "mathlow", 0x27, "greater or equal")
    # ¾: small 3 over small 4 with a slash, at half size (program units are half units).
    three, _ = to_font(fonts.get("timesr", "3"))
    four, _ = to_font(fonts.get("timesr", "4"))
    half = shifted(three, -2, 21) + shifted(four, 20, 0) + [[(8, 0), (32, 42)]]
    glyphs[0xF3] = (plain(half, 42, Fraction(1, 2)), "three quarters")
    # ¶: the bowl of P turned round, with a second stem.
    bowl_m = mirrored([p_st[2][1:], p_st[3]], p_adv)
    blo_u, bhi_u = bbox(bowl_m)[:2]
    stems = [[(bhi_u, 21), (bhi_u, 0)], [(bhi_u + 4, 21), (bhi_u + 4, 0)],
             [(bhi_u, 21), (bhi_u + 6, 21)]]
    pil = shifted(bowl_m + stems, 3 - blo_u, 0)
    glyphs[0xF4] = (plain(pil, bhi_u - blo_u + 12), "pilcrow")
    hershey(0xF5, "symbolic", 0x69, "section sign")
    hershey(0xF6, "mathlow", 0x78, "division sign")
    # ≈: two Hershey tildes, one above the other.
    # At 2/3 size: program units are 2/3 of a font unit.
    t_st, t_adv = to_font(fonts.get("mathlow", 0x7F))
    lo_v = bbox(t_st)[2]
    approx = shifted(t_st, 0, 9 - lo_v) + shifted(t_st, 0, 16 - lo_v)
    glyphs[0xF7] = (plain(approx, t_adv, Fraction(2, 3)), "almost equal")
    hershey(0xF8, "rowmans", 0x7F, "degree sign")
    glyphs[0xF9] = ([7, 1, 0], "diaeresis")
    dot, d_adv = to_font(fonts.get("timesr", "."))
    glyphs[0xFA] = (plain(shifted(dot, 0, 8), d_adv), "middle dot")
    glyphs[0xFB] = (superscript(fonts, "1", [(-2, 14)], 18), "superscript one")
    glyphs[0xFC] = (superscript(fonts, "3", [(-2, 14)], 18), "superscript three")
    glyphs[0xFD] = (superscript(fonts, "2", [(-2, 14)], 18), "superscript two")
    # ■: filled like the Hershey solid block, with adjacent vertical strokes.
    sqr = [[]]
    for u in range(3, 12):
        sqr[0] += [(u, 4), (u, 13)] if u % 2 else [(u, 13), (u, 4)]
    glyphs[0xFE] = (plain(sqr, 15), "black square")
    return glyphs


CODES = ([1, 2, 3, 4, 0x0A, 0x0B] + list(range(0x20, 0x80)) + list(range(0x80, 0x90)) +
         [0x91, 0x92, 0x93, 0x94, 0x96, 0x97, 0xB7, 0xBD, 0xD4, 0xD5] + list(range(0xDC, 0xFF)))


def emit(glyphs, out):
    assert sorted(glyphs) == CODES, sorted(set(CODES) ^ set(glyphs))
    w = out.write
    w("// Stroke font of the plotting kernel: 163 glyph programs for the text interpreter.\n")
    w("// Generated by tools/fontgen.py from the Hershey fonts (see plot/Police.NOTICE); do not edit.\n")
    w("//\n")
    w("// The Hershey Fonts were originally created by Dr. A. V. Hershey while working at the\n")
    w("// U. S. National Bureau of Standards. The format of the Font data in this distribution was\n")
    w("// originally created by James Hurt, Cognition, Inc., 900 Technology Park Drive, Billerica,\n")
    w("// MA 01821.\n\n")
    w('#include "plot/TrInfo.h"\n\n')
    w("namespace {\n\n")
    w("// Header: 21 units above the baseline, 7 below, mode 2.\n")
    w("const unsigned char kHeader[] = {21, 7, 2, 0};\n\n")
    for code in CODES:
        prog, desc = glyphs[code]
        w("// 0x%02X %s\n" % (code, desc))
        items = ["0x%02X" % b for b in prog]
        line = "const unsigned char kG%02X[] = {" % code
        body = ", ".join(items)
        text = line + body + "};\n"
        if len(text) <= 101:
            w(text)
        else:
            w(line + "\n")
            row = "    "
            for k, it in enumerate(items):
                piece = it + ("," if k + 1 < len(items) else "")
                if len(row) + len(piece) + 1 > 100:
                    w(row.rstrip() + "\n")
                    row = "    "
                row += piece + " "
            w(row.rstrip() + "\n};\n")
    w("\n}  // namespace\n\n")
    w("const FORME POLICE[164] = {\n")
    w("    {164, 4, kHeader},\n")
    for code in CODES:
        w("    {0x%02X, %d, kG%02X},  // %s\n" % (code, len(glyphs[code][0]), code, glyphs[code][1]))
    w("};\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--hershey", default=HERSHEY_DIR, help="directory of the .jhf files")
    args = ap.parse_args()
    glyphs = build(Fonts(args.hershey))
    emit(glyphs, sys.stdout)


if __name__ == "__main__":
    main()
