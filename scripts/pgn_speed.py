#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reading PGN beside pgn-extract.

Usage: scripts/pgn_speed.py [PATH-TO-galvetta-tool] [--runs N]

Makes (once, with chess.js: scripts/random_games.mjs) a file of 20,000 games
of ten random legal plies each, the same on every machine, then reads it with
"galvetta-tool pgn" (every move replayed, the final position printed) and
with "pgn-extract -s" (every move checked), in turn, N times each (default 5),
and prints the median CPU seconds of each and their ratio. It exits with
status 1 when galvetta-tool takes more than three times as long.
"""
import os
import resource
import statistics
import subprocess
import sys

GAMES, PLIES, SEED = 20000, 10, 7
PGN_EXTRACT = "/usr/games/pgn-extract"


def cpu_seconds(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    args = sys.argv[1:]
    runs = 5
    if "--runs" in args:
        i = args.index("--runs")
        runs = int(args[i + 1])
        del args[i:i + 2]
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    tool = args[0] if args else os.path.join(root, "build", "release", "tools", "galvetta-tool")
    games = os.path.join(root, "build", "pgn-bench", "games-%d-%d-%d.pgn" % (GAMES, PLIES, SEED))
    if not os.path.exists(games):
        os.makedirs(os.path.dirname(games), exist_ok=True)
        env = dict(os.environ, CHESS_JS_DIR=os.path.join(root, "build", "chess-js", "node_modules"))
        with open(games + ".part", "w") as out:
            subprocess.run(["node", os.path.join(root, "scripts", "random_games.mjs"), str(GAMES), str(PLIES),
                            str(SEED)], stdout=out, env=env, check=True)
        os.rename(games + ".part", games)
    ours, theirs = [], []
    for _ in range(runs):
        ours.append(cpu_seconds([tool, "pgn", games]))
        theirs.append(cpu_seconds([PGN_EXTRACT, "-s", "-o", os.devnull, games]))
    mine, other = statistics.median(ours), statistics.median(theirs)
    print("PGN, %d games of %d plies, median CPU of %d runs: galvetta-tool pgn %.3f s, pgn-extract -s %.3f s, "
          "ratio %.2f" % (GAMES, PLIES, runs, mine, other, mine / other))
    if mine > 3 * other:
        print("pgn_speed: galvetta-tool is more than three times slower than pgn-extract")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
