"""The release tests' Wine prefix: a thin client of the GoogleTest suites'
lab (tests/support/wine_lab.cpp), reached through its command, wine_lab
(tests/support/lab_tool.cpp), whose path $INSTPROBE_WINE_LAB gives. The
command makes the prefix and serves it, imports .reg text, builds the PE
files (tests/fixtures/version/build-fixtures.sh) and runs the programs;
here are only the paths of the installed files."""
import os
import pathlib
import shutil
import subprocess
import tempfile


class Lab:
    def __init__(self, name):
        self.root = pathlib.Path(tempfile.mkdtemp(prefix="instprobe-%s." % name))
        self.prefix = self.root / "prefix"
        self._pe_cache = {}

    def _tool(self, command, *args):
        """Runs `wine_lab COMMAND ROOT ARGS...`; returns its exit status."""
        tool = os.environ["INSTPROBE_WINE_LAB"]
        return subprocess.run([tool, command, str(self.root)] +
                              [str(a) for a in args],
                              stdin=subprocess.DEVNULL).returncode

    def _must(self, command, *args):
        if self._tool(command, *args) != 0:
            raise RuntimeError("wine_lab %s failed in %s" % (command, self.root))

    def boot(self):
        self._must("boot")

    def start_server(self):
        self._must("start")

    def stop_server(self):
        """Stops this prefix's server and waits: the registry files are
        complete afterwards."""
        self._must("stop")

    def close(self):
        self._tool("close")

    def unix_path(self, win_path):
        if len(win_path) < 3 or win_path[1:3] != ":\\" or \
                win_path[0].upper() != "C":
            raise ValueError("only C:\\ paths are supported: %r" % win_path)
        parts = [p for p in win_path[3:].split("\\") if p]
        return self.prefix.joinpath("drive_c", *parts)

    def import_reg(self, reg_text, view):
        """Imports .reg text into the 32-bit or 64-bit view."""
        path = self.root / "import.txt"
        path.write_text(reg_text, encoding="utf-8")
        self._must("import", path, view)

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
            version = "none"
        elif kind.startswith("version "):
            version = kind.split(None, 1)[1]
        else:
            raise ValueError("unknown file kind %r" % kind)
        if version not in self._pe_cache:
            exe = self.root / ("pe-%s.exe" % version)
            self._must("pe", version, exe)
            self._pe_cache[version] = exe
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(self._pe_cache[version], target)
        return top

    def run_windows(self, exe):
        """Runs a Windows program from a working directory other than its
        own, so that it must find its files beside itself."""
        return self._tool("run", exe)

    def run_host(self, exe, *args, **env):
        """Runs a host program with its arguments, and `env` added to the
        lab's environment."""
        return self._tool("run", *(["%s=%s" % kv for kv in env.items()] +
                                   [exe] + list(args)))


def require_all_builds():
    return os.environ.get("INSTPROBE_REQUIRE_ALL_BUILDS") == "1"
