#!/usr/bin/env python3
"""Checks the release archives that scripts/release.sh left in DIST: packed
again from the given builds (in another time zone, with another umask) they
come out byte-identical, so they hold exactly these builds, and they hold
what they must; the Debian package passes lintian; then unpacks the
Windows archive into a fresh Wine prefix and the Debian package into a
scratch root, and runs the four programs on the bundled example search
list, with the example's registry values imported. Without archives in DIST the test is
skipped (exit 77), or fails when INSTPROBE_REQUIRE_ALL_BUILDS=1.

Usage: archive_test.py SOURCE_ROOT VERSION WIN32_EXE WIN64_EXE HOST_BUILD DIST"""
import gzip
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import install_test  # noqa: E402
import wine_lab  # noqa: E402

ZIP_MEMBERS = ["README.txt", "instprobe.exe", "stpsrch.ini",
               "x64/instprobe.exe"]
TAR_FILES = sorted(rel for rel, _ in install_test.EXPECTED)

# The bundled example on a 64-bit system where the editor is installed
# twice: the 64-bit build in Program Files, the 32-bit one in Program Files
# (x86), registered in the two registry views.
INSTALLED = [
    (r"C:\Program Files\ExampleSoft\Editor\editor.exe", "version 8.0.0.1"),
    (r"C:\Program Files (x86)\ExampleSoft\Editor\editor.exe",
     "version 7.1.0.2"),
    (r"C:\Tools\Viewer\\", "directory"),  # the list's folder, no viewer
]

# The Linux programs run on the oldest release the README names, Debian 12
# (glibc 2.36), whichever release built them: they need glibc's libraries
# and no newer symbol version; the C++ runtime is linked in.
OLDEST_GLIBC = (2, 36)
RUNTIME_LIBRARIES = {"libc.so.6", "libm.so.6", "ld-linux-x86-64.so.2"}


def linked_against(binary):
    """The shared libraries a binary needs, and the highest GLIBC_ symbol
    version it asks for."""
    dump = subprocess.run(["objdump", "-p", str(binary)], check=True,
                          capture_output=True, text=True).stdout
    needed = set(re.findall(r"^\s*NEEDED\s+(\S+)$", dump, re.M))
    versions = [tuple(int(n) for n in v.split("."))
                for v in re.findall(r"\bGLIBC_(\d+(?:\.\d+)+)\b", dump)]
    return needed, max(versions, default=(0,))


def expected_vars(editor_version, editor_dir):
    return ("[PrgStart]\r\n"
            "Editor=%s\r\n"
            "EditorPath=%s\r\n"
            "EditorPathRoot=C:\\\r\n"
            "Viewer=\r\n"
            "ViewerPath=C:\\Tools\\Viewer\\\r\n"
            "ViewerPathRoot=C:\\\r\n"
            "Missing=\r\n"
            "MissingPath=\r\n"
            "MissingPathRoot=\\\r\n"
            "[PrivatPath]\r\n"
            "<EditorPath>=%s\r\n"
            "<ViewerPath>=C:\\Tools\\Viewer\\\r\n"
            "<MissingPath>=\r\n" % (editor_version, editor_dir, editor_dir)
            ).encode("ascii")


RUNS = [  # (program inside the zip or the package, expected stvar.ini)
    ("instprobe.exe",
     expected_vars("7", "C:\\Program Files (x86)\\ExampleSoft\\Editor\\")),
    ("x64/instprobe.exe",
     expected_vars("8", "C:\\Program Files\\ExampleSoft\\Editor\\")),
    ("usr/bin/instprobe32",
     expected_vars("7", "C:\\Program Files (x86)\\ExampleSoft\\Editor\\")),
    ("usr/bin/instprobe",
     expected_vars("8", "C:\\Program Files\\ExampleSoft\\Editor\\")),
]

# (file in the package, the tree and path of its bytes, or None for the
# changelog that lintian checks): the install layout under /usr, the manual
# pages compressed, and the Debian files.
DEB_FILES = sorted(
    [("usr/" + rel + (".gz" if "/man1/" in rel else ""), source)
     for rel, source in install_test.EXPECTED] +
    [("usr/share/doc/instprobe/changelog.gz", None),
     ("usr/share/doc/instprobe/copyright",
      ("source", "packaging/debian/copyright"))])


class Checks:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, ok, what, detail=""):
        if ok:
            self.passed += 1
            print("ok: " + what)
        else:
            self.failed += 1
            print("FAIL: %s %s" % (what, detail))
        return ok


def pack(root, out, version, epoch, win32, win64, host, env_extra):
    env = dict(os.environ, **env_extra)
    subprocess.run(["bash", str(root / "packaging" / "pack.sh"), str(out),
                    version, str(epoch), win32, win64, host], check=True,
                   env=env, stdin=subprocess.DEVNULL)


def only_crlf(data):
    return data.count(b"\n") == data.count(b"\r\n") > 0 and \
        data.endswith(b"\r\n")


