#!/usr/bin/python3
"""Renders the Markdown user guide to one standalone HTML page.

render-guide.py GUIDE.md OUT.html

The page is French (lang="fr"), UTF-8, titled by the guide's first heading,
with its style inline so that it needs nothing beside it but its images.
Every image the guide shows must already lie beside OUT.html: a missing one
is an error, so that the guide never ships with a broken picture.
"""

import html
import os
import re
import sys

import markdown

STYLE = """
body { font-family: sans-serif; max-width: 52em; margin: 2em auto; padding: 0 1em;
       line-height: 1.45; color: #222; }
h1, h2, h3 { line-height: 1.2; }
h2 { border-bottom: 1px solid #ccc; padding-bottom: 0.2em; margin-top: 2em; }
code, pre { font-family: monospace; background: #f4f4f4; }
pre { padding: 0.6em; overflow-x: auto; }
img { max-width: 100%; border: 1px solid #ccc; }
table { border-collapse: collapse; }
th, td { border: 1px solid #ccc; padding: 0.25em 0.6em; text-align: left; }
"""


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage : render-guide.py GUIDE.md SORTIE.html\n")
        return 2
    source, target = argv[1], argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    heading = re.search(r"^# (.+)$", text, re.MULTILINE)
    if heading is None:
        sys.stderr.write(f"{source} : aucun titre de niveau 1\n")
        return 1
    title = heading.group(1).strip()

    body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc"],
                             output_format="html")
    folder = os.path.dirname(os.path.abspath(target))
    missing = [src for src in re.findall(r'<img [^>]*src="([^"]+)"', body)
               if not os.path.isfile(os.path.join(folder, src))]
    if missing:
        sys.stderr.write(f"{source} : images absentes à côté de {target} : "
                         + ", ".join(missing) + "\n")
        return 1

    page = ("<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n"
            f"<body>\n{body}\n</body>\n</html>\n")
    partial = target + ".part"
    with open(partial, "w", encoding="utf-8") as f:
        f.write(page)
    os.replace(partial, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
