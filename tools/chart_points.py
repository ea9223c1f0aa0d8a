#!/usr/bin/env python3
"""Largest point difference, in kernel units, between two drawings of the same chart.

Reads the polylines of the chart files the program writes, every coordinate being an integer of
the plotting kernel (400 units a centimetre):
  EPS  "x y m" starts a polyline, "x y l" goes on, "stroke" ends it;
  SVG  the d attribute of each path, "Mx y" starting a polyline and "Lx y" going on;
  PDF  the page's content stream (inflated), "x y m" and "x y l" as in EPS;
  EMF  each EMR_POLYLINE16 (87) or EMR_POLYLINE (4) record is one polyline.
PNG, HP-GL and CSV files are not read (their bytes alone are compared).

Two drawings with the same polylines of the same lengths are compared point by point (the
largest |dx| or |dy|). Otherwise the point reduction of the devices may have kept other points
of a curve that moved: each drawing is then measured against the other as lines (the largest
distance from a point of one to the segments of the other, both ways), polyline against
polyline when both have as many, the whole drawing against the whole drawing if not.

Usage: chart_points.py OLD_DIR NEW_DIR [LABEL]
Prints one line per chart file found in either folder; exit status 0.
"""
import math
import os
import re
import struct
import sys
import zlib

READ = (".eps", ".svg", ".pdf", ".emf")


def polylines_ps(text):
    """Polylines of an EPS file or of a PDF content stream."""
    out, cur = [], None
    for line in text.splitlines():
        p = line.split()
        if len(p) == 3 and p[2] in ("m", "l"):
            try:
                x, y = int(p[0]), int(p[1])
            except ValueError:
                continue
            if p[2] == "m" or cur is None:
                if cur:
                    out.append(cur)
                cur = [(x, y)]
            else:
                cur.append((x, y))
        elif p and p[-1] in ("stroke", "S") and cur:
            out.append(cur)
            cur = None
    if cur:
        out.append(cur)
    return out


def polylines_svg(text):
    out = []
    for d in re.findall(r' d="([^"]*)"', text):
        cur = None
        for cmd, x, y in re.findall(r"([ML])\s*(-?\d+)\s+(-?\d+)", d):
            if cmd == "M":
                if cur:
                    out.append(cur)
                cur = [(int(x), int(y))]
            elif cur is not None:
                cur.append((int(x), int(y)))
        if cur:
            out.append(cur)
    return out


def polylines_pdf(data):
    out = []
    for m in re.finditer(rb"stream\r?\n", data):
        start = m.end()
        end = data.find(b"endstream", start)
        if end < 0:
            continue
        try:
            text = zlib.decompress(data[start:end]).decode("latin-1")
        except zlib.error:
            text = data[start:end].decode("latin-1")
        out += polylines_ps(text)
    return out


def polylines_emf(data):
    out, pos = [], 0
    while pos + 8 <= len(data):
        kind, size = struct.unpack_from("<II", data, pos)
        if size < 8 or pos + size > len(data):
            break
        if kind in (87, 4) and size >= 28:
            n = struct.unpack_from("<I", data, pos + 24)[0]
            fmt, w = ("<h", 2) if kind == 87 else ("<i", 4)
            pts = []
            for i in range(n):
                o = pos + 28 + 2 * i * w
                if o + 2 * w > pos + size:
                    break
                pts.append((struct.unpack_from(fmt, data, o)[0], struct.unpack_from(fmt, data, o + w)[0]))
            out.append(pts)
        pos += size
    return out


def read(path):
    ext = os.path.splitext(path)[1].lower()
    data = open(path, "rb").read()
    if ext == ".eps":
        return polylines_ps(data.decode("latin-1"))
    if ext == ".svg":
        return polylines_svg(data.decode("latin-1"))
    if ext == ".pdf":
        return polylines_pdf(data)
    if ext == ".emf":
        return polylines_emf(data)
    return None


CELL = 16  # grid cell of the segment search, kernel units
REACH = 8  # cells searched around a point: distances beyond REACH * CELL are reported as such