def check_archives(c, root, out, version, epoch, win32, win64, host):
    zip_path = out / ("instprobe-%s-windows.zip" % version)
    base = "instprobe-%s-linux-x86_64" % version
    tar_path = out / (base + ".tar.gz")

    with zipfile.ZipFile(zip_path) as z:
        infos = z.infolist()
        names = [i.filename for i in infos]
        c.check(names == ZIP_MEMBERS, "zip members in sorted order",
                repr(names))
        # zip keeps even seconds: an odd one is rounded up
        stamp = tuple(time.gmtime((epoch + 1) & ~1)[:6])
        c.check(all(i.date_time == stamp for i in infos),
                "zip time stamps are the release's epoch",
                repr([i.date_time for i in infos]))
        c.check(all(i.extra == b"" for i in infos), "zip has no extra fields")
        c.check(z.read("instprobe.exe") == pathlib.Path(win32).read_bytes(),
                "top-level exe is the 32-bit build")
        c.check(z.read("x64/instprobe.exe") ==
                pathlib.Path(win64).read_bytes(), "x64/ holds the 64-bit build")
        with tempfile.TemporaryDirectory() as scratch:
            for exe in ("instprobe.exe", "x64/instprobe.exe"):
                c.check(subprocess.run(
                    [sys.executable, str(root / "scripts" / "check-exe.py"),
                     z.extract(exe, scratch), version]).returncode == 0,
                    "%s: imports known DLLs only (check-exe.py)" % exe)
        readme = z.read("README.txt")
        c.check(only_crlf(readme), "README.txt has CRLF line endings only")
        c.check(b"```" not in readme and b"example=" not in readme and
                b"**" not in readme, "README.txt has no Markdown markup left")
        c.check(b"Troubleshooting\r\n---------------" in readme,
                "README.txt carries the guide's sections")
        ini = z.read("stpsrch.ini")
        c.check(only_crlf(ini), "stpsrch.ini has CRLF line endings")
        c.check(ini.replace(b"\r\n", b"\n") ==
                (root / "packaging" / "stpsrch.ini").read_bytes(),
                "stpsrch.ini is the bundled example")

    with tarfile.open(tar_path) as t:
        members = t.getmembers()
        files = sorted(m.name for m in members if m.isfile())
        c.check(files == ["%s/%s" % (base, f) for f in TAR_FILES],
                "tar holds the binaries and the docs", repr(files))
        c.check([m.name for m in members] ==
                sorted(m.name for m in members), "tar members sorted")
        c.check(all(m.uid == 0 and m.gid == 0 and m.mtime == epoch and
                    m.uname == "" and m.gname == "" for m in members),
                "tar owner 0:0 numeric and fixed time stamps")
        for program in ("instprobe", "instprobe32"):
            binary = t.getmember(base + "/bin/" + program)
            c.check(binary.mode == 0o755, "tar %s is executable" % program,
                    oct(binary.mode))
            got = t.extractfile(binary).read()
            c.check(got == (pathlib.Path(host) / program).read_bytes(),
                    "tar %s is the host build's" % program)
            needed, glibc = linked_against(pathlib.Path(host) / program)
            c.check(needed <= RUNTIME_LIBRARIES,
                    "%s needs the C library only" % program, repr(needed))
            c.check(glibc <= OLDEST_GLIBC, "%s runs on Debian 12 (glibc %s)"
                    % (program, ".".join(map(str, OLDEST_GLIBC))),
                    "needs GLIBC_%s" % ".".join(map(str, glibc)))
        for doc, src in (("README.md", "README.md"),
                         ("guide.md", "docs/guide.md")):
            name = base + "/share/doc/instprobe/" + doc
            data = t.extractfile(name).read() if name in t.getnames() else b""
            c.check(data == (root / src).read_bytes(), "tar doc " + doc)
    with open(tar_path, "rb") as f:
        head = f.read(10)
    c.check(head[4:8] == b"\0\0\0\0", "gzip header carries no time stamp")

    deb_path = out / ("instprobe_%s_amd64.deb" % version)
    sums = (out / "SHA256SUMS").read_text().split("\n")
    want = ["%s  %s" % (hashlib.sha256(p.read_bytes()).hexdigest(), p.name)
            for p in (zip_path, tar_path, deb_path)]
    c.check(sums[:3] == want and sums[3:] == [""], "SHA256SUMS matches",
            repr(sums))
    return zip_path, deb_path


