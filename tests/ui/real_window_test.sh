#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Galvetta in a real window under a private Xvfb: drag White's e-pawn two
# squares with xdotool, see the engine answer (on its output and through the
# conversation server), and keep a screenshot. Then, with --no-window and the
# display still set, no window opens and the engine plays on its pipes.
# Last, a game on screens of 1280x1024, 1024x600 and 800x600 and in a dark
# Fusion palette, everything in sight, kept as screenshots.
# Usage: real_window_test.sh GALVETTA GALVETTA_TOOL WINDOW_SCREENS SCREENSHOT_DIR
set -u
galvetta=$1 tool=$2 screens=$3 shots=$4
mkdir -p "$shots"
for t in Xvfb xdotool xwd convert; do
    command -v "$t" >/dev/null || { echo "real_window_test: $t is not installed"; exit 1; }
done
work=$(mktemp -d)
xvfb_pid= app_pid= feeder_pid=
finish() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$feeder_pid" ] && kill "$feeder_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT

# A private X server of the given size; DISPLAY names it.
start_xvfb() {
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=:$(tr -d '[:space:]' <"$work/display")
}
stop_xvfb() {
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
}
start_xvfb 1280x1024

# Standard input stays open (a window program does not end with its input).
mkfifo "$work/in"
sleep 300 >"$work/in" &
feeder_pid=$!
"$galvetta" <"$work/in" >"$work/out" 2>/dev/null &
app_pid=$!

window=
for _ in $(seq 100); do
    window=$(xdotool search --name "Galvetta Release" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "real_window_test: no window"; exit 1; }
sleep 1
# The conversation server is named after the program, or with its process id
# when another instance holds that name.
server=galvetta-$app_pid
"$tool" talk --server "$server" request >/dev/null 2>&1 || server=galvetta

# Find the board on the screen: a8 and h1 are light squares, the first and
# the last pixels of that colour on the left of the window.
xwd -root -silent | convert xwd:- "$work/before.png"
read -r bx by ex < <(convert "$work/before.png" -crop 900x1024+0+0 txt:- |
    awk -F'[,: ]+' '/#EEDCBA/ {if (x == "") {x = $1; y = $2} last = $1} END {print x, y, last}')
[ -n "${bx:-}" ] || { echo "real_window_test: board not found on screen"; exit 1; }
cell=$(((ex - bx + 1) / 8))
echo "board at $bx,$by with squares of $cell pixels"
e2x=$((bx + 4 * cell + cell / 2)) e2y=$((by + 6 * cell + cell / 2))
e4y=$((by + 4 * cell + cell / 2))
xdotool mousemove "$e2x" "$e2y" mousedown 1
for y in $(seq "$e2y" -8 "$e4y"); do xdotool mousemove "$e2x" "$y"; done
xdotool mousemove "$e2x" "$e4y" mouseup 1

answer=
for _ in $(seq 300); do
    answer=$(grep -m1 '^move ' "$work/out")
    [ -n "$answer" ] && break
    sleep 0.1
done
sleep 0.5
xwd -root -silent | convert xwd:- "$shots/galvetta-window.png"
item=$("$tool" talk --server "$server" request)
echo "engine answered: ${answer:-nothing}; item: $item"
[ -n "$answer" ] || { echo "real_window_test: the engine did not answer the dragged move"; exit 1; }
[ "$item" = "VALUE $answer" ] || { echo "real_window_test: the conversation item is not the engine's move"; exit 1; }
echo "screenshot: $shots/galvetta-window.png"

kill "$app_pid" 2>/dev/null
wait "$app_pid" 2>/dev/null
app_pid=
coproc HEADLESS { exec "$galvetta" --no-window 2>/dev/null; }
app_pid=$HEADLESS_PID
read -r -t 10 greeting <&"${HEADLESS[0]}"
echo "e2e4" >&"${HEADLESS[1]}"
read -r -t 60 reply <&"${HEADLESS[0]}"
windows=$(xdotool search --name "Galvetta" 2>/dev/null | wc -l)
echo "quit" >&"${HEADLESS[1]}"
echo "--no-window: ${reply:-no reply}, $windows windows"
[ "${reply:0:5}" = "move " ] || { echo "real_window_test: --no-window did not answer e2e4"; exit 1; }
[ "$windows" -eq 0 ] || { echo "real_window_test: --no-window opened a window"; exit 1; }

# The game on three screens, each with a private X server.
kill "$app_pid" 2>/dev/null
wait "$app_pid" 2>/dev/null
app_pid=
stop_xvfb
for screen in "1280x1024 galvetta-1280x1024.png 0" "1024x600 galvetta-1024x600.png 0" \
    "1280x1024 galvetta-dark.png 1" "1280x1024 galvetta-stepped.png 0 1" \
    "1280x1024 galvetta-graph.png 0 0 graph" "1280x1024 galvetta-marks.png 0 0 marks" \
    "1280x1024 galvetta-promotion.png 0 0 promotion" "1024x600 galvetta-1024x600-edit.png 0 0 edit" \
    "800x600 galvetta-800x600.png 0" "800x600 galvetta-800x600-edit.png 1 0 edit" \
    "800x600 galvetta-800x600-stepped.png 0 1" "800x600 galvetta-800x600-flag.png 0 0 flag"; do
    read -r size file dark stepped scene <<<"$screen"
    start_xvfb "$size"
    QT_QPA_PLATFORM=xcb SCREENSHOT="$shots/$file" DARK=$dark STEPPED=${stepped:-0} SCENE=${scene:-} "$screens" -silent ||
        { echo "real_window_test: the window on $size (dark $dark) failed"; exit 1; }
    stop_xvfb
done
echo "screenshots: $shots"
