#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, then builds and runs every test, stage by stage,
# and prints each stage's time. What each stage catches is in the README
# ("Testing"). Compiles go through ccache when it is there (scripts/deps.sh
# installs it), keyed on paths relative to the checkout, so that a fresh
# clone on the same machine reuses what an earlier build compiled.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
timings=()
stage_start=$SECONDS
stage_name=""

# stage NAME: ends the stage before it (its time recorded) and starts NAME.
stage() {
  end_stage
  stage_name=$1
  stage_start=$SECONDS
  echo "== $stage_name"
}
end_stage() {
  [ -n "$stage_name" ] && timings+=("$(printf '%5d s  %s' $((SECONDS - stage_start)) "$stage_name")")
  stage_name=""
}

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
fi
configure() { # dir, extra cmake arguments
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
}

stage "set-up: missing packages"
scripts/deps.sh test

stage "format: clang-format on every C++ file"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# The builds compile each target's files as one (a unity build; the
# engine's own files excepted): Qt's headers are read once, not once a
# file, which cuts a cold build by a third to a half.
stage "release build"
configure build/release -DCMAKE_BUILD_TYPE=Release -DCMAKE_UNITY_BUILD=ON
cmake --build build/release -j "$jobs"

stage "release tests (deep perft, transcripts, tool, PGN readers, layers)"
(cd build/release && ctest --no-tests=error --output-on-failure -j "$jobs" -LE 'xboard|fuzz|xvfb|stockfish')
(cd build/release && ctest --no-tests=error --output-on-failure -L fuzz)

stage "a real window under Xvfb"
(cd build/release && ctest --no-tests=error --output-on-failure -L xvfb)

stage "address and undefined-behaviour sanitizers"
# Optimised a little and with line tables only: a cold build takes 3 minutes
# here, not 4.5, and the tests and the bench run about as fast.
configure build/asan -DCMAKE_BUILD_TYPE=None "-DCMAKE_CXX_FLAGS=-O1 -g1" -DGALVETTA_SANITIZE=address -DCMAKE_UNITY_BUILD=ON
cmake --build build/asan -j "$jobs"
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 ctest --no-tests=error --output-on-failure -j "$jobs" -LE 'perft-deep|xboard|fuzz|xvfb|stockfish')

stage "fuzz targets (libFuzzer under ASan and UBSan), 30 s each, all at once"
# Every reader of outside input, from its seeds in tests/fuzz/seeds; a longer
# run by hand goes on from the corpus kept in build/fuzz/fuzz-corpus.
CC=clang CXX=clang++ configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALVETTA_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_UNITY_BUILD=ON
cmake --build build/fuzz -j "$jobs" --target fuzz_targets
FUZZ_JOBS=7 tests/fuzz/run.sh build/fuzz 30

stage "thread sanitizer, where threads run"
# Two engine runs at once, the search, the watch and the input reader, under
# the game and both front-ends; Qt itself is not built for TSan.
configure build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALVETTA_SANITIZE=thread -DCMAKE_UNITY_BUILD=ON
cmake --build build/tsan -j "$jobs" --target engine_tests search_tests protocol_tests
(cd build/tsan && TSAN_OPTIONS=halt_on_error=1 ctest --no-tests=error --output-on-failure -j "$jobs" -L threads)

stage "benchmark signature, release against sanitizer build"
bench_log=$(mktemp)
# The two at once, one a core.
sanitized_log=$(mktemp)
build/asan/tools/galvetta-tool bench >"$sanitized_log" &
sanitized_pid=$!
build/release/tools/galvetta-tool bench >"$bench_log"
wait "$sanitized_pid"
cat "$bench_log"
release=$(grep '^signature' "$bench_log")
sanitized=$(grep '^signature' "$sanitized_log")
rm -f "$sanitized_log"
rm -f "$bench_log"
echo "release:   $release"
echo "sanitizer: $sanitized"
if [ "$release" != "$sanitized" ]; then
  echo "benchmark signatures differ"
  exit 1
fi

stage "the Debian package"
tests/package/package_test.sh

stage "latency, memory and start-up over pipes (figures with their bounds), the window's first frame (figures)"
python3 scripts/latency.py build/release/app/galvetta build/release/tools/galvetta-tool --runs 3
python3 scripts/startup.py build/release/app/galvetta
python3 scripts/window_startup.py build/release/app/galvetta --runs 3

stage "a match under the real xboard"
(cd build/release && ctest --no-tests=error --output-on-failure -L xboard)
cat build/release/xboard-match/results.txt 2>/dev/null || true

stage "a UCI game against stockfish"
(cd build/release && ctest --no-tests=error --output-on-failure -V -L stockfish | grep -E "moves;|result:|FAULT|tests passed|Failed")
end_stage

echo "== time per stage"
printf '%s\n' "${timings[@]}"
echo "total: $SECONDS s"
echo "all test stages passed"
