#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, then builds and runs every test: the release build
# (with the deep perft runs), the AddressSanitizer + UndefinedBehaviorSanitizer
# build and the ThreadSanitizer build, and checks that the benchmark's
# signature is the same in the release and the sanitizer builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs=$(nproc)

configure() { # dir, extra cmake arguments
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

echo "== release build"
configure build/release -DCMAKE_BUILD_TYPE=Release
(cd build/release && ctest --output-on-failure -j "$jobs" -LE 'xboard|fuzz|xvfb|stockfish')
echo "== a real window under Xvfb"
(cd build/release && ctest --output-on-failure -L xvfb)
echo "== random protocol lines into the built program"
(cd build/release && ctest --output-on-failure -L fuzz)

echo "== address and undefined-behaviour sanitizers"
configure build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALVETTA_SANITIZE=address
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -LE 'perft-deep|xboard|fuzz|xvfb|stockfish')

echo "== thread sanitizer"
configure build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALVETTA_SANITIZE=thread
# The engine and game layers (threads: search, reader, timer); Qt itself is not built for TSan.
(cd build/tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j "$jobs" -L 'engine|game')

echo "== benchmark signature, release against sanitizer build"
bench_log=$(mktemp)
build/release/tools/galvetta-tool bench >"$bench_log"
cat "$bench_log"
release=$(grep '^signature' "$bench_log")
sanitized=$(build/asan/tools/galvetta-tool bench | grep '^signature')
rm -f "$bench_log"
echo "release:   $release"
echo "sanitizer: $sanitized"
if [ "$release" != "$sanitized" ]; then
  echo "benchmark signatures differ"
  exit 1
fi
echo "== the Debian package"
tests/package/package_test.sh
echo "== latency over pipes (figures only)"
python3 scripts/latency.py build/release/app/galvetta build/release/tools/galvetta-tool --runs 3
echo "== a match under the real xboard"
(cd build/release && ctest --output-on-failure -L xboard)
cat build/release/xboard-match/results.txt 2>/dev/null || true
echo "== a UCI game against stockfish"
(cd build/release && ctest --output-on-failure -V -L stockfish | grep -E "moves;|result:|FAULT|tests passed|Failed")
echo "all test stages passed"
