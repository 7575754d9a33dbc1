"""Drawings written by ezdxf come in through the curve import as ezdxf reads them.

Usage: ezdxf_curves.py PLANDOR WORKDIR
Each drawing is imported with `plandor --dump --curves`: every entity kind,
then splines given by fit points only (open and closed, with and without end
tangents) and ellipses (whole and arcs, flat to round, turned), one a drawing. Every imported point
must lie within 0.02 mm of ezdxf's flattened curves and every point of those
curves within 0.02 mm of the imported contours; the pieces must chain into
the expected number of contours, the expected ones closed.
"""
import math
import os
import random
import subprocess
import sys

import ezdxf
from ezdxf import path as ezpath
from ezdxf.math import Vec3, global_bspline_interpolation

TOLERANCE = 0.02
CELL = 1.0
MM_PER_UNIT = {1: 25.4, 4: 1.0}


def curves(entity):
    """ezdxf's flattening of an entity, blocks exploded, in drawing units."""
    if entity.dxftype() == "INSERT":
        for inner in entity.virtual_entities():
            yield from curves(inner)
        return
    if entity.dxftype() in ("SPLINE", "ELLIPSE"):
        # The curve itself: a path would approximate a rational spline, and an
        # ellipse by cubic Bézier curves up to 0.00027 of its radius away.
        points = entity.construction_tool().flattening(0.0005)
    else:
        points = ezpath.make_path(entity).flattening(0.0005)
    yield [(v.x, v.y) for v in points]


def short_segments(polylines):
    """Segments of at most one cell, so that each lies in a few cells."""
    for pts in polylines:
        for a, b in zip(pts, pts[1:]):
            n = max(1, math.ceil(math.dist(a, b) / CELL))
            for i in range(n):
                yield (a[0] + (b[0] - a[0]) * i / n, a[1] + (b[1] - a[1]) * i / n,
                       a[0] + (b[0] - a[0]) * (i + 1) / n, a[1] + (b[1] - a[1]) * (i + 1) / n)


class SegmentGrid:
    def __init__(self, polylines):
        self.cells = {}
        for s in short_segments(polylines):
            for cx in range(math.floor(min(s[0], s[2]) / CELL), math.floor(max(s[0], s[2]) / CELL) + 1):
                for cy in range(math.floor(min(s[1], s[3]) / CELL), math.floor(max(s[1], s[3]) / CELL) + 1):
                    self.cells.setdefault((cx, cy), []).append(s)

    def distance(self, p):
        best = math.inf
        cx, cy = math.floor(p[0] / CELL), math.floor(p[1] / CELL)
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                for x1, y1, x2, y2 in self.cells.get((cx + dx, cy + dy), ()):
                    vx, vy = x2 - x1, y2 - y1
                    l2 = vx * vx + vy * vy
                    t = 0 if l2 == 0 else max(0, min(1, ((p[0] - x1) * vx + (p[1] - y1) * vy) / l2))
                    best = min(best, math.hypot(p[0] - x1 - t * vx, p[1] - y1 - t * vy))
        return best


def dump(plandor, path):
    run = subprocess.run([plandor, "--dump", path, "--curves"], capture_output=True, text=True,
                         env=dict(os.environ, LC_ALL="fr_FR.UTF-8"))
    if run.returncode != 0:
        sys.exit("plandor --dump --curves %s a échoué : %s" % (path, run.stderr))
    polylines = []
    for line in run.stdout.splitlines():
        if line.startswith("POLYLINE "):
            polylines.append([])
        else:
            x, y, _ = line.split()
            polylines[-1].append((float(x), float(y)))
    return polylines


