#!/usr/bin/python3
"""Writes the user's guide as one HTML page (the program's help when no other help file is found).

Usage: guide_html.py GUIDE.md OUT.html
Headings get the same anchors as on a Git hosting page (lower case, blanks as "-"), so the
guide's own links work in both. Pictures stay relative (guide/NAME.png beside the page).
"""
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

PAGE = """<!DOCTYPE html>
<html lang="ru">
<head>
<meta charset="utf-8">
<title>{title}</title>
<style>
body {{ font-family: "DejaVu Sans", sans-serif; max-width: 70em; margin: 1em auto; padding: 0 1em; line-height: 1.4; }}
img {{ max-width: 100%; border: 1px solid #999; }}
table {{ border-collapse: collapse; }}
td, th {{ border: 1px solid #999; padding: 0.2em 0.5em; vertical-align: top; }}
pre {{ background: #f3f3f3; padding: 0.5em; overflow-x: auto; }}
</style>
</head>
<body>
{body}
</body>
</html>
"""


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    title = text.splitlines()[0].lstrip("# ").strip()
    body = markdown.markdown(
        text,
        extensions=["tables", "toc"],
        extension_configs={"toc": {"slugify": slugify_unicode}},
        output_format="html",
    )
    with open(target, "w", encoding="utf-8") as f:
        f.write(PAGE.format(title=title, body=body))


if __name__ == "__main__":
    main()
