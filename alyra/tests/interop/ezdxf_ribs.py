"""The rib board of Alyra read back by ezdxf, then planned by Plandor's curve
import and cut in Vexor's simulation.

Usage: ezdxf_ribs.py ALYRA PLANDOR VEXOR VEXOR_CONF EXAMPLES WORKDIR
"""
import os
import shutil
import subprocess
import sys

import ezdxf
from ezdxf import bbox

N = 6


def run(args, env, cwd):
    r = subprocess.run(args, capture_output=True, text=True, env=env, cwd=cwd)
    if r.returncode != 0:
        sys.exit("%s a échoué (%d) :\n%s%s" % (" ".join(args), r.returncode, r.stdout, r.stderr))
    return r.stdout


def main():
    alyra, plandor, vexor, conf, examples, work = sys.argv[1:7]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "config", "Ostrelo"))
    shutil.copy(conf, os.path.join(work, "config", "Ostrelo", "Vexor.conf"))
    env = dict(os.environ, LC_ALL="fr_FR.UTF-8", XDG_CONFIG_HOME=os.path.join(work, "config"))
    run([alyra, "--root", os.path.join(examples, "naca2412.dat"),
         "--tip", os.path.join(examples, "naca0012.dat"), "--corde-empl", "280",
         "--corde-saum", "160", "--href-saum", "25", "--vril-saum", "-2", "--fleche", "90",
         "--long", "650", "--nom", "Aile", "--nervures", str(N), "--coffrage", "1.5",
         "--longeron", "dessus:25%:8:6", "--longeron", "dessous:60:5:3", "-o", "."], env, work)

    doc = ezdxf.readfile(os.path.join(work, "Aile_Nervures.dxf"))
    errors = []
    if doc.header.get("$INSUNITS") != 4:
        errors.append("$INSUNITS %r au lieu de 4" % doc.header.get("$INSUNITS"))
    auditor = doc.audit()
    if auditor.has_errors:
        errors.append("audit : %s" % [e.message for e in auditor.errors])
    msp = doc.modelspace()
    outlines = list(msp.query("LWPOLYLINE"))
    texts = list(msp.query("TEXT"))
    if len(outlines) != N or any(not p.closed or p.dxf.layer != "NERVURES" for p in outlines):
        errors.append("%d contours (attendus : %d fermés sur NERVURES)" % (len(outlines), N))
    numbers = sorted(t.dxf.text for t in texts)
    if numbers != sorted(str(i) for i in range(1, N + 1)) or {t.dxf.layer for t in texts} != {"NUMEROS"}:
        errors.append("numéros %s sur %s" % (numbers, {t.dxf.layer for t in texts}))
    boxes = [bbox.extents([p]) for p in outlines]
    for i, a in enumerate(boxes):
        for b in boxes[i + 1:]:
            if a.has_intersection(b):
                errors.append("deux nervures se chevauchent : %s et %s" % (a, b))
    for t, box in zip(texts, boxes):
        if not box.inside(t.dxf.insert):
            errors.append("le numéro %s est hors de sa nervure" % t.dxf.text)

    out = run([plandor, "--import", "Aile_Nervures.dxf", "--curves", "--auto", "-o", "nervures.cmg",
               "--export", "nervures_plan.dxf"], env, work)
    if "LWPOLYLINE %d" % N not in out or "TEXT %d" % N not in out or "Pièces : %d" % N not in out:
        errors.append("import de Plandor :\n" + out)
    sim = run([vexor, "--simulate", "nervures_plan.dxf"], env, work)
    if "Contrôle des impulsions : OK" not in sim:
        errors.append("simulation de Vexor :\n" + sim)
    if errors:
        sys.exit("\n".join(errors))
    print("%d nervures lues par ezdxf, planifiées par Plandor, découpées par Vexor" % N)


main()
