#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, with apt-get, whatever the build and the tests need that this
# machine lacks. Usage: scripts/deps.sh [build|package|test]
set -euo pipefail
what=${1:-build}
cd "$(dirname "$0")/.."
packages=(cmake g++ ninja-build ccache libgtest-dev qt6-base-dev fonts-dejavu-core)
if [ "$what" = test ] || [ "$what" = package ]; then
  packages+=(dpkg-dev file gzip)
fi
if [ "$what" = test ]; then
  packages+=(clang-format lintian desktop-file-utils appstream-util man-db xvfb xdotool x11-apps imagemagick locales-all xboard fairymax polyglot stockfish python3 pgn-extract gnuchess-book clang libfuzzer-14-dev poppler-utils libxdamage1)
  # Node.js may come from elsewhere than Debian, with its own npm.
  command -v npm >/dev/null || packages+=(nodejs npm)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if [ "$what" = test ] && [ ! -d build/chess-js/node_modules/chess.js ]; then
  # chess.js, from npm, replays saved games as a second reader beside pgn-extract.
  mkdir -p build/chess-js
  (cd build/chess-js && npm install --silent --no-audit --no-fund chess.js@1.4.0 >/dev/null)
fi
