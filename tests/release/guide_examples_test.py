#!/usr/bin/env python3
"""Runs every example of the user guide and compares what the programs write.

An example is a group of fenced blocks that share `example=NAME` in their
info string:
  ```ini example=N file=stpsrch.ini```          the search list
  ```reg example=N [view=32|64]```              registry values (.reg text),
                                                imported into both views
                                                unless one is named
  ```text example=N files```                    files to create: PATH, two
                                                blanks, then 'version A.B.C.D',
                                                'no version' or 'directory'
  ```ini example=N file=stvar.ini stage=before``` a variables file that exists
                                                before the run
  ```ini example=N file=stvar.ini [builds=...]``` the expected variables file
                                                (CRLF lines), for the builds
                                                named (default: all four)
  ```text example=N file=stvar.ini absent```    no variables file is expected
Every `ini` and `reg` block of the guide must belong to an example.

Usage: guide_examples_test.py GUIDE WIN32_EXE WIN64_EXE HOST_EXE HOST32_EXE"""
import os
import pathlib
import re
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_lab  # noqa: E402

ALL_BUILDS = ("win32", "win64", "host", "host32")
HOST_BUILDS = ("host", "host32")
FENCE = re.compile(r"^```(.*)$")


def parse_blocks(text):
    """Fenced blocks as (info words, attributes, body, line number)."""
    blocks = []
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            i += 1
            continue
        info = m.group(1).split()
        start = i + 1
        i += 1
        while i < len(lines) and lines[i] != "```":
            i += 1
        if i == len(lines):
            raise ValueError("unclosed fence at line %d" % start)
        attrs = {}
        words = []
        for w in info[1:]:
            if "=" in w:
                k, v = w.split("=", 1)
                attrs[k] = v
            else:
                words.append(w)
        lang = info[0] if info else ""
        blocks.append((lang, words, attrs, "\n".join(lines[start:i]) + "\n",
                       start))
        i += 1
    return blocks


def collect_examples(text):
    examples = {}
    errors = []
    for lang, words, attrs, body, line in parse_blocks(text):
        name = attrs.get("example")
        if name is None:
            if lang in ("ini", "reg"):
                errors.append("line %d: %s block without example=" %
                              (line, lang))
            continue
        ex = examples.setdefault(name, {"list": None, "reg": [], "files": [],
                                        "before": None, "expect": {},
                                        "line": line})
        role = attrs.get("file")
        if lang == "reg":
            views = [int(attrs["view"])] if "view" in attrs else [32, 64]
            ex["reg"].append((body, views))
        elif "files" in words:
            for entry in body.strip().split("\n"):
                path, kind = re.split(r"\s{2,}", entry.strip(), maxsplit=1)
                ex["files"].append((path, kind.strip()))
        elif role == "stpsrch.ini":
            ex["list"] = body
        elif role == "stvar.ini" and attrs.get("stage") == "before":
            ex["before"] = body
        elif role == "stvar.ini":
            builds = attrs.get("builds", ",".join(ALL_BUILDS)).split(",")
            for b in builds:
                if b not in ALL_BUILDS or b in ex["expect"]:
                    errors.append("line %d: bad or repeated build %r" %
                                  (line, b))
                ex["expect"][b] = None if "absent" in words else body
        else:
            errors.append("line %d: block of example %s has no role" %
                          (line, name))
    for name, ex in examples.items():
        if ex["list"] is None:
            errors.append("example %s has no search list" % name)
        missing = [b for b in ALL_BUILDS if b not in ex["expect"]]
        if missing:
            errors.append("example %s expects nothing of %s" %
                          (name, ", ".join(missing)))
    return examples, errors


def crlf(text):
    return text.replace("\n", "\r\n").encode("cp1252")


def reg_keys(reg_text):
    return re.findall(r"^\[([^\]-][^\]]*)\]\s*$", reg_text, re.M)


def main(argv):
    guide, exes = argv[1], dict(zip(ALL_BUILDS, argv[2:6]))
    text = pathlib.Path(guide).read_text(encoding="utf-8")
    examples, errors = collect_examples(text)
    passed = failed = 0
    for e in errors:
        print("FAIL: guide markup: " + e)
        failed += 1
    if not examples:
        print("FAIL: the guide has no examples")
        failed += 1

    present = {}
    for build, exe in exes.items():
        if os.path.isfile(exe):
            present[build] = exe
        elif wine_lab.require_all_builds():
            print("FAIL: %s build missing: %s" % (build, exe))
            failed += 1
        else:
            print("SKIP: %s build missing: %s" % (build, exe))

    # Every key of every example is deleted before each example, so no value
    # of an earlier example leaks into a later one.
    all_keys = sorted({k for ex in examples.values() for body, _ in ex["reg"]
                       for k in reg_keys(body)})
    wipe = "Windows Registry Editor Version 5.00\n\n" + "".join(
        "[-%s]\n\n" % k for k in all_keys)

    lab = wine_lab.Lab("guide")
    try:
        lab.boot()
        for name, ex in examples.items():
            lab.import_reg(wipe, 32)
            lab.import_reg(wipe, 64)
            for body, views in ex["reg"]:
                for view in views:
                    lab.import_reg(body, view)
            made = [lab.install(p, k) for p, k in ex["files"]]
            hosts = [b for b in HOST_BUILDS if b in present]
            for build in ALL_BUILDS:
                if build not in present:
                    continue
                run_dir = lab.prefix / "drive_c" / "run" / name / build
                run_dir.mkdir(parents=True)
                shutil.copy(present[build], run_dir)
                (run_dir / "stpsrch.ini").write_bytes(crlf(ex["list"]))
                if ex["before"] is not None:
                    (run_dir / "stvar.ini").write_bytes(crlf(ex["before"]))
                if build in HOST_BUILDS:
                    if build == hosts[0]:
                        lab.stop_server()  # saves the registry files
                    lab.run_host(run_dir / os.path.basename(present[build]))
                    if build == hosts[-1]:
                        lab.start_server()
                else:
                    lab.run_windows(run_dir / os.path.basename(present[build]))
                out = run_dir / "stvar.ini"
                got = out.read_bytes() if out.exists() else None
                want = ex["expect"][build]
                want = None if want is None else crlf(want)
                if got == want:
                    passed += 1
                    print("ok: %s on %s" % (name, build))
                else:
                    failed += 1
                    print("FAIL: example %s (guide line %d) on %s" %
                          (name, ex["line"], build))
                    print("  expected: %r" % want)
                    print("  got:      %r" % got)
            for path in made:
                if path.is_dir():
                    shutil.rmtree(path)
                elif path.exists():
                    path.unlink()
    finally:
        lab.close()
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 and passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
