#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays Galvetta against fairymax under the real xboard on a private Xvfb:
# two games at 40 moves in 12 seconds with colours alternating, in version 2
# of the protocol (setboard, usermove, ping, thinking output), one more with
# xboard held to version 1, then one game from a set-up position with Black to
# move, then two games with Galvetta speaking UCI through polyglot (where a
# loss on time is a fault too), all at the same control. Every game must end by mate,
# stalemate, a draw rule, adjudication or time: never by an illegal move, a
# false claim, a crash or a stall. Prints the results; exits non-zero on a fault.
# Usage: match_test.sh GALVETTA_BINARY OUTPUT_DIR
set -u
galvetta=$(realpath "$1")
out=$(mkdir -p "$2" && cd "$2" && pwd)
PATH="$PATH:/usr/games"
for tool in xboard Xvfb fairymax polyglot python3; do
    command -v "$tool" >/dev/null || { echo "match_test: $tool is not installed"; exit 1; }
done

xvfb_pid= xboard_pid=
finish() {
    # End only what this script started: xboard (which ends its engines) and Xvfb.
    [ -n "$xboard_pid" ] && kill "$xboard_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap finish EXIT

# A display file left by an earlier run would be read before Xvfb empties it.
rm -f "$out/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
display=$(tr -d '[:space:]' <"$out/display")
[ -n "$display" ] || { echo "match_test: Xvfb did not start"; exit 1; }
mkdir -p "$out/home"

# play_once NAME WALL_SECONDS XBOARD_ARGUMENTS...: one match; its games in NAME.pgn.
# fairymax 5.0b takes the "computer" that xboard sends each engine at a game
# start for a move, and then crashes about half the time (seen standalone:
# 33 of 60 runs), so it gets an empty line instead.
play_once() {
    local name=$1 wall=$2
    shift 2
    rm -f "$out/$name.pgn"
    HOME="$out/home" DISPLAY=":$display" xboard \
        -fcp "$galvetta --save-games $out/galvetta-games.pgn" -fd "$out" -fn Galvetta -scp fairymax -sd "$out" -sn fairymax \
        -secondComputerString "" -matchMode true -saveGameFile "$out/$name.pgn" -pgnExtendedInfo true \
        -debugMode true -nameOfDebugFile "$out/$name.debug" \
        -autoCallFlag true -testLegality true -testClaims true -checkMates true \
        -materialDraws true -trivialDraws false -repeatsToDraw 3 -ponderNextMove false \
        -popupExitMessage false -popupMoveErrors false -saveSettingsOnExit false \
        -animateMoving false -flashCount 0 -soundProgram "" -matchPause 500 \
        "$@" >"$out/$name.stdout" 2>"$out/$name.stderr" </dev/null &
    xboard_pid=$!
    local waited=0
    while kill -0 "$xboard_pid" 2>/dev/null && [ $waited -lt "$wall" ]; do
        sleep 1
        waited=$((waited + 1))
    done
    if kill -0 "$xboard_pid" 2>/dev/null; then
        echo "match_test: $name did not finish within ${wall}s (a stall)"
        return 1
    fi
    wait "$xboard_pid"
    xboard_pid=
}

# play NAME WALL_SECONDS XBOARD_ARGUMENTS...: one match, played again once when
# the peer (always xboard's second engine) broke off a game. Galvetta's faults
# are never replayed; the peer's first failure is shown with its last traffic.
play() {
    local name=$1
    play_once "$@" || return 1
    grep -qi "second chess program\|second program" "$out/$name.pgn" 2>/dev/null || return 0
    echo "match_test: fairymax broke off a game in $name; its last lines in xboard's log:"
    grep -a "second" "$out/$name.debug" | tail -12 | sed 's/^/  /'
    tail -5 "$out/$name.stderr" | sed 's/^/  stderr: /'
    for file in pgn debug stderr; do mv "$out/$name.$file" "$out/$name.broken.$file" 2>/dev/null; done
    echo "match_test: playing $name again"
    play_once "$@"
}

# fairymax must answer a first move on its own; otherwise the match would only
# measure a broken peer.
peer_reply=$(cd "$out" && printf 'xboard\nprotover 2\nmemory 68\nnew\nst 1\nforce\nd2d4\nblack\ngo\n' |
    timeout 30 fairymax 2>&1)
peer_status=$?
if ! grep -q '^move ' <<<"$peer_reply"; then
    echo "match_test: fairymax alone did not answer d2d4 (exit status $peer_status); its last lines:"
    tail -8 <<<"$peer_reply" | sed 's/^/  /'
    exit 1
fi

echo "r1bqk2r/pp1nbppp/2p1pn2/3p4/P1PP4/2N2N2/1P2PPPP/R1BQKB1R b KQkq - 0 7" >"$out/black-to-move.fen"

rm -f "$out/galvetta-games.pgn"
status=0
# Short controls: every check is made move by move, and a game plays about as
# many moves at 40 moves in 12 seconds as at 40 in 2 minutes.
play games 400 -matchGames 2 -mps 40 -tc 0:12 || status=1
play v1 200 -matchGames 1 -mps 40 -tc 0:12 -firstProtocolVersion 1 || status=1
play setup 200 -matchGames 1 -mps 40 -tc 0:12 -loadPositionFile "$out/black-to-move.fen" -loadPositionIndex 1 || status=1
# Galvetta speaking UCI, turned into an xboard engine by polyglot.
play uci 400 -fcp "polyglot -noini -ec $galvetta" -matchGames 2 -mps 40 -tc 0:12 || status=1

python3 "$(dirname "$0")/check_games.py" "$out/games.pgn" 2 "$out/v1.pgn" 1 "$out/setup.pgn" 1 \
    --no-time-loss "$out/uci.pgn" 2 >"$out/results.txt" || status=1
python3 "$(dirname "$0")/move_times.py" "$out/games.debug" "$out/v1.debug" "$out/setup.debug" >>"$out/results.txt"
# Version 1 was spoken where it was asked for, version 2 elsewhere.
grep -aq '>first : protover' "$out/v1.debug" && { echo "match_test: xboard probed version 2 in the v1 game"; status=1; }
grep -aq '<first : feature done=1' "$out/games.debug" || { echo "match_test: no version 2 handshake"; status=1; }
echo "in UCI mode through polyglot:" >>"$out/results.txt"
python3 "$(dirname "$0")/move_times.py" "$out/uci.debug" >>"$out/results.txt"
# The games as Galvetta itself saved them, read by pgn-extract and chess.js.
tool=$(dirname "$galvetta")/../tools/galvetta-tool
python3 "$(dirname "$0")/../pgn/check_pgn.py" "$tool" "$out/galvetta-games.pgn" >>"$out/results.txt" || status=1
cat "$out/results.txt"
exit $status
