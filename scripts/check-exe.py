#!/usr/bin/env python3
"""Checks a built Windows executable: GUI subsystem, imports from known DLLs
only, an embedded asInvoker manifest and a version resource carrying the
expected version. Exits non-zero with a message on the first failure."""
import struct
import sys

# The DLLs an executable may import: Windows' known DLLs (and ntdll), which
# the loader takes from the system folder only, never from the program's
# folder. Any other library, version.dll among them, is loaded at run time
# from the system folder.
KNOWN_DLLS = {"kernel32.dll", "advapi32.dll", "user32.dll", "msvcrt.dll",
              "ntdll.dll", "shell32.dll", "ole32.dll"}


def fail(msg):
    print("FAIL: " + msg)
    sys.exit(1)


def main(path, version):
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        fail("not an MZ image")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail("no PE signature")
    nsect, = struct.unpack_from("<H", data, pe + 6)
    optsize, = struct.unpack_from("<H", data, pe + 20)
    opt = pe + 24
    magic, = struct.unpack_from("<H", data, opt)
    subsystem, = struct.unpack_from("<H", data, opt + 68)
    if subsystem != 2:
        fail("subsystem %d, not Windows GUI (2)" % subsystem)
    ddir = opt + (96 if magic == 0x10B else 112)
    sections = []
    for i in range(nsect):
        s = opt + optsize + 40 * i
        vsize, va, rsize, raw = struct.unpack_from("<IIII", data, s + 8)
        sections.append((va, max(vsize, rsize), raw))

    def off(rva):
        for va, size, raw in sections:
            if va <= rva < va + size:
                return raw + rva - va
        fail("RVA 0x%x outside every section" % rva)

    def cstr(o):
        return data[o:data.index(b"\0", o)].decode("ascii")

    imp_rva, _ = struct.unpack_from("<II", data, ddir + 8)
    o = off(imp_rva)
    dlls = []
    while True:
        name_rva = struct.unpack_from("<I", data, o + 12)[0]
        if name_rva == 0:
            break
        dlls.append(cstr(off(name_rva)))
        o += 20
    foreign = [d for d in dlls if d.lower() not in KNOWN_DLLS]
    if foreign:
        fail("imports DLLs that are not known DLLs: %s" % ", ".join(foreign))
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, ddir + 16)
    if rsrc_size == 0:
        fail("no resources")
    rsrc = data[off(rsrc_rva):off(rsrc_rva) + rsrc_size]
    if b'level="asInvoker"' not in rsrc:
        fail("no asInvoker manifest")
    sig = rsrc.find(struct.pack("<I", 0xFEEF04BD))
    if sig < 0:
        fail("no version resource")
    ms, ls = struct.unpack_from("<II", rsrc, sig + 8)
    got = "%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16)
    if got != version:
        fail("file version %s, expected %s" % (got, version))
    print("ok: %s GUI, imports %s, asInvoker, version %s" %
          (path, " ".join(dlls), got))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
