#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Games that Galvetta writes, read by other programs: 50 self-played games
# from the game layer's writer, and games that the program itself appended
# with --save-games (castling, en passant, a promotion, its own replies, a
# result from the interface, play past a repetition, a game equal to the one
# before it, a result word that PGN does not know). pgn-extract and chess.js
# must read every one to the final position galvetta-tool pgn gives.
# Usage: pgn_readers_test.sh NOTATION_TESTS GALVETTA GALVETTA_TOOL OUTPUT_DIR
set -euo pipefail
notation_tests=$1 galvetta=$2 tool=$3
out=$(mkdir -p "$4" && cd "$4" && pwd)
PATH="$PATH:/usr/games"
[ -n "${CHESS_JS_DIR:-}" ] && [ -d "$CHESS_JS_DIR/chess.js" ] ||
    { echo "pgn_readers_test: chess.js is not installed (scripts/deps.sh test installs it)"; exit 1; }

GALVETTA_PGN_OUT="$out/self-play.pgn" "$notation_tests" --gtest_filter=PgnRoundTrip.* >/dev/null

rm -f "$out/saved.pgn"
{
    printf 'xboard\nname Tester\nnew\nforce\n'
    printf '%s\n' e2e4 g8f6 e4e5 d7d5 e5d6 e7d6 g1f3 f8e7 f1c4 e8g8 e1g1 b8c6
    printf 'result 1/2-1/2 {agreed}\nnew\nforce\n'
    printf '%s\n' a2a4 b7b5 a4b5 a7a6 b5a6 c8b7 a6b7 b8c6 b7a8q
    printf 'st 1\nblack\ngo\n'
    sleep 3
    # The knights go out and back twice, and the interface plays on past the
    # third start: under an interface the record keeps every move it played.
    printf 'new\nforce\n'
    printf '%s\n' g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 e2e4
    # The same game twice is two games; a result that PGN does not know is
    # written as "*" with the interface's words kept in the comment.
    printf 'new\nforce\ne2e4\ne7e5\nresult 1-0 {White resigns}\n'
    printf 'new\nforce\ne2e4\ne7e5\nresult 0-1 {Black resigns}\n'
    printf 'new\nforce\nd2d4\nresult White-wins {adjudicated}\n'
    printf 'quit\n'
} | env -u DISPLAY -u WAYLAND_DISPLAY "$galvetta" --save-games "$out/saved.pgn" >"$out/saved.log"
games=$(grep -c '^\[Event ' "$out/saved.pgn")
[ "$games" -eq 6 ] || { echo "pgn_readers_test: --save-games wrote $games games, not 6"; cat "$out/saved.pgn"; exit 1; }
grep -q '4\. Ng1 Ng8 5\. e4 \*$' "$out/saved.pgn" ||
    { echo "pgn_readers_test: play past the repetition was not recorded"; cat "$out/saved.pgn"; exit 1; }
grep -q '1\. e4 e5 {White resigns} 1-0$' "$out/saved.pgn" && grep -q '1\. e4 e5 {Black resigns} 0-1$' "$out/saved.pgn" ||
    { echo "pgn_readers_test: a game equal to the one before was dropped"; cat "$out/saved.pgn"; exit 1; }
grep -q '1\. d4 {White-wins adjudicated} \*$' "$out/saved.pgn" ||
    { echo "pgn_readers_test: a result word PGN does not know was written as a result"; exit 1; }
grep -q '^\[Result "1/2-1/2"\]' "$out/saved.pgn" || { echo "pgn_readers_test: the interface's result was not kept"; exit 1; }
grep -q 'bxa8=Q' "$out/saved.pgn" || { echo "pgn_readers_test: the promotion is missing"; exit 1; }

python3 "$(dirname "$0")/check_pgn.py" "$tool" "$out/self-play.pgn" "$out/saved.pgn"
