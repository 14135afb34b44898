#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails when a source file includes from a room above its own.

Usage: layers_test.py SOURCE_DIR

The floors, lowest first: engine, notation, search, play, protocol, host (the
game on Qt's event loop, no widget), then the window (ui), and the programs
(app, tools) on top. A file may include from its own room and the rooms below
it; below host no file includes Qt, and the engine alone (app/EngineHost)
includes nothing of the window.
Tests include what they test, so tests/X follows the rule of X; the engine's
tests may also set their positions up from FEN through notation.
"""
import os
import re
import sys

FLOORS = ["engine", "notation", "search", "play", "protocol", "host", "ui"]
# What each room may include besides itself and the floors below it.
ALLOWED = {room: set(FLOORS[:i + 1]) for i, room in enumerate(FLOORS)}
ALLOWED["ui"] = set(FLOORS)
ALLOWED["app"] = set(FLOORS) | {"app"}
ALLOWED["tools"] = set(FLOORS[:5]) | {"tools"}
RULES = dict(ALLOWED)
RULES.update({"tests/" + room: allowed for room, allowed in ALLOWED.items()})
RULES["tests/engine"] = {"engine", "notation"}
# Files with a rule of their own: the engine alone runs without the window.
FILE_RULES = {"app/EngineHost.cpp": set(FLOORS[:6]) | {"app"}, "app/EngineHost.h": set(FLOORS[:6]) | {"app"}}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def rooms_of(root):
    """Each source file with the room whose rule it follows ("tests/engine" for the engine's tests)."""
    for room in ALLOWED:
        for folder, rule in ((os.path.join(root, room), room), (os.path.join(root, "tests", room), "tests/" + room)):
            for dirpath, _, files in os.walk(folder):
                for name in files:
                    if name.endswith((".h", ".cpp")):
                        yield rule, os.path.join(dirpath, name)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    faults, checked = [], 0
    below_ui = set(FLOORS[:5])
    for room, path in rooms_of(root):
        checked += 1
        with open(path, encoding="utf-8") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                bracket, target = match.groups()
                where = "%s:%d" % (os.path.relpath(path, root), number)
                if bracket == "<" and room.replace("tests/", "") in below_ui and target.startswith("Q"):
                    faults.append("%s includes Qt (%s) below the window" % (where, target))
                top = target.split("/")[0]
                rule = FILE_RULES.get(os.path.relpath(path, root), RULES[room])
                if bracket == '"' and "/" in target and top in ALLOWED and top not in rule:
                    faults.append("%s: %s includes %s, a room above it" % (where, room, target))
    # The front-ends call the game: they reach neither the search's driver nor the board.
    for dirpath, _, files in os.walk(os.path.join(root, "protocol")):
        for name in files:
            path = os.path.join(dirpath, name)
            with open(path, encoding="utf-8") as source:
                for number, line in enumerate(source, 1):
                    if re.search(r"\b(TEngineDriver|TBoardModel|Driver\(\)|Board\(\))", line):
                        faults.append("%s:%d: a front-end reaches past the game" % (os.path.relpath(path, root), number))
    # One clock: only the game (play/) starts, stops or switches a clock.
    clock_call = re.compile(r"\b(clk\w+|white_?|black_?|clock_?|running|ticking)\s*(\.|->)\s*(Start|Stop|Switch|Tick)\(")
    for room in ("protocol", "host", "ui", "app", "tools"):
        for dirpath, _, files in os.walk(os.path.join(root, room)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8") as source:
                    for number, line in enumerate(source, 1):
                        if clock_call.search(line):
                            faults.append("%s:%d: a clock driven outside the game" % (os.path.relpath(path, root), number))
    for fault in faults:
        print(fault)
    print("layers: %d files checked, %d includes against the floors" % (checked, len(faults)))
    return 1 if faults or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
