#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Another local user cannot pose as Galvetta's conversation server: not by
# taking its name first, not in the shared temporary directory, and not at a
# path given to the client. The second user is "nobody", through setpriv.
# Usage: impersonation_test.sh GALVETTA GALVETTA_TOOL
set -u
galvetta=$1 tool=$2
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
    echo "impersonation_test: skipped, a second user needs root, setpriv and the user nobody"
    exit 0
fi
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d)
chmod 0755 "$work"
pids=()
finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT
failures=0
check() { # description, then a command that must succeed
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# An impostor of user nobody: a socket at PATH that says OK to everything and
# gives its own value on REQUEST.
impostor() {
    setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/python3 -c '
import os, socket, sys
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1])
os.chmod(sys.argv[1], 0o777)
s.listen(16)
while True:
    c, _ = s.accept()
    f = c.makefile("rwb")
    for line in f:
        f.write(b"VALUE impostor\n" if line.startswith(b"REQUEST") else b"OK\n")
        f.flush()
' "$1" &
    pids+=($!)
    for _ in $(seq 50); do [ -S "$1" ] && return; sleep 0.1; done
    echo "impersonation_test: the impostor did not start"
    exit 1
}

# Galvetta headless, its input on a fifo kept open; its output in a file.
start_galvetta() { # name of the run
    mkfifo "$work/$1.in"
    "$galvetta" <"$work/$1.in" >"$work/$1.out" 2>&1 &
    pids+=($!)
    exec {feed}>"$work/$1.in"
    for _ in $(seq 100); do grep -q '^tellics' "$work/$1.out" 2>/dev/null && break; sleep 0.1; done
    sleep 0.5
}

# 1. The impostor got there first: it made the fallback directory under the
#    temporary directory, and listens there and at the old shared place.
mkdir -m 1777 "$work/tmp"
setpriv --reuid=65534 --regid=65534 --clear-groups mkdir -m 0777 "$work/tmp/galvetta-0"
impostor "$work/tmp/galvetta-0/galvetta"
impostor "$work/tmp/galvetta"
(
    export TMPDIR=$work/tmp
    unset XDG_RUNTIME_DIR
    start_galvetta shared
    reply=$("$tool" talk request 2>"$work/shared.err")
    check "talk does not believe a server in another user's directory" test "$reply" != "VALUE impostor"
    "$tool" talk execute e2e4 >/dev/null 2>&1
    check "talk execute is not answered OK by the impostor" test $? -ne 0
    echo quit >&"$feed"
    exit "$failures"
) || failures=$((failures + $?))

# 2. With a private runtime directory the impostor's name is no obstacle:
#    Galvetta keeps its own name and gets the move.
mkdir -m 0700 "$work/run"
(
    export TMPDIR=$work/tmp XDG_RUNTIME_DIR=$work/run
    start_galvetta private
    check "Galvetta listens under its own name" test -S "$work/run/galvetta"
    check "talk execute reaches Galvetta" test "$("$tool" talk execute e2e4)" = OK
    for _ in $(seq 300); do grep -q '^move ' "$work/private.out" && break; sleep 0.1; done
    check "Galvetta answers the move" grep -q '^move ' "$work/private.out"
    echo quit >&"$feed"
    exit "$failures"
) || failures=$((failures + $?))

# 3. A path given to the client that another user listens on.
impostor "$work/tmp/elsewhere"
"$tool" talk --server "$work/tmp/elsewhere" request >"$work/elsewhere.out" 2>"$work/elsewhere.err"
status=$?
check "talk refuses another user's server" test "$status" -eq 1
check "and says why" grep -q 'belongs to another user' "$work/elsewhere.err"
check "and prints nothing of it" test ! -s "$work/elsewhere.out"

[ "$failures" -eq 0 ] && echo "impersonation_test: all checks passed"
exit "$failures"
