#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks PGN files that Galvetta wrote with two other readers.

For each file: galvetta-tool pgn replays it; Debian's pgn-extract must read it
without a complaint (pgn-extract -s -Wepd), and chess.js (when CHESS_JS_DIR
names a folder holding it) must replay every game. All three must agree on
each game's final position (placement, side to move, castling rights).

usage: check_pgn.py TOOL FILE...
"""
import os
import re
import subprocess
import sys
import tempfile

LINE = re.compile(r'^game (\d+): .*\((\d+) plies\), final (.*)$')


def key(fen):
    return ' '.join(fen.split()[:3])


def main():
    tool, files = sys.argv[1], sys.argv[2:]
    checked = 0
    for path in files:
        ours = subprocess.run([tool, 'pgn', path], capture_output=True, text=True)
        if ours.returncode != 0:
            sys.exit(f'{path}: galvetta-tool pgn failed: {ours.stderr.strip()}')
        games = [LINE.match(line).groups() for line in ours.stdout.splitlines() if LINE.match(line)]
        if not games:
            sys.exit(f'{path}: no games')

        with tempfile.NamedTemporaryFile(suffix='.epd') as epd:
            extract = subprocess.run(['pgn-extract', '-s', '-Wepd', path, '-o', epd.name],
                                     capture_output=True, text=True)
            if extract.returncode != 0 or extract.stderr.strip():
                sys.exit(f'{path}: pgn-extract complains: {extract.stderr.strip()}')
            # -Wepd writes every position of a game, the start included, and a
            # blank line after each game.
            groups = [[line.split(' c0 ')[0] for line in block.splitlines()]
                      for block in open(epd.name).read().strip().split('\n\n')]
        if len(groups) != len(games):
            sys.exit(f'{path}: pgn-extract read {len(groups)} games, galvetta-tool {len(games)}')
        for (number, plies, fen), positions in zip(games, groups):
            if len(positions) != int(plies) + 1 or key(positions[-1]) != key(fen):
                sys.exit(f'{path}: game {number}: pgn-extract ends at {positions[-1]} after '
                         f'{len(positions) - 1} plies, galvetta-tool at {fen} after {plies}')

        if os.environ.get('CHESS_JS_DIR'):
            here = os.path.dirname(os.path.abspath(__file__))
            js = subprocess.run(['node', os.path.join(here, 'replay.mjs'), path], capture_output=True, text=True)
            if js.returncode != 0:
                sys.exit(f'{path}: chess.js: {js.stderr.strip()}')
            finals = js.stdout.split('\n')[:-1]
            if len(finals) != len(games):
                sys.exit(f'{path}: chess.js read {len(finals)} games, galvetta-tool {len(games)}')
            for (number, _, fen), theirs in zip(games, finals):
                if key(theirs) != key(fen):
                    sys.exit(f'{path}: game {number}: chess.js ends at {theirs}, galvetta-tool at {fen}')
        checked += len(games)
        print(f'{path}: {len(games)} games agree')
    print(f'{checked} games checked' + ('' if os.environ.get('CHESS_JS_DIR') else ' (without chess.js)'))


if __name__ == '__main__':
    main()
