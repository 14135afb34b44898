// SPDX-License-Identifier: GPL-3.0-or-later
// Writes COUNT games of PLIES random legal moves each as PGN on standard
// output, the same games for the same SEED (chess.js plays the moves).
// Usage: CHESS_JS_DIR=build/chess-js/node_modules node scripts/random_games.mjs COUNT PLIES SEED
import { createRequire } from 'node:module';
import path from 'node:path';

const require = createRequire(path.resolve(process.env.CHESS_JS_DIR) + '/');
const { Chess } = require('chess.js');
const [count, plies, seed] = process.argv.slice(2).map(Number);
let state = seed >>> 0 || 1;
// xorshift32: the same sequence on every machine.
const random = (n) => {
  state ^= state << 13;
  state >>>= 0;
  state ^= state >>> 17;
  state ^= state << 5;
  state >>>= 0;
  return state % n;
};
const out = [];
for (let g = 1; g <= count; ++g) {
  const chess = new Chess();
  for (let p = 0; p < plies && !chess.isGameOver(); ++p) {
    const moves = chess.moves();
    chess.move(moves[random(moves.length)]);
  }
  chess.header('Event', 'Random game', 'Site', '?', 'Date', '2026.12.09', 'Round', String(g), 'White', 'A',
               'Black', 'B', 'Result', '*');
  out.push(chess.pgn() + '\n');
  if (out.length === 1000) {
    process.stdout.write(out.join('\n'));
    out.length = 0;
  }
}
process.stdout.write(out.join('\n'));
