"""The curve import over the DXF drawings that Debian ships, against ezdxf.

Usage: ezdxf_corpus.py PLANDOR FOLDER...
Every drawing under the folders is imported with `plandor --dump --curves`:
none may crash or hang. For each folder it prints the share of the model
space's curve length that the import keeps, compared with the length of the
same curves as ezdxf reads and flattens them, over the drawings that fit a
document (199 contours) and over all of them; the first must reach 99 %.
Exits with 77 (skipped) when no folder exists. CORPUS_DETAIL=1 lists the
drawings imported at less than 99 % or more than 101 %.
"""
import logging
import math
import multiprocessing
import os
import subprocess
import sys

import ezdxf
from ezdxf import path as ezpath
from ezdxf import recover
from ezdxf.math import ConstructionEllipse

CURVES = {"LINE", "LWPOLYLINE", "POLYLINE", "ARC", "CIRCLE", "ELLIPSE", "SPLINE"}
MM_PER_UNIT = {1: 25.4, 2: 304.8, 5: 10, 6: 1000, 8: 25.4e-6, 9: 0.0254, 10: 914.4,
               13: 0.001, 14: 100}
TIMEOUT_S = 30


def polyline_length(points):
    return sum(math.dist(a, b) for a, b in zip(points, points[1:]))


def entity_length(entity, depth):
    kind = entity.dxftype()
    if kind == "INSERT":
        if depth > 16:
            return 0.0
        total = 0.0
        try:
            for inner in entity.virtual_entities():
                total += entity_length(inner, depth + 1)
        except Exception:  # a block ezdxf cannot explode
            pass
        return total
    if kind not in CURVES:
        return 0.0
    if kind == "POLYLINE" and (entity.is_poly_face_mesh or entity.is_polygon_mesh):
        return 0.0
    try:
        if kind == "ELLIPSE":
            # A whole ellipse written with an end of 6.28318530718 (just past a
            # turn) is still whole; ezdxf's copy of one inserted from a block
            # loses it, so its curve is built here from the same parameters.
            d = entity.dxf
            span = (d.end_param - d.start_param) % math.tau
            end = d.start_param + (span if span > 1e-12 else math.tau)
            shape = ConstructionEllipse(d.center, d.major_axis, d.extrusion, d.ratio,
                                        d.start_param, end)
            points = [(v.x, v.y) for v in shape.flattening(0.001)]
        elif kind == "SPLINE":
            # The spline itself: a path would approximate a rational one.
            points = [(v.x, v.y) for v in entity.construction_tool().flattening(0.001)]
        else:
            points = [(v.x, v.y) for v in ezpath.make_path(entity).flattening(0.001)]
    except Exception:  # degenerate geometry ezdxf refuses
        return 0.0
    return polyline_length(points)


def reference_length(file):
    try:
        doc, _ = recover.readfile(file)
    except Exception:
        return None
    scale = MM_PER_UNIT.get(doc.header.get("$INSUNITS", 0), 1.0)
    return scale * sum(entity_length(e, 0) for e in doc.modelspace())


def imported(plandor, file):
    try:
        run = subprocess.run([plandor, "--dump", file, "--curves"], capture_output=True,
                             text=True, errors="replace", timeout=TIMEOUT_S)
    except subprocess.TimeoutExpired:
        return "hang", 0.0, False
    if run.returncode not in (0, 1):
        return "crash %d" % run.returncode, 0.0, False
    if run.returncode == 1:
        return "refused", 0.0, False
    length, points = 0.0, []
    for line in run.stdout.splitlines():
        if line.startswith("POLYLINE "):
            length += polyline_length(points)
            points = []
        else:
            x, y, _ = line.split()
            points.append((float(x), float(y)))
    length += polyline_length(points)
    return "ok", length, "de côté" not in run.stderr


def measure(job):
    plandor, file = job
    status, ours, fits = imported(plandor, file)
    return file, status, ours, fits, reference_length(file)


def main():
    logging.getLogger("ezdxf").setLevel(logging.ERROR)
    plandor, folders = sys.argv[1], [f for f in sys.argv[2:] if os.path.isdir(f)]
    if not folders:
        print("aucun dossier de dessins : test sauté")
        sys.exit(77)
    jobs = []
    for folder in folders:
        for root, _, names in os.walk(folder):
            jobs += [(plandor, os.path.join(root, n)) for n in sorted(names)
                     if n.lower().endswith(".dxf")]
    with multiprocessing.Pool(2) as pool:
        results = pool.map(measure, jobs, chunksize=8)
    failed = False
    for folder in folders:
        rows = [r for r in results if r[0].startswith(folder)]
        bad = [r for r in rows if r[1] in ("hang",) or r[1].startswith("crash")]
        for file, status, *_ in bad:
            print("%s : %s" % (file, status))
        failed = failed or bool(bad)
        usable = [r for r in rows if r[4] is not None and r[4] > 0]
        fit = [r for r in usable if r[3]]
        share_fit = sum(r[2] for r in fit) / max(sum(r[4] for r in fit), 1e-9)
        share_all = sum(r[2] for r in usable) / max(sum(r[4] for r in usable), 1e-9)
        whole = sum(1 for r in usable if r[2] >= 0.99 * r[4])
        print("%s : %d dessins, %d avec des courbes (%d tiennent dans un document) ; "
              "longueur importée / ezdxf : %.2f %% des dessins qui tiennent, %.2f %% de tous ; "
              "%d dessins importés à 99 %% ou plus ; refusés %d, plantages ou blocages %d"
              % (folder, len(rows), len(usable), len(fit), 100 * share_fit, 100 * share_all,
                 whole, sum(1 for r in rows if r[1] == "refused"), len(bad)))
        if share_fit < 0.99:
            print("%s : moins de 99 %% de la longueur des dessins qui tiennent" % folder)
            failed = True
        if os.environ.get("CORPUS_DETAIL"):
            for file, status, ours, fits, ref in usable:
                if not 0.99 * ref <= ours <= 1.01 * ref:
                    print("  %s : %.1f / %.1f mm%s" % (file, ours, ref, "" if fits else " (trop de contours)"))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
