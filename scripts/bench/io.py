#!/usr/bin/env python3
"""Runs a command REPS times and prints the median bytes it moved through
read and write calls (rchar, wchar of /proc/PID/io, its children included):

  io.py REPS COMMAND [ARGS...]  ->  "<rchar> <wchar>"

A reaped child's counters are added to its parent's, so the difference of
this process's own counters across one run is that run's. Pages that the
command maps (mmap) are not counted here."""
import os
import statistics
import subprocess
import sys


def counters():
    values = {}
    with open("/proc/self/io") as f:
        for line in f:
            name, _, value = line.partition(":")
            values[name] = int(value)
    return values["rchar"], values["wchar"]


def main():
    reps = int(sys.argv[1])
    cmd = sys.argv[2:]
    reads, writes = [], []
    for _ in range(reps):
        r0, w0 = counters()
        subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)
        r1, w1 = counters()
        reads.append(r1 - r0)
        writes.append(w1 - w0)
    # The read of /proc/self/io itself lands in the second sample.
    print(int(statistics.median(reads)), int(statistics.median(writes)))


if __name__ == "__main__":
    main()
