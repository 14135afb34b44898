#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Start to "quit" of the engine alone, beside fairymax.

Usage: scripts/startup.py [PATH-TO-galvetta] [--runs N]

Runs "galvetta --no-window" and Debian's fairymax in turn, N times each
(default 10), each given "quit" at once, and prints the median wall time of
each and their ratio, and galvetta's peak resident memory. It exits with
status 1 when galvetta is slower than fairymax or peaks at 25 MiB or more.
"""
import os
import statistics
import subprocess
import sys
import time

FAIRYMAX = "/usr/games/fairymax"


def run_once(command):
    """Wall time (ms) of one start to quit."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    start = time.monotonic()
    process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, env=env)
    process.communicate(b"quit\n", timeout=30)
    return (time.monotonic() - start) * 1000


def main():
    args = sys.argv[1:]
    runs = 10
    if "--runs" in args:
        i = args.index("--runs")
        runs = int(args[i + 1])
        del args[i:i + 2]
    here = os.path.dirname(os.path.abspath(__file__))
    galvetta = args[0] if args else os.path.join(here, "..", "build", "release", "app", "galvetta")
    ours, theirs = [], []
    for _ in range(runs):
        ours.append(run_once([galvetta, "--no-window"]))
        theirs.append(run_once([FAIRYMAX]))
    # The peak of galvetta alone, measured in a child of its own.
    peak = subprocess.run([sys.executable, "-c",
                           "import resource, subprocess, sys\n"
                           "subprocess.run([sys.argv[1], '--no-window'], input=b'quit\\n', capture_output=True)\n"
                           "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)", galvetta],
                          capture_output=True, text=True, check=True).stdout.strip()
    peak_mib = int(peak) / 1024
    mine, other = statistics.median(ours), statistics.median(theirs)
    print("start to quit, median of %d runs: galvetta --no-window %.1f ms, fairymax %.1f ms, ratio %.2f"
          % (runs, mine, other, mine / other))
    print("galvetta --no-window peak resident memory: %.1f MiB" % peak_mib)
    broken = mine > other or peak_mib >= 25
    if broken:
        print("startup: slower than fairymax or 25 MiB or more")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
