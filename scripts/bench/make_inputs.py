#!/usr/bin/env python3
"""Writes the benchmark's inputs.

  make_inputs.py reg OUT.reg APPS USERAPPS
      A UTF-16LE .reg file for `wine reg import /reg:64`: APPS machine keys
      HKLM\\Software\\BenchSoft\\AppNNNN and USERAPPS user keys
      HKCU\\Software\\BenchSoft\\UserNNN, each with the directory of its
      program under C:\\Apps.
  make_inputs.py bulk SYSTEM.REG TARGET_BYTES APPS
      Appends key blocks in Wine's own saved format to SYSTEM.REG (the
      server must be stopped) until the file holds TARGET_BYTES; the
      directories point at the APPS programs. Prints the number of keys.
  make_inputs.py list OUT.ini COUNT APPS USERAPPS
      A search list of COUNT entries: a mix of programs with and without
      version resources, missing files, Wine's own keys and files, keys that
      do not exist, and keys that only the grown prefix has.
"""
import sys

# Directory values of a fresh prefix and a file each that Wine installs
# there (Wine's own programs carry version resources).
WINE_KEYS = [
    ("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion"
     "\\SystemRoot", "notepad.exe"),
    ("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion"
     "\\SystemRoot", "system32\\kernel32.dll"),
    ("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control"
     "\\Session Manager\\Environment\\windir", "regedit.exe"),
    ("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion"
     "\\CommonFilesDir", "missing.dll"),
    ("HKEY_CURRENT_USER\\Environment\\TEMP", "nothing.tmp"),
]

BULK_VENDORS = 100  # bulk keys are Software\BenchBulk\VNNNN\PNNNN


def app_dir(i):
    return "C:\\Apps\\App%04d\\" % i


def write_reg(path, apps, userapps):
    lines = ["Windows Registry Editor Version 5.00", ""]
    for i in range(apps):
        lines.append("[HKEY_LOCAL_MACHINE\\Software\\BenchSoft\\App%04d]" % i)
        # Every third one without the trailing backslash, as installers do.
        d = app_dir(i) if i % 3 else app_dir(i)[:-1]
        lines.append('"InstallDir"="%s"' % d.replace("\\", "\\\\"))
        lines.append('"DisplayName"="Bench Application %d"' % i)
        lines.append("")
    # The folder of the version probes' large files.
    lines.append("[HKEY_LOCAL_MACHINE\\Software\\BenchSoft\\Probe]")
    lines.append('"InstallDir"="C:\\\\Apps\\\\Probe\\\\"')
    lines.append("")
    for i in range(userapps):
        lines.append("[HKEY_CURRENT_USER\\Software\\BenchSoft\\User%03d]" % i)
        d = app_dir(i % apps)
        lines.append('"Path"="%s"' % d.replace("\\", "\\\\"))
        lines.append("")
    text = "\r\n".join(lines) + "\r\n"
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


def append_bulk(path, target, apps):
    with open(path, "rb") as f:
        size = len(f.read())
    out = []
    n = 0
    stamp = 1733700000
    while size < target:
        vendor, product = divmod(n, 1000)
        block = (
            "\n[Software\\\\BenchBulk\\\\V%04d\\\\P%04d] %d\n"
            "#time=1db49a0c2f8e4a0\n"
            '"InstallDir"="%s"\n'
            '"DisplayName"="Bulk product %d of vendor %d"\n'
            '"Version"="5.1.%d.%d"\n'
            '"Flags"=dword:%08x\n'
            '"Blob"=hex:%s\n' % (
                vendor, product, stamp + n,
                app_dir(n % apps).replace("\\", "\\\\"),
                product, vendor, vendor, product, n,
                ",".join("%02x" % ((n + k) & 0xFF) for k in range(24))))
        data = block.encode("ascii")
        out.append(data)
        size += len(data)
        n += 1
    with open(path, "ab") as f:
        f.write(b"".join(out))
    print(n)


def write_list(path, count, apps, userapps):
    entries = []
    for i in range(count):
        kind = i % 10
        app = (i * 7) % apps
        if kind <= 4:  # an installed program, found with its version
            key = "HKEY_LOCAL_MACHINE\\Software\\BenchSoft\\App%04d\\InstallDir" % app
            name = "app%04d.exe" % app
        elif kind == 5:  # the key is there, the file is not
            key = "HKEY_LOCAL_MACHINE\\Software\\BenchSoft\\App%04d\\InstallDir" % app
            name = "bin\\gone%04d.exe" % app
        elif kind == 6:
            key = "HKEY_CURRENT_USER\\Software\\BenchSoft\\User%03d\\Path" % (
                i % userapps)
            name = "app%04d.exe" % ((i % userapps) % apps)
        elif kind == 7:
            key, name = WINE_KEYS[(i // 10) % len(WINE_KEYS)]
        elif kind == 8:  # a program that was never installed
            key = "HKEY_LOCAL_MACHINE\\Software\\BenchSoft\\Gone%05d\\InstallDir" % i
            name = "gone.exe"
        else:  # only in the grown prefix
            key = ("HKEY_LOCAL_MACHINE\\Software\\BenchBulk\\V%04d\\P%04d"
                   "\\InstallDir" % ((i // 10) % BULK_VENDORS, i % 1000))
            name = "app%04d.exe" % ((((i // 10) % BULK_VENDORS) * 1000
                                     + i % 1000) % apps)
        entries.append("[FILE%d]\r\nRegKey=%s\r\nFileName=%s\r\nVarName=Prog%d\r\n"
                       % (i, key, name, i))
    with open(path, "w", newline="") as f:
        f.write("".join(entries))


def main():
    cmd = sys.argv[1]
    if cmd == "reg":
        write_reg(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    elif cmd == "bulk":
        append_bulk(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    elif cmd == "list":
        write_list(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]),
                   int(sys.argv[5]))
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
