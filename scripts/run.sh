#!/usr/bin/env bash
# Installs what is missing, builds a release and runs Galvetta's main job.
# Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/release --target galvetta-tool
if [ $# -eq 0 ]; then
  start=RNBQKBNRPPPPPPPP--------------------------------pppppppprnbqkbnrB+++++
  build/release/tools/galvetta-tool show "$start"
  exec build/release/tools/galvetta-tool search "$start" --start 2 --step 2 --max 6
fi
exec build/release/tools/galvetta-tool "$@"
