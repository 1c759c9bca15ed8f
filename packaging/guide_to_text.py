#!/usr/bin/env python3
"""Turns the user guide (Markdown) into README.txt: plain text, 78 columns
for reflowed table rows, CRLF line endings, no Markdown markup left.

Usage: guide_to_text.py GUIDE.md OUT.txt"""
import re
import sys
import textwrap

WIDTH = 78


def inline(text):
    """Drops inline markup: `code`, **bold**."""
    text = re.sub(r"`([^`]*)`", r"\1", text)
    return re.sub(r"\*\*([^*]+)\*\*", r"\1", text)


def table_cells(line):
    return [inline(c.strip()) for c in line.strip().strip("|").split("|")]


def render_table(rows):
    """A table as a list: the first cells name the row, the last one is
    wrapped below them."""
    out = []
    for cells in rows[2:]:  # the header and the rule line go
        head = " / ".join(cells[:-1])
        out.append("  " + head)
        out.extend(textwrap.wrap(cells[-1], WIDTH, initial_indent="      ",
                                 subsequent_indent="      "))
        out.append("")
    if out:
        out.pop()
    return out


def convert(markdown):
    out = []
    lines = markdown.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith("```"):
            i += 1
            while i < len(lines) and lines[i] != "```":
                out.append(("    " + lines[i]).rstrip())
                i += 1
            i += 1
            continue
        if line.startswith("|"):
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                rows.append(table_cells(lines[i]))
                i += 1
            out.extend(render_table(rows))
            continue
        heading = re.match(r"^(#+)\s+(.*)$", line)
        if heading:
            title = inline(heading.group(2))
            out.append(title)
            out.append(("=" if len(heading.group(1)) == 1 else "-") *
                       len(title))
        else:
            out.append(inline(line).rstrip())
        i += 1
    while out and out[-1] == "":
        out.pop()
    return "\r\n".join(out) + "\r\n"


def main(argv):
    with open(argv[1], encoding="utf-8") as f:
        text = convert(f.read())
    with open(argv[2], "wb") as f:
        f.write(text.encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
