"""Cut plans that Plandor exports are read by ezdxf with the same vertices.

Usage: ezdxf_export.py PLANDOR PLAN.dxf...
Each file must load with ezdxf.readfile, pass its audit without an error, and
hold only POLYLINE entities whose vertices are the ones Plandor's own reader
gives ("plandor --dump"), in the same order.
"""
import os
import subprocess
import sys

import ezdxf


def ours(plandor, path):
    run = subprocess.run([plandor, "--dump", path], capture_output=True, text=True,
                         env=dict(os.environ, LC_ALL="fr_FR.UTF-8"))
    if run.returncode != 0:
        sys.exit("plandor --dump %s a échoué : %s" % (path, run.stderr))
    polylines = []
    for line in run.stdout.splitlines():
        if line.startswith("POLYLINE "):
            polylines.append([])
        else:
            x, y, _ = (float(v) for v in line.split())
            polylines[-1].append((x, y))
    return polylines


def theirs(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    if auditor.has_errors:
        auditor.print_error_report()
        sys.exit("%s : erreurs d'audit ezdxf" % path)
    polylines = []
    for entity in doc.modelspace():
        if entity.dxftype() != "POLYLINE":
            sys.exit("%s : entité inattendue %s" % (path, entity.dxftype()))
        if entity.dxf.layer != "0" or entity.dxf.linetype != "Continuous" or entity.dxf.color != 7:
            sys.exit("%s : calque, type de ligne ou couleur inattendus" % path)
        polylines.append([(v.dxf.location.x, v.dxf.location.y) for v in entity.vertices])
    return polylines


def main():
    plandor = sys.argv[1]
    ok = True
    for path in sys.argv[2:]:
        a, b = ours(plandor, path), theirs(path)
        same = len(a) == len(b) and all(
            len(p) == len(q) and all(abs(u[0] - v[0]) < 1e-9 and abs(u[1] - v[1]) < 1e-9
                                     for u, v in zip(p, q)) for p, q in zip(a, b))
        if not same or not b:
            print("%s : ezdxf lit %r\n  Plandor lit %r" % (path, b, a))
            ok = False
        else:
            print("%s : %d polylines, %d sommets, identiques pour ezdxf et Plandor"
                  % (os.path.basename(path), len(b), sum(len(p) for p in b)))
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
