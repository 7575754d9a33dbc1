"""A drawing written by ezdxf goes through `vexor --simulate`: opened, started
and run to the end on the simulated port, with a machine of its own (steps per
mm differing per axis, X and Z directions inverted, LPT2, clocks on unusual
pins). The port trace is decoded here, independently of Vexor's own decoder:
its pulses must equal the report's, the tool must come back to its start and
reach every point of every polyline, in order and plunged, within one step on
each axis.

Usage: ezdxf_simulate.py VEXOR WORKDIR
"""
import csv
import os
import re
import shutil
import struct
import subprocess
import sys

import ezdxf

STEPS = {"X": 40, "Y": 50, "Z": 25}  # steps per mm
# Pin numbers (2..9 are data bits 0..7) and direction inversion per axis.
WIRING = {"X": (9, 8, 1), "Y": (2, 3, 0), "Z": (4, 5, 1)}
PORT = 0x278  # LPT2

CONFIG = """[Machine]
StepX={X}
StepY={Y}
StepZ={Z}

[Deplacement]
SpeedXY=10
SpeedZ=2

[Decoupe]
SpeedXY=4
SpeedZ=2

[Descente]
ZBas=-15

[Port]
PinXClk=9
PinXDir=8
PinXInv=1
PinYClk=2
PinYDir=3
PinYInv=0
PinZClk=4
PinZDir=5
PinZInv=1
Lpt=2
""".format(**{k: v * 100000 for k, v in STEPS.items()})


def f32(v):
    return struct.unpack("f", struct.pack("f", v))[0]


def drawing(path):
    """Outlines whose points differ by at least a step on each axis, or not at all."""
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    polylines = []
    rectangle = [(10, 10), (60, 10), (60, 40), (10, 40)]
    msp.add_polyline2d(rectangle, close=True)
    polylines.append(rectangle + rectangle[:1])
    zigzag = [(70, 5), (95, 30), (80, 45.5), (72.25, 20), (100.5, 2.75)]
    msp.add_polyline2d(zigzag)
    polylines.append(zigzag)
    msp.add_line((5, 50), (45, 62.5))
    polylines.append([(5, 50), (45, 62.5)])
    msp.add_lwpolyline([(0, 0), (100, 100)])  # passed over by the reader, as is
    msp.add_circle((50, 50), 10)
    spatial = [(30, 25, 4), (35.5, 27, -2)]
    msp.add_polyline3d(spatial)
    polylines.append([(x, y) for x, y, _ in spatial])
    msp.add_line((120, 60), (120, 10))
    polylines.append([(120, 60), (120, 10)])
    doc.saveas(path)
    return [[(f32(x), f32(y)) for x, y in p] for p in polylines]


def decode(trace_path):
    """Positions in steps after every step, and the pulses per axis."""
    masks = {a: (1 << (clk - 2), 1 << (dr - 2), inv) for a, (clk, dr, inv) in WIRING.items()}
    pos = {"X": 0, "Y": 0, "Z": 0}
    pulses = {"X": 0, "Y": 0, "Z": 0}
    path = []
    pins = 0
    last_time = 0
    with open(trace_path, newline="") as f:
        rows = csv.reader(f)
        assert next(rows) == ["temps_us", "port", "octet"]
        for time, port, byte in rows:
            time, port, byte = int(time), int(port, 16), int(byte, 16)
            assert port == PORT, "écriture sur le port %#x" % port
            assert time >= last_time, "le temps recule à %d µs" % time
            last_time = time
            for axis, (clk, dr, inv) in masks.items():
                if not pins & clk and byte & clk:
                    pulses[axis] += 1
                    pos[axis] += 1 if bool(byte & dr) != bool(inv) else -1
                    path.append((pos["X"], pos["Y"], pos["Z"]))
            pins = byte
    return path, pulses


def reached_in_order(path, polylines):
    tol = {a: 1 / STEPS[a] * 1.0001 for a in STEPS}
    points = [p for poly in polylines for p in poly]
    i = 0
    for x, y, z in path:
        if i == len(points):
            break
        px, py = points[i]
        if (z < 0 and abs(x / STEPS["X"] - px) <= tol["X"]
                and abs(y / STEPS["Y"] - py) <= tol["Y"]):
            i += 1
    return i, points


def main():
    vexor, workdir = sys.argv[1], sys.argv[2]
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(os.path.join(workdir, "config", "Ostrelo"))
    with open(os.path.join(workdir, "config", "Ostrelo", "Vexor.conf"), "w") as f:
        f.write(CONFIG)
    dxf = os.path.join(workdir, "dessin_ezdxf.dxf")
    polylines = drawing(dxf)

    run = subprocess.run([vexor, "--simulate", dxf, "--trace", "trace.csv"], cwd=workdir,
                         capture_output=True, text=True,
                         env=dict(os.environ, LC_ALL="fr_FR.UTF-8",
                                  XDG_CONFIG_HOME=os.path.join(workdir, "config")))
    print(run.stdout, end="")
    ok = True

    def check(cond, message):
        nonlocal ok
        if not cond:
            print("ÉCHEC : " + message)
            ok = False

    check(run.returncode == 0, "code de sortie %d : %s" % (run.returncode, run.stderr))
    report = dict(line.split(" : ", 1) for line in run.stdout.splitlines())
    check(report.get("Polylignes") == "%d (%d à découper)" % (len(polylines), len(polylines)),
          "polylignes : %s" % report.get("Polylignes"))
    check(report.get("Contrôle des impulsions") == "OK", "contrôle des impulsions")
    check(report.get("Position finale") == "X=0.000 Y=0.000 Z=0.000", "position finale")

    path, pulses = decode(os.path.join(workdir, "trace.csv"))
    check(report.get("Pas") == "X %(X)d Y %(Y)d Z %(Z)d" % pulses,
          "pas décodés ici %s, annoncés %s" % (pulses, report.get("Pas")))
    check(path and path[-1] == (0, 0, 0), "retour au départ : %s" % (path[-1:],))
    reached, points = reached_in_order(path, polylines)
    check(reached == len(points),
          "%d points atteints sur %d ; manque %s" % (reached, len(points), points[reached:][:1]))
    lines = open(os.path.join(workdir, "coupe.dep")).read().splitlines()
    check(report.get("Lignes de mouvement") == str(len(lines)), "lignes de mouvement")
    check(all(re.fullmatch(r"[PZ]( -?\d+\.\d{6})+ \d+", l) for l in lines), "format de coupe.dep")
    if ok:
        print("%d points atteints à un pas près, %d pas décodés" % (reached, sum(pulses.values())))
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
