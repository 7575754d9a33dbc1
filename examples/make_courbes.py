"""Writes the two drawings of examples/ made the way today's CAD programs do.

Usage: /usr/bin/python3 examples/make_courbes.py [FOLDER]
nervure_courbes.dxf: a 98 mm rib as one closed LWPOLYLINE of three arcs
(bulges) with two CIRCLE lightening holes. couple_courbes.dxf: a 60 x 80 mm
fuselage former, a LWPOLYLINE with rounded corners, a round lightening hole
and a stringer notch drawn as LINE and ARC pieces. Both in millimetres.
"""
import math
import os
import sys

import ezdxf


def rib(folder):
    doc = ezdxf.new("R2010")
    doc.units = 4
    msp = doc.modelspace()
    # Counter-clockwise from the trailing edge: upper surface, nose, lower
    # surface, each an arc bulging outwards (to the right of the travel).
    msp.add_lwpolyline([(120, 0, 0.06), (30, 9, 1.2), (30, -4.5, 0.02)],
                       format="xyb", close=True)
    msp.add_circle((50, 2), 4.5)
    msp.add_circle((80, 1.5), 3)
    doc.saveas(os.path.join(folder, "nervure_courbes.dxf"))


def former(folder):
    doc = ezdxf.new("R2010")
    doc.units = 4
    msp = doc.modelspace()
    w, h, r = 60, 80, 12
    corner = math.tan(math.radians(90) / 4)  # a quarter turn per corner
    msp.add_lwpolyline([(r, 0, 0), (w - r, 0, corner), (w, r, 0), (w, h - r, corner),
                        (w - r, h, 0), (r, h, corner), (0, h - r, 0), (0, r, corner)],
                       format="xyb", close=True)
    msp.add_circle((w / 2, h / 2 - 5), 15)
    # A notch for a stringer below the top edge: two sides and a round end.
    msp.add_line((27, 76), (27, 70))
    msp.add_arc((30, 70), 3, 180, 360)
    msp.add_line((33, 70), (33, 76))
    msp.add_line((33, 76), (27, 76))
    doc.saveas(os.path.join(folder, "couple_courbes.dxf"))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rib(folder)
    former(folder)


if __name__ == "__main__":
    main()
