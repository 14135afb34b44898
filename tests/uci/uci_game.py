#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Plays Galvetta in UCI mode against stockfish on a clock, with stockfish's
own move list ("go perft 1") as the referee of every move.

Usage: uci_game.py GALVETTA [--moves N] [--seconds S] [--skill K] [--depth D] [--games G]
Each side has S seconds for every N moves (movestogo counts down). A game
ends by mate or stalemate, by a draw rule, or after N moves. Games are played
with colours alternating until one has lasted N moves, G games at most;
stockfish plays at skill level K (0 to 20), D plies deep, so that one does.
Prints each game and one last line; exits 1 on an illegal move, a loss on
time or a missing answer in any game, or when no game lasted N moves.
"""
import argparse
import os
import subprocess
import sys
import time


class Engine:
    def __init__(self, command, name):
        self.name = name
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True, bufsize=1)

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def until(self, prefix, seconds=60):
        """The lines read up to and with the first that starts with prefix."""
        lines, deadline = [], time.monotonic() + seconds
        while time.monotonic() < deadline:
            line = self.process.stdout.readline()
            if not line:
                break
            line = line.rstrip("\n")
            lines.append(line)
            if line.startswith(prefix):
                return lines
        raise RuntimeError(f"{self.name}: no '{prefix}' (last lines: {lines[-3:]})")

    def close(self):
        try:
            self.send("quit")
            self.process.wait(timeout=5)
        except Exception:
            self.process.kill()


def legal_moves(referee, moves):
    referee.send("position startpos moves " + " ".join(moves))
    referee.send("go perft 1")
    lines = referee.until("Nodes searched")
    return {line.split(":")[0] for line in lines if ":" in line and not line.startswith("Nodes")}


def position_key(referee, moves):
    """The position for repetitions, the half-move clock, and whether the side to move is in check."""
    referee.send("position startpos moves " + " ".join(moves))
    referee.send("d")
    lines = referee.until("Checkers:")
    fen = next(line for line in lines if line.startswith("Fen:"))
    board, side, castling, ep, halfmoves = fen.split()[1:6]
    return (board, side, castling, ep), int(halfmoves), lines[-1].split(":", 1)[1].strip() != ""


def play_game(args, galvetta, stockfish, referee, galvetta_white):
    """One game; its moves, how it ended, what went wrong (or None) and the clocks."""
    for engine in (galvetta, stockfish, referee):
        engine.send("ucinewgame")
        engine.send("isready")
        engine.until("readyok")
    players = [galvetta, stockfish] if galvetta_white else [stockfish, galvetta]
    clocks, longest = [args.seconds, args.seconds], [0.0, 0.0]
    moves, seen, result, fault = [], {}, None, None
    while result is None and fault is None:
        side = len(moves) % 2
        legal = legal_moves(referee, moves)
        key, halfmoves, in_check = position_key(referee, moves)
        seen[key] = seen.get(key, 0) + 1
        if not legal:
            result = ("0-1" if side == 0 else "1-0") + " mate" if in_check else "1/2-1/2 stalemate"
        elif seen[key] >= 3 or halfmoves >= 100:
            result = "1/2-1/2 draw rule"
        elif len(moves) >= 2 * args.moves:
            result = f"* {args.moves} moves played"
        if result is not None:
            break
        to_go = args.moves - (len(moves) // 2) % args.moves
        player = players[side]
        player.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        start = time.monotonic()
        limit = f" depth {args.depth}" if player is stockfish else ""
        player.send(f"go wtime {int(clocks[0] * 1000)} btime {int(clocks[1] * 1000)} movestogo {to_go}{limit}")
        answer = player.until("bestmove ", seconds=clocks[side] + 5)[-1].split()[1]
        spent = time.monotonic() - start
        longest[side] = max(longest[side], spent)
        clocks[side] -= spent
        if clocks[side] < 0:
            fault = f"{player.name} lost on time at move {len(moves) // 2 + 1}"
        elif answer not in legal:
            fault = f"{player.name} played the illegal move {answer} at move {len(moves) // 2 + 1}"
        else:
            moves.append(answer)
            if len(moves) % (2 * args.moves) == 0:
                clocks = [c + args.seconds for c in clocks]
    mine = 0 if galvetta_white else 1
    return moves, result, fault, clocks[mine], longest[mine]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("galvetta")
    parser.add_argument("--moves", type=int, default=40)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--skill", type=int, default=0)
    parser.add_argument("--depth", type=int, default=2)
    parser.add_argument("--games", type=int, default=12)
    args = parser.parse_args()
    os.environ["PATH"] += os.pathsep + "/usr/games"  # where Debian puts stockfish

    galvetta = Engine([args.galvetta, "--uci"], "Galvetta")
    stockfish = Engine(["stockfish"], "stockfish")
    referee = Engine(["stockfish"], "referee")
    for engine in (galvetta, stockfish, referee):
        engine.send("uci")
        engine.until("uciok")
    stockfish.send(f"setoption name Skill Level value {args.skill}")

    # Games with colours alternating until one has lasted the moves asked for;
    # every move of every game is checked.
    fault, long_enough = None, False
    for game in range(args.games):
        moves, result, fault, clock, longest = play_game(args, galvetta, stockfish, referee, game % 2 == 0)
        played = (len(moves) + 1) // 2
        colour = "White" if game % 2 == 0 else "Black"
        print(f"game {game + 1}, Galvetta {colour}: {' '.join(moves)}")
        print(f"  {played} moves; {result or 'stopped'}; Galvetta's clock {clock:.1f} s, longest move {longest:.2f} s")
        long_enough = played >= args.moves
        if fault or long_enough:
            break
    for engine in (galvetta, stockfish, referee):
        engine.close()
    if fault is None and not long_enough:
        fault = f"no game lasted {args.moves} moves in {args.games} games"
    print("FAULT: " + fault if fault else f"result: a game of {args.moves} moves, every move legal, no loss on time")
    return 1 if fault else 0


if __name__ == "__main__":
    sys.exit(main())
