#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds a release and runs Galvetta: its window
# with a display, the protocol on standard input and output without one.
# "scripts/run.sh tool ARGS" runs galvetta-tool instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target galvetta galvetta-tool
if [ "${1:-}" = tool ]; then
  shift
  exec build/release/tools/galvetta-tool "$@"
fi
exec build/release/app/galvetta "$@"