def entity_kinds(doc):
    doc.units = 4
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0, 0, 0, 0), (40, 0, 0, 0, 1), (40, 10, 0, 0, 0),
                        (0, 10, 0, 0, -0.4)], format="xyseb", close=True)
    msp.add_lwpolyline([(0, 20, 0.5), (15, 20, 0), (15, 30, 0)], format="xyb")
    msp.add_polyline2d([(50, 0, 0.7), (60, 0, 0), (60, 8, -0.2), (50, 8, 0)], format="xyb",
                       close=True)
    msp.add_circle((80, 5), 6)
    msp.add_arc((100, 5), 8, 30, 200)
    msp.add_arc((120, 5), 5, 10, 120, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_ellipse((0, 50), major_axis=(12, 4), ratio=0.5)
    msp.add_ellipse((30, 50), major_axis=(-3, 9), ratio=0.6, start_param=0.3, end_param=2.5)
    msp.add_open_spline([(50, 40), (55, 55), (65, 35), (75, 50), (80, 42)])
    msp.add_rational_spline([(90, 40), (95, 55), (105, 35), (110, 50)], weights=[1, 3, 0.5, 1])
    msp.add_line((130, 40), (140, 55))
    msp.add_text("LINE").set_placement((0, -10))
    return 11, 4  # contours, closed


def inch_units(doc):
    doc.units = 1
    msp = doc.modelspace()
    msp.add_circle((1, 1), 0.25)
    msp.add_lwpolyline([(2, 0, 0), (3, 0, 0.3), (3, 1, 0), (2, 1, 0)], format="xyb", close=True)
    return 2, 2


def blocks(doc):
    doc.units = 4
    hole = doc.blocks.new("TROU", base_point=(1, 1))
    hole.add_circle((1, 1), 3)
    hole.add_lwpolyline([(5, 0, 0.5), (9, 0, 0), (9, 3, 0)], format="xyb")
    pair = doc.blocks.new("PAIRE")
    pair.add_blockref("TROU", (0, 0))
    pair.add_blockref("TROU", (0, 20), dxfattribs={"rotation": 90})
    msp = doc.modelspace()
    msp.add_blockref("TROU", (50, 50), dxfattribs={"rotation": 30, "xscale": 2, "yscale": 2})
    msp.add_blockref("TROU", (100, 20),
                     dxfattribs={"rotation": -45, "xscale": 1.5, "yscale": 0.5})
    msp.add_blockref("PAIRE", (0, 80), dxfattribs={"rotation": 15, "xscale": 0.8, "yscale": 0.8})
    return 8, 4


def rib_pieces(doc):
    """A rib and its lightening hole as LINE and ARC pieces, shuffled, lines
    drawn either way."""
    doc.units = 4
    rnd = random.Random(17)
    pieces = [("line", (10, 0), (110, 0)), ("arc", (110, 5), 5, -90, 90),
              ("line", (110, 10), (60, 12)), ("line", (60, 12), (10, 10)),
              ("arc", (10, 5), 5, 90, 270),
              ("arc", (60, 5), 3, 0, 180), ("arc", (60, 5), 3, 180, 360)]
    rnd.shuffle(pieces)
    msp = doc.modelspace()
    for p in pieces:
        if p[0] == "line":
            a, b = (p[1], p[2]) if rnd.random() < 0.5 else (p[2], p[1])
            msp.add_line(a, b)
        else:
            msp.add_arc(p[1], p[2], p[3], p[4])
    return 2, 2


def closed_fit_curve(points):
    """The closed cubic through `points` with chord-length parameters, smooth
    where it comes back to its start, by ezdxf's interpolation: the curve
    through the points and the first one again whose equal end tangents D
    make the second derivatives meet. The mismatch is affine in D, so three
    interpolations give it."""
    loop = Vec3.list(points + [points[0]])

    def mismatch(d):
        spline = global_bspline_interpolation(loop, degree=3, tangents=(d, d), method="chord")
        return spline.derivative(0, 2)[2] - spline.derivative(1, 2)[2]

    f0 = mismatch(Vec3(0, 0))
    fx = mismatch(Vec3(1, 0)) - f0
    fy = mismatch(Vec3(0, 1)) - f0
    det = fx.x * fy.y - fy.x * fx.y
    d = Vec3((-f0.x * fy.y + fy.x * f0.y) / det, (-fx.x * f0.y + fx.y * f0.x) / det)
    spline = global_bspline_interpolation(loop, degree=3, tangents=(d, d), method="chord")
    return [(v.x, v.y) for v in spline.flattening(0.0005)]


def wave(count, length, height, seed):
    """Fit points along one period of a wave, a hair off it, unevenly spaced."""
    rnd = random.Random(seed)
    xs = sorted([0, length] + [rnd.uniform(0, length) for _ in range(count - 2)])
    return [(x, height * math.sin(2 * math.pi * x / length) + rnd.uniform(-0.02, 0.02))
            for x in xs]


def ring(count, rx, ry, seed):
    rnd = random.Random(seed)
    return [(rx * math.cos(2 * math.pi * i / count) * rnd.uniform(0.995, 1.005),
             ry * math.sin(2 * math.pi * i / count) * rnd.uniform(0.995, 1.005))
            for i in range(count)]


# Splines given by their fit points only: (name, points, end tangents, closed).
FIT_SPLINES = [
    ("cinq_points", [(0, 0), (20, 10), (40, 0), (60, 12), (80, 0)], None, False),
    ("trois_points", [(0, 0), (15, 12), (40, 3)], None, False),
    ("alignes", [(0, 0), (10, 0), (30, 0), (35, 0)], None, False),
    ("vague_12", wave(12, 150, 10, 1), None, False),
    ("vague_40", wave(40, 300, 20, 2), None, False),
    ("deux_points_tangentes", [(0, 0), (30, 10)], ((1, 1), (1, -1)), False),
    ("cinq_points_tangentes", [(0, 0), (20, 10), (40, 0), (60, 12), (80, 0)],
     ((0, 1), (1, -2)), False),
    ("vague_40_tangentes", wave(40, 300, 20, 3), ((1, 0), (0, -1)), False),
    ("ferme_3", [(0, 0), (30, 5), (10, 25)], None, True),
    ("ferme_6", ring(6, 40, 20, 4), None, True),
    ("ferme_40", ring(40, 30, 22, 5), None, True),
]

# Ellipses: (name, centre, major axis, ratio, start and end parameters or None).
ELLIPSES = [
    ("entiere_04", (40, 20), (30, 0), 0.4, None),
    ("entiere_005", (0, 0), (50, 0), 0.05, None),
    ("entiere_1", (0, 0), (25, 0), 1.0, None),
    ("entiere_tournee_07", (10, -5), (20, 28), 0.7, None),
    ("entiere_tournee_015", (10, -5), (-35, 12), 0.15, None),
    ("arc_005", (0, 0), (60, 0), 0.05, (-1.2, 1.4)),
    ("arc_03_tourne", (5, 5), (12, -30), 0.3, (2.0, 5.5)),
    ("arc_1", (0, 0), (0, 18), 1.0, (0.5, 4.0)),
]


def fit_spline_maker(name, points, tangents, closed):
    def make(doc):
        doc.units = 4
        spline = doc.modelspace().add_spline(points, degree=3)
        if tangents:
            spline.dxf.start_tangent = Vec3(tangents[0])
            spline.dxf.end_tangent = Vec3(tangents[1])
        spline.closed = closed
        if closed:
            return 1, 1, [closed_fit_curve(points)]
        if name == "alignes":
            # ezdxf cannot estimate tangents here; the curve is the segment.
            return 1, 0, [[points[0], points[-1]]]
        return 1, 0
    make.__name__ = "spline_" + name
    return make


def ellipse_maker(name, centre, major, ratio, params):
    def make(doc):
        doc.units = 4
        start, end = params or (0, 2 * math.pi)
        doc.modelspace().add_ellipse(centre, major_axis=major, ratio=ratio, start_param=start,
                                     end_param=end)
        return 1, 0 if params else 1
    make.__name__ = "ellipse_" + name
    return make


def check(plandor, workdir, make):
    doc = ezdxf.new("R2010")
    contours, closed, *given = make(doc)
    path = os.path.join(workdir, "courbes_%s.dxf" % make.__name__)
    doc.saveas(path)
    scale = MM_PER_UNIT[doc.units]
    reference = given[0] if given and given[0] else [
        [(x * scale, y * scale) for x, y in pts]
        for e in doc.modelspace() if e.dxftype() != "TEXT" for pts in curves(e)]
    got = dump(plandor, path)
    got_closed = sum(1 for p in got if len(p) > 2 and p[0] == p[-1])
    far_from_reference = max(SegmentGrid(reference).distance(p) for pts in got for p in pts)
    grid = SegmentGrid(got)
    far_from_import = max(grid.distance(p) for pts in reference for p in pts)
    ok = (len(got) == contours and got_closed == closed and far_from_reference <= TOLERANCE
          and far_from_import <= TOLERANCE)
    print("%s : %d contours (%d fermés), attendus %d (%d) ; écart à ezdxf %.4f mm, "
          "d'ezdxf à l'import %.4f mm : %s" % (os.path.basename(path), len(got), got_closed,
                                              contours, closed, far_from_reference,
                                              far_from_import, "conforme" if ok else "ÉCHEC"))
    return ok


def main():
    plandor, workdir = sys.argv[1], sys.argv[2]
    os.makedirs(workdir, exist_ok=True)
    makers = [entity_kinds, inch_units, blocks, rib_pieces]
    makers += [fit_spline_maker(*row) for row in FIT_SPLINES]
    makers += [ellipse_maker(*row) for row in ELLIPSES]
    results = [check(plandor, workdir, make) for make in makers]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main()
