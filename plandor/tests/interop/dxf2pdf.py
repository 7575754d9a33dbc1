"""LibreCAD's dxf2pdf renders a cut plan that Plandor exports.

Usage: dxf2pdf.py PLAN.dxf OUT.pdf
dxf2pdf runs headless (QT_QPA_PLATFORM=offscreen) and must end without an
error, and the PDF must draw at least one straight stroke per segment of the
plan's polylines (an empty drawing also gives a valid PDF, so the strokes are
counted).
"""
import os
import re
import subprocess
import sys
import zlib

import ezdxf


def drawn_segments(pdf):
    data = open(pdf, "rb").read()
    if not data.startswith(b"%PDF-"):
        sys.exit("%s n'est pas un PDF" % pdf)
    strokes = 0
    for match in re.finditer(rb"stream\r?\n(.*?)endstream", data, re.S):
        try:
            content = zlib.decompress(match.group(1))
        except zlib.error:
            content = match.group(1)
        strokes += len(re.findall(rb"(?m)^-?[\d.]+ -?[\d.]+ l$", content))
    return strokes


def main():
    plan, pdf = sys.argv[1], sys.argv[2]
    if os.path.exists(pdf):
        os.remove(pdf)
    segments = sum(max(len(list(e.vertices)) - 1, 0)
                   for e in ezdxf.readfile(plan).modelspace().query("POLYLINE"))
    try:
        run = subprocess.run(["librecad", "dxf2pdf", "-a", "-o", pdf, plan], capture_output=True,
                             text=True, timeout=120,
                             env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    except subprocess.TimeoutExpired:
        sys.exit("dxf2pdf ne s'est pas terminé en 120 s")
    if run.returncode != 0 or "DONE" not in run.stdout + run.stderr:
        sys.exit("dxf2pdf a échoué (%d) : %s %s" % (run.returncode, run.stdout, run.stderr))
    strokes = drawn_segments(pdf)
    print("%s : %d segments dans le plan, %d traits dans le PDF (%d octets)"
          % (os.path.basename(pdf), segments, strokes, os.path.getsize(pdf)))
    sys.exit(0 if segments > 0 and strokes >= segments else 1)


if __name__ == "__main__":
    main()
