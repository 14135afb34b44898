#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads the PGN files of a match under xboard and checks how every game ended.

Usage: check_games.py [--no-time-loss] FILE.pgn EXPECTED_GAMES [[--no-time-loss] FILE.pgn EXPECTED_GAMES ...]
Prints each game, the score and the losses on time; exits 1 when a game ended
by an illegal move, a false claim, a crash or not at all, or games are missing,
and for a file marked --no-time-loss also when Galvetta lost a game on time.
"""
import re
import sys

BAD = re.compile(r"illegal|invalid|false|forfeit|crash|disconnect|abort|stall", re.I)
GOOD = re.compile(r"mate|stalemate|draw|repetition|50|insufficient|material|time|flag|adjudication|resign", re.I)


def games(text):
    for block in re.split(r"\n(?=\[Event )", text.strip()):
        if not block.strip():
            continue
        tags = dict(re.findall(r'^\[(\w+) "([^"]*)"\]', block, re.M))
        moves = block.split("\n\n", 1)[1] if "\n\n" in block else ""
        comments = re.findall(r"\{([^}]*)\}", moves)
        yield tags, (comments[-1] if comments else ""), moves


def main(argv):
    ok = True
    points = 0.0
    played = 0
    time_losses = []
    matches, strict = [], False
    for word in argv[1:]:
        if word == "--no-time-loss":
            strict = True
        elif len(matches) and len(matches[-1]) == 2:
            matches[-1].append(word)
        else:
            matches.append([word, strict])
            strict = False
    for path, strict, expected in matches:
        try:
            text = open(path, encoding="utf-8", errors="replace").read()
        except OSError:
            print(f"{path}: no games saved")
            ok = False
            continue
        found = list(games(text))
        if len(found) != int(expected):
            print(f"{path}: {len(found)} games, expected {expected}")
            ok = False
        for tags, reason, moves in found:
            white, black, result = tags.get("White"), tags.get("Black"), tags.get("Result")
            plies = len(re.findall(r"\b[a-hKQRBNO][^\s{}]*", re.sub(r"\{[^}]*\}|\d+\.", " ", moves)))
            print(f"{white} - {black}: {result} {{{reason}}} ({plies} plies)")
            played += 1
            if result == "*" or BAD.search(reason) or not GOOD.search(reason):
                print("  ^ this game did not end properly")
                ok = False
            galvetta_white = white == "Galvetta"
            if result == "1/2-1/2":
                points += 0.5
            elif (result == "1-0") == galvetta_white and result in ("1-0", "0-1"):
                points += 1
            elif result in ("1-0", "0-1") and re.search(r"time|flag", reason, re.I):
                time_losses.append(reason)
                if strict:
                    print("  ^ Galvetta lost this game on time")
                    ok = False
    print(f"Galvetta scored {points}/{played}; losses on time: {len(time_losses)}")
    for reason in time_losses:
        print(f"  lost on time: {reason}")
    print("all games ended properly" if ok else "FAULT: see above")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
