#!/usr/bin/env python3
"""Runs a command under strace and prints the bytes of files it mapped
(mmap of a file descriptor) and the bytes its read calls returned:

  mapped.py COMMAND [ARGS...]  ->  "<mapped> <read>"
"""
import os
import re
import subprocess
import sys
import tempfile

MMAP = re.compile(r"mmap\(\w+, (\d+), [^,]+, [^,]+, (-?\d+), \w+\) = 0x")
READ = re.compile(r"\b(?:read|pread64|readv|preadv)\(.*\) = (\d+)$")


def main():
    with tempfile.TemporaryDirectory() as tmp:
        log = os.path.join(tmp, "trace")
        subprocess.run(["strace", "-f", "-qq", "-e",
                        "trace=mmap,read,pread64,readv,preadv", "-o", log]
                       + sys.argv[1:], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=False)
        mapped = read = 0
        with open(log) as f:
            for line in f:
                m = MMAP.search(line)
                if m and int(m.group(2)) >= 0:
                    mapped += int(m.group(1))
                    continue
                m = READ.search(line.rstrip())
                if m:
                    read += int(m.group(1))
    print(mapped, read)


if __name__ == "__main__":
    main()
