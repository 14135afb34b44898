#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs each fuzz target on its seeds for SECONDS (wall time), FUZZ_JOBS at a
# time (2 unless set), and fails when any target finds a crash, a sanitizer
# report or a broken check.
# Usage: tests/fuzz/run.sh BUILD_DIR SECONDS [TARGET ...]
# The corpus each run grows is kept in BUILD_DIR/fuzz-corpus/TARGET, so a
# longer run by hand goes on from it:
#   tests/fuzz/run.sh build/fuzz 1200 fuzz_pgn
set -euo pipefail
build=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_pgn fuzz_fen fuzz_san fuzz_book fuzz_conversation fuzz_xboard fuzz_uci)
seeds_of() {
  case $1 in
  fuzz_pgn) echo pgn ;; fuzz_fen) echo fen ;; fuzz_san) echo san ;; fuzz_book) echo book ;;
  fuzz_conversation) echo conversation ;; fuzz_xboard) echo xboard ;; fuzz_uci) echo uci ;;
  esac
}
run_one() {
  local target=$1 corpus="$build/fuzz-corpus/$1" log="$build/fuzz-logs/$1.log"
  mkdir -p "$corpus" "$build/fuzz-logs" "$build/fuzz-crashes"
  # -timeout: one input may take at most 20 s (a search asked for by the
  # input is abandoned at its end); -rss_limit_mb: the machine has 24 GiB.
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1 \
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
    -artifact_prefix="$build/fuzz-crashes/$target-" -print_final_stats=1 \
    "$corpus" "$here/seeds/$(seeds_of "$target")" >"$log" 2>&1; then
    echo "$target: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') runs," \
      "$(grep -oE 'cov: [0-9]+' "$log" | tail -1), corpus $(ls "$corpus" | wc -l) inputs"
  else
    echo "$target: FAILED"
    tail -40 "$log"
    return 1
  fi
}
status=0
pids=()
for target in "${targets[@]}"; do
  run_one "$target" &
  pids+=($!)
  if [ ${#pids[@]} -ge "${FUZZ_JOBS:-2}" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status
