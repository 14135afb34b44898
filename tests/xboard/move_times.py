#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How long the first engine took for each move, from xboard's debug logs.

Usage: move_times.py XBOARD.debug [XBOARD.debug ...]
xboard stamps every line of its debug log with milliseconds. An engine's
time for a move runs from the last line xboard sent it to its "move" reply;
time spent reading the interface's lines is therefore counted too.
"""
import os
import re
import statistics
import sys

LINE = re.compile(r"^(\d+) ([<>])first : (.*)$")


def move_times(path):
    times, last_sent = [], None
    with open(path, encoding="utf-8", errors="replace") as log:
        for line in log:
            m = LINE.match(line.rstrip("\n"))
            if not m:
                continue
            stamp, direction, text = int(m.group(1)), m.group(2), m.group(3)
            if direction == ">":
                last_sent = stamp
            elif text.startswith("move ") and last_sent is not None:
                times.append(stamp - last_sent)
                last_sent = None
    return times


def main(paths):
    # A match that saved no log (it never started) adds no moves.
    times = [t for path in paths if os.path.exists(path) for t in move_times(path)]
    if not times:
        print("first engine: no moves found")
        return 1
    print("first engine: %d moves, %.0f ms a move on average (median %.0f, longest %d)"
          % (len(times), statistics.mean(times), statistics.median(times), max(times)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