def check_deb(c, root, deb_path, version, host, scratch):
    """Unpacks the package into `scratch` (dpkg -x) and checks its files,
    fields, manual pages and lintian's verdict."""
    trees = {"source": root, "build": pathlib.Path(host)}
    subprocess.run(["dpkg-deb", "-x", str(deb_path), str(scratch)],
                   check=True)
    found = sorted(str(p.relative_to(scratch))
                   for p in scratch.rglob("*") if not p.is_dir())
    c.check(found == [f[0] for f in DEB_FILES], "deb holds its files",
            repr(found))
    for rel, source in DEB_FILES:
        path = scratch / rel
        if not path.is_file() or source is None:
            continue
        data = path.read_bytes()
        if rel.endswith(".gz"):
            c.check(data[4:8] == b"\0\0\0\0", "deb %s has no gzip time" % rel)
            data = gzip.decompress(data)
        mode = 0o755 if rel.startswith("usr/bin/") else 0o644
        c.check(data == (trees[source[0]] / source[1]).read_bytes() and
                path.stat().st_mode & 0o777 == mode,
                "deb %s is %s/%s, mode %o" % (rel, source[0], source[1], mode))
    fields = subprocess.run(["dpkg-deb", "-f", str(deb_path), "Package",
                             "Version", "Architecture", "Depends"],
                            capture_output=True, text=True).stdout
    c.check(fields.startswith("Package: instprobe\nVersion: %s\n"
                              "Architecture: amd64\nDepends: libc6 (>= "
                              % version), "deb control fields", fields)
    for page in ("instprobe.1.gz", "instprobe32.1.gz"):
        man = subprocess.run(["man", "--warnings", "-l", "man1/" + page],
                             cwd=str(scratch / "usr/share/man"),
                             env=dict(os.environ, MANWIDTH="80"),
                             capture_output=True, text=True)
        c.check(man.returncode == 0 and man.stderr == "" and
                "--prefix" in man.stdout,
                "man -l %s renders without warnings" % page, man.stderr)
    lint = subprocess.run(["lintian", "--fail-on", "error,warning",
                           str(deb_path)], capture_output=True, text=True)
    c.check(lint.returncode == 0, "lintian finds no error or warning",
            lint.stdout + lint.stderr)


def run_archive_under_wine(c, root, zip_path, deb_root):
    lab = wine_lab.Lab("archive")
    try:
        lab.boot()
        reg = (root / "packaging" / "example-registry.reg").read_text()
        lab.import_reg(reg, 64)
        for path, kind in INSTALLED:
            lab.install(path, kind)
        for exe, want in RUNS[:2]:
            folder = lab.prefix / "drive_c" / "probe" / exe.replace("/", "_")
            with zipfile.ZipFile(zip_path) as z:
                z.extractall(folder)
            exe_path = folder / exe
            # The user puts the search list beside the program picked.
            if exe_path.parent != folder:
                shutil.copy(folder / "stpsrch.ini", exe_path.parent)
            lab.run_windows(exe_path)
            out = exe_path.parent / "stvar.ini"
            got = out.read_bytes() if out.exists() else None
            c.check(got == want, "%s on the bundled example" % exe,
                    "\n  expected %r\n  got      %r" % (want, got))
        # The package's programs, as installed, from anywhere: the options
        # name the files and the prefix, $WINEPREFIX another folder.
        lab.stop_server()
        for program, want in RUNS[2:]:
            out = lab.root / (program.replace("/", "_") + ".ini")
            rc = lab.run_host(deb_root / program, "--list",
                              root / "packaging" / "stpsrch.ini", "--vars",
                              out, "--prefix", lab.prefix,
                              WINEPREFIX=str(lab.root / "elsewhere"))
            got = out.read_bytes() if out.exists() else None
            c.check(rc == 0 and got == want,
                    "deb %s --list --vars --prefix on the bundled example"
                    % program, "status %d\n  expected %r\n  got      %r"
                    % (rc, want, got))
    finally:
        lab.close()


def main(argv):
    root = pathlib.Path(argv[1]).resolve()
    version, win32, win64, host = argv[2:6]
    dist = pathlib.Path(argv[6])
    tar_path = dist / ("instprobe-%s-linux-x86_64.tar.gz" % version)
    if not tar_path.is_file():
        if os.environ.get("INSTPROBE_REQUIRE_ALL_BUILDS") == "1":
            print("FAIL: no release archives in %s" % dist)
            print("0 passed, 1 failed")
            return 1
        print("skipped: no release archives in %s (scripts/release.sh)" % dist)
        return 77
    with tarfile.open(tar_path) as t:
        epoch = t.getmembers()[0].mtime
    c = Checks()
    tmp = pathlib.Path(tempfile.mkdtemp(prefix="instprobe-archive."))
    try:
        # Neither the time zone nor the umask may reach the archives.
        old = os.umask(0o077)
        try:
            pack(root, tmp, version, epoch, win32, win64, host,
                 {"TZ": "Asia/Tokyo"})
        finally:
            os.umask(old)
        for name in sorted(os.listdir(tmp)):
            c.check((dist / name).is_file() and
                    (dist / name).read_bytes() == (tmp / name).read_bytes(),
                    "%s packs again byte for byte from the tested builds"
                    % name)
        zip_path, deb_path = check_archives(c, root, dist, version, epoch,
                                            win32, win64, host)
        check_deb(c, root, deb_path, version, host, tmp / "deb-root")
        run_archive_under_wine(c, root, zip_path, tmp / "deb-root")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("%d passed, %d failed" % (c.passed, c.failed))
    return 0 if c.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
