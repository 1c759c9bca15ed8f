"""A Wine prefix for the release tests: made once per suite, with its own
persistent server, registry values imported from .reg text, installed files
with version resources built by windres, and runs of the programs.

The output of every wine command goes to /dev/null: a wineserver started by
it would inherit a pipe and hold it open until the server exits."""
import os
import pathlib
import shutil
import subprocess
import tempfile

MINGW_CC = "x86_64-w64-mingw32-gcc-posix"
WINDRES = "x86_64-w64-mingw32-windres"

VERSION_RC = """#include <winver.h>
1 VERSIONINFO
FILEVERSION {commas}
PRODUCTVERSION {commas}
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904B0"
    BEGIN
      VALUE "FileVersion", "{dots}"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0409, 1200
  END
END
"""


class Lab:
    def __init__(self, name):
        self.root = pathlib.Path(tempfile.mkdtemp(prefix="instprobe-%s." % name))
        self.prefix = self.root / "prefix"
        self.env = dict(os.environ, WINEPREFIX=str(self.prefix),
                        WINEDEBUG="-all", LC_ALL="C.UTF-8")
        self.env.pop("DISPLAY", None)
        self._pe_cache = {}

    # ---- the prefix and its server ---------------------------------------

    def _quiet(self, args, extra_env=None, **kw):
        return subprocess.run(args, env=dict(self.env, **(extra_env or {})),
                              stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, **kw).returncode

    def boot(self):
        if self._quiet(["wineboot", "--init"], timeout=120) != 0:
            raise RuntimeError("wineboot --init failed in %s" % self.prefix)
        self.start_server()

    def start_server(self):
        self._quiet(["wineserver", "-p"], timeout=30)

    def stop_server(self):
        """Stops this prefix's server and waits: the registry files are
        complete afterwards."""
        self._quiet(["wineserver", "-k"], timeout=60)
        self._quiet(["wineserver", "-w"], timeout=60)

    def close(self):
        self.stop_server()
        shutil.rmtree(self.root, ignore_errors=True)

    # ---- Windows paths ----------------------------------------------------

    def unix_path(self, win_path):
        if len(win_path) < 3 or win_path[1:3] != ":\\" or \
                win_path[0].upper() != "C":
            raise ValueError("only C:\\ paths are supported: %r" % win_path)
        parts = [p for p in win_path[3:].split("\\") if p]
        return self.prefix.joinpath("drive_c", *parts)

    # ---- registry ---------------------------------------------------------

    def import_reg(self, reg_text, view):
        """Imports .reg text (UTF-8 here) as a UTF-16LE file with a BOM, into
        the 32-bit or 64-bit view; non-ASCII data pass the locale unharmed."""
        path = self.root / "import.reg"
        body = reg_text.replace("\r\n", "\n").replace("\n", "\r\n")
        path.write_bytes(b"\xff\xfe" + body.encode("utf-16-le"))
        rc = self._quiet(["wine", "reg", "import", str(path), "/reg:%d" % view],
                         timeout=60)
        if rc != 0:
            raise RuntimeError("wine reg import /reg:%d failed" % view)

    # ---- files --------------------------------------------------------------

    def _build_pe(self, version):
        """A small PE file; with a version text a.b.c.d it carries that
        FILEVERSION, with None no resource at all."""
        if version in self._pe_cache:
            return self._pe_cache[version]
        work = self.root / "pe"
        work.mkdir(exist_ok=True)
        stem = "plain" if version is None else "v" + version.replace(".", "_")
        src = work / "main.c"
        src.write_text("int main(void) { return 0; }\n")
        exe = work / (stem + ".exe")
        args = [MINGW_CC, "-O0", "-s", "-o", str(exe), str(src)]
        if version is not None:
            rc = work / (stem + ".rc")
            rc.write_text(VERSION_RC.format(commas=version.replace(".", ","),
                                            dots=version))
            res = work / (stem + ".res.o")
            subprocess.run([WINDRES, "-i", str(rc), "-o", str(res)],
                           check=True)
            args.append(str(res))
        subprocess.run(args, check=True)
        self._pe_cache[version] = exe
        return exe

    def install(self, win_path, kind):
        """Creates a file or directory in the prefix. kind: 'directory',
        'no version', or 'version A.B.C.D'. Returns the topmost directory or
        file that it made, for the caller to remove."""
        target = self.unix_path(win_path)
        top = target
        while not top.parent.exists():
            top = top.parent
        if top.exists():
            raise ValueError("%s is there already" % win_path)
        if kind == "directory":
            target.mkdir(parents=True)
            return top
        if kind == "no version":
            version = None
        elif kind.startswith("version "):
            version = kind.split(None, 1)[1]
        else:
            raise ValueError("unknown file kind %r" % kind)
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(self._build_pe(version), target)
        return top

    # ---- runs ---------------------------------------------------------------

    def run_windows(self, exe):
        """Runs a Windows program from a working directory other than its
        own, so that it must find its files beside itself."""
        return self._quiet(["wine", str(exe)], cwd=str(self.root), timeout=60)

    def run_host(self, exe, *args, **env):
        """Runs a host program with its arguments, and `env` added to the
        lab's environment."""
        return self._quiet([str(a) for a in (exe,) + args], extra_env=env,
                           cwd=str(self.root), timeout=60)


def require_all_builds():
    return os.environ.get("INSTPROBE_REQUIRE_ALL_BUILDS") == "1"
