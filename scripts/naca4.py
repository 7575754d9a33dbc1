#!/usr/bin/env python3
"""Writes a NACA 4-digit aerofoil as a point file of the suite.

The section follows the published four-digit formula: thickness
yt = 5t(0.2969 sqrt(x) - 0.1260 x - 0.3516 x^2 + 0.2843 x^3 - 0.1036 x^4)
(the closed trailing-edge form), a mean line of two parabolas meeting at the
position of maximum camber, and the thickness laid off perpendicular to the
mean line. Points run from the trailing edge along the upper surface to the
leading edge and back along the lower surface, with cosine spacing.

    naca4.py 2412 out.dat [--points N] [--title]
"""
import argparse
import math


def section(code, n):
    m = int(code[0]) / 100.0
    p = int(code[1]) / 10.0
    t = int(code[2:]) / 100.0
    xs = [0.5 * (1 - math.cos(math.pi * i / n)) for i in range(n + 1)]
    upper, lower = [], []
    for x in xs:
        yt = 5 * t * (0.2969 * math.sqrt(x) - 0.1260 * x - 0.3516 * x ** 2
                      + 0.2843 * x ** 3 - 0.1036 * x ** 4)
        if m == 0 or p == 0:
            yc, slope = 0.0, 0.0
        elif x < p:
            yc = m / p ** 2 * (2 * p * x - x ** 2)
            slope = 2 * m / p ** 2 * (p - x)
        else:
            yc = m / (1 - p) ** 2 * ((1 - 2 * p) + 2 * p * x - x ** 2)
            slope = 2 * m / (1 - p) ** 2 * (p - x)
        theta = math.atan(slope)
        upper.append((x - yt * math.sin(theta), yc + yt * math.cos(theta)))
        lower.append((x + yt * math.sin(theta), yc - yt * math.cos(theta)))
    # trailing edge -> upper surface -> leading edge -> lower surface -> trailing edge
    return list(reversed(upper)) + lower[1:]


def number(v):
    text = "%.5f" % (round(v, 5) + 0.0)
    return "0.00000" if text == "-0.00000" else text


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("code")
    parser.add_argument("out")
    parser.add_argument("--points", type=int, default=40, help="intervals per surface")
    parser.add_argument("--title", action="store_true", help="start with a title line")
    args = parser.parse_args()
    lines = ["NACA " + args.code] if args.title else []
    lines += [number(x) + " " + number(y) for x, y in section(args.code, args.points)]
    with open(args.out, "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))


if __name__ == "__main__":
    main()
