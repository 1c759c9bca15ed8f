#!/usr/bin/env python3
"""`cmake --install BUILD --prefix DIR` installs exactly the two host
programs, the two documents and the manual pages, the programs executable
and every file unchanged.

Usage: install_test.py SOURCE_ROOT HOST_BUILD"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

# (installed path, source of its bytes relative to the source or build tree)
EXPECTED = [
    ("bin/instprobe", ("build", "instprobe")),
    ("bin/instprobe32", ("build", "instprobe32")),
    ("share/doc/instprobe/README.md", ("source", "README.md")),
    ("share/doc/instprobe/guide.md", ("source", "docs/guide.md")),
    ("share/man/man1/instprobe.1", ("build", "instprobe.1")),
    ("share/man/man1/instprobe32.1", ("source", "packaging/instprobe32.1")),
]


def main(argv):
    trees = {"source": pathlib.Path(argv[1]), "build": pathlib.Path(argv[2])}
    prefix = pathlib.Path(tempfile.mkdtemp(prefix="instprobe-install."))
    passed = failed = 0

    def check(ok, what):
        nonlocal passed, failed
        print(("ok: " if ok else "FAIL: ") + what)
        passed, failed = passed + ok, failed + (not ok)

    try:
        rc = subprocess.run(["cmake", "--install", str(trees["build"]),
                             "--prefix", str(prefix)],
                            stdout=subprocess.DEVNULL).returncode
        check(rc == 0, "cmake --install succeeds")
        found = sorted(str(p.relative_to(prefix))
                       for p in prefix.rglob("*") if not p.is_dir())
        check(found == sorted(e[0] for e in EXPECTED),
              "installed files are exactly %s (got %s)" %
              ([e[0] for e in EXPECTED], found))
        for rel, (tree, src) in EXPECTED:
            path = prefix / rel
            same = path.is_file() and \
                path.read_bytes() == (trees[tree] / src).read_bytes()
            check(same, "%s is %s/%s" % (rel, tree, src))
        for program in ("bin/instprobe", "bin/instprobe32"):
            check(os.access(prefix / program, os.X_OK),
                  program + " is executable")
    finally:
        shutil.rmtree(prefix, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
