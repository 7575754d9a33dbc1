#!/usr/bin/env python3
"""Runs the example commands of the README as a user would, from a clean clone.

Usage: readme_examples.py README.md SOURCE_DIR BUILD_DIR WORK_DIR

Every line of a ```sh block is a command (a line ending in a backslash goes on
on the next one). The commands of one block run in order, with bash, in a
fresh folder holding copies of examples/ and scripts/, under a French locale
and with an empty settings store; "build/release/" stands for BUILD_DIR. Each
must exit with 0. Not run: `make` lines (the build itself) and commands whose
comment begins with "# the window" (they open a window and wait for the user)
or "# takes time" (measurements, runs at machine speed), or "# installs" (they
install a package on the machine).
"""

import os
import shutil
import signal
import subprocess
import sys

SKIP_MARKS = ("# the window", "# takes time", "# installs")
TIMEOUT_S = 60


def blocks(readme):
    """The commands of each ```sh block, continuation lines joined."""
    result, current, inside, pending = [], None, False, ""
    for number, line in enumerate(open(readme, encoding="utf-8"), start=1):
        line = line.rstrip("\n")
        if not inside:
            if line.strip() == "```sh":
                inside, current = True, []
            continue
        if line.strip() == "```":
            inside = False
            result.append(current)
            continue
        if line.rstrip().endswith("\\"):
            pending += line.rstrip()[:-1] + " "
            continue
        command = (pending + line).strip()
        pending = ""
        if command:
            current.append((number, command))
    return result


def comment_of(command):
    """The trailing comment of a command: a '#' after a blank, outside quotes."""
    quote = None
    for i, c in enumerate(command):
        if quote:
            quote = None if c == quote else quote
        elif c in "'\"":
            quote = c
        elif c == "#" and (i == 0 or command[i - 1].isspace()):
            return command[i:]
    return ""


def main():
    readme, source, build, work = (os.path.abspath(a) for a in sys.argv[1:5])
    shutil.rmtree(work, ignore_errors=True)
    ran = skipped = 0
    failures = []
    for index, commands in enumerate(blocks(readme)):
        folder = os.path.join(work, "block%d" % index)
        os.makedirs(os.path.join(folder, "config"))
        for part in ("examples", "scripts"):
            shutil.copytree(os.path.join(source, part), os.path.join(folder, part))
        env = dict(os.environ, LC_ALL="fr_FR.UTF-8", HOME=folder, QT_QPA_PLATFORM="offscreen",
                   XDG_CONFIG_HOME=os.path.join(folder, "config"))
        for line, command in commands:
            if command.startswith("make ") or comment_of(command).startswith(SKIP_MARKS):
                skipped += 1
                continue
            ran += 1
            run = command.replace("build/release/", build + "/")
            # A session of its own, so that a command left waiting is ended
            # with everything it started.
            process = subprocess.Popen(["bash", "-c", run], cwd=folder, env=env,
                                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                       text=True, start_new_session=True)
            try:
                output, _ = process.communicate(timeout=TIMEOUT_S)
                code = process.returncode
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                output, _ = process.communicate()
                code = "délai dépassé"
                output += "(une fenêtre ? marquez-la « # the window »)"
            if code != 0:
                failures.append("README ligne %d : %s\n  code %s\n%s" % (line, command, code,
                                                                          output))
    for failure in failures:
        print(failure)
    print("%d commandes exécutées, %d non exécutées, %d en échec" % (ran, skipped,
                                                                    len(failures)))
    if ran == 0:
        print("aucune commande trouvée dans les blocs ```sh")
    return 1 if failures or ran == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