def segments(polys):
    segs = []
    for p in polys:
        if len(p) == 1:
            segs.append((p[0], p[0]))
        for a, b in zip(p, p[1:]):
            segs.append((a, b))
    return segs


def grid_of(segs):
    g = {}
    for k, (a, b) in enumerate(segs):
        x0, x1 = sorted((a[0] // CELL, b[0] // CELL))
        y0, y1 = sorted((a[1] // CELL, b[1] // CELL))
        if (x1 - x0 + 1) * (y1 - y0 + 1) > 4096:  # a long slanted line: along its length only
            n = max(x1 - x0, y1 - y0) + 1
            for i in range(n + 1):
                cx = (a[0] + (b[0] - a[0]) * i // n) // CELL
                cy = (a[1] + (b[1] - a[1]) * i // n) // CELL
                for dx in (-1, 0, 1):
                    for dy in (-1, 0, 1):
                        g.setdefault((cx + dx, cy + dy), []).append(k)
            continue
        for cx in range(x0, x1 + 1):
            for cy in range(y0, y1 + 1):
                g.setdefault((cx, cy), []).append(k)
    return g


def dist_seg(p, a, b):
    ax, ay = a
    dx, dy = b[0] - ax, b[1] - ay
    n = dx * dx + dy * dy
    t = 0.0 if n == 0 else max(0.0, min(1.0, ((p[0] - ax) * dx + (p[1] - ay) * dy) / n))
    return math.hypot(p[0] - ax - t * dx, p[1] - ay - t * dy)


def one_way(pa, pb):
    """Largest distance from a point of pa to the lines of pb (capped at REACH cells)."""
    segs = segments(pb)
    if not segs:
        return math.inf if any(pa) else 0.0
    g = grid_of(segs)
    worst = 0.0
    cache = {}
    for poly in pa:
        for p in poly:
            if p in cache:
                continue
            cx, cy = p[0] // CELL, p[1] // CELL
            best = math.inf
            for r in range(REACH + 1):
                ring = [(cx + i, cy + j) for i in range(-r, r + 1) for j in range(-r, r + 1)
                        if max(abs(i), abs(j)) == r]
                for c in ring:
                    for k in g.get(c, ()):
                        d = dist_seg(p, *segs[k])
                        if d < best:
                            best = d
                if best <= r * CELL:  # nothing nearer can lie further out
                    break
            cache[p] = best
            worst = max(worst, best)
    return worst


def compare(old, new):
    """(how, largest difference): 'points' when aligned point by point, else 'lines'."""
    if len(old) == len(new) and all(len(a) == len(b) for a, b in zip(old, new)):
        d = 0
        for a, b in zip(old, new):
            for p, q in zip(a, b):
                d = max(d, abs(p[0] - q[0]), abs(p[1] - q[1]))
        return "points", float(d)
    if len(old) == len(new):
        d = 0.0
        for a, b in zip(old, new):
            if a != b:
                d = max(d, one_way([a], [b]), one_way([b], [a]))
        return "lines by polyline", d
    return "lines, whole drawing", max(one_way(old, new), one_way(new, old))


def main():
    old_dir, new_dir = sys.argv[1], sys.argv[2]
    label = sys.argv[3] if len(sys.argv) > 3 else ""
    names = set()
    for d in (old_dir, new_dir):
        for f in os.listdir(d):
            if f.lower().endswith(READ):
                names.add(f)
    for f in sorted(names):
        a, b = os.path.join(old_dir, f), os.path.join(new_dir, f)
        if not (os.path.exists(a) and os.path.exists(b)):
            print("%s %s: written by one program only" % (label, f))
            continue
        if open(a, "rb").read() == open(b, "rb").read():
            print("%s %s: same bytes" % (label, f))
            continue
        pa, pb = read(a), read(b)
        how, d = compare(pa, pb)
        npts = sum(len(p) for p in pb)
        shown = ("more than %d" % (REACH * CELL)) if math.isinf(d) else "%.3g" % d
        print("%s %s: largest difference %s kernel units (%s; %d polylines, %d points)"
              % (label, f, shown, how, len(pb), npts))


if __name__ == "__main__":
    main()
