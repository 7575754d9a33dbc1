"""Drawings written by ezdxf import as Plandor reads them.

Usage: ezdxf_import.py PLANDOR WORKDIR
R12 files: every POLYLINE (open, closed, 3-D, longer than 100 vertices) and
every LINE becomes a polyline in file order. R2000 files: LWPOLYLINE, CIRCLE,
ARC and TEXT are passed over; their LINE and POLYLINE entities still come in.
"""
import os
import struct
import subprocess
import sys

import ezdxf


def f32(v):
    return struct.unpack("f", struct.pack("f", v))[0]


def point_line(x, y, z):
    return "%f %f %f" % (f32(x), f32(y), f32(z))


def dump(plandor, path):
    run = subprocess.run([plandor, "--dump", path], capture_output=True, text=True,
                         env=dict(os.environ, LC_ALL="fr_FR.UTF-8"))
    if run.returncode != 0:
        sys.exit("plandor --dump %s a échoué : %s" % (path, run.stderr))
    polylines = []
    for line in run.stdout.splitlines():
        if line.startswith("POLYLINE "):
            _, index, count = line.split()
            assert int(index) == len(polylines), line
            polylines.append([])
            expected_count = int(count)
        else:
            polylines[-1].append(line)
    return polylines


def check(name, got, expected):
    if got != expected:
        print("%s : import différent" % name)
        for i, (g, e) in enumerate(zip(got, expected)):
            if g != e:
                print("  polyline %d :\n    lu      %s\n    attendu %s" % (i, g, e))
        print("  %d polylines lues, %d attendues" % (len(got), len(expected)))
        return False
    print("%s : %d polylines conformes" % (name, len(got)))
    return True


def r12(workdir):
    doc = ezdxf.new("R12")
    msp = doc.modelspace()
    expected = []
    open_pts = [(0, 0), (12.5, 0), (12.5, 7.25), (3.1, 9.9)]
    msp.add_polyline2d(open_pts)
    expected.append([point_line(x, y, 0) for x, y in open_pts])
    square = [(20, 20), (40, 20), (40, 40), (20, 40)]
    msp.add_polyline2d(square, close=True)
    expected.append([point_line(x, y, 0) for x, y in square + square[:1]])
    spatial = [(1, 2, 3), (4, 5, -6.5), (7.125, 8, 9)]
    msp.add_polyline3d(spatial)
    expected.append([point_line(*p) for p in spatial])
    msp.add_line((0, 0), (10, 5))
    msp.add_line((10, 5), (20, 0))
    expected.append([point_line(0, 0, 0), point_line(10, 5, 0)])
    expected.append([point_line(10, 5, 0), point_line(20, 0, 0)])
    long_pts = [(i * 0.5, (i % 7) * 1.25) for i in range(150)]
    msp.add_polyline2d(long_pts)
    expected.append([point_line(x, y, 0) for x, y in long_pts[:100]])
    closed_long = [(i, -i * 0.25) for i in range(120)]
    msp.add_polyline2d(closed_long, close=True)
    kept = closed_long[:100]
    expected.append([point_line(x, y, 0) for x, y in kept + kept[:1]])
    msp.add_line((-3.5, 2), (-1, -2))
    expected.append([point_line(-3.5, 2, 0), point_line(-1, -2, 0)])
    path = os.path.join(workdir, "ezdxf_r12.dxf")
    doc.saveas(path)
    return path, expected


def r2000(workdir):
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (10, 0), (10, 5)], close=True)
    msp.add_circle((5, 5), 2.5)
    msp.add_arc((5, 5), 4, 0, 90)
    msp.add_text("Nervure 1", dxfattribs={"height": 2.5}).set_placement((1, 1))
    msp.add_line((1, 2), (3, 4))
    msp.add_polyline2d([(5, 5), (6, 7), (8, 5)])
    msp.add_lwpolyline([(0, 0), (1, 1)])
    path = os.path.join(workdir, "ezdxf_r2000.dxf")
    doc.saveas(path)
    expected = [[point_line(1, 2, 0), point_line(3, 4, 0)],
                [point_line(5, 5, 0), point_line(6, 7, 0), point_line(8, 5, 0)]]
    return path, expected


def main():
    plandor, workdir = sys.argv[1], sys.argv[2]
    os.makedirs(workdir, exist_ok=True)
    ok = True
    for make in (r12, r2000):
        path, expected = make(workdir)
        ok = check(os.path.basename(path), dump(plandor, path), expected) and ok
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
