// SPDX-License-Identifier: GPL-3.0-or-later
// Replays each game of a PGN file with chess.js and prints its final FEN, one
// line a game; a game chess.js cannot read ends the run with status 1.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

const require = createRequire(process.env.CHESS_JS_DIR + '/');
const { Chess } = require('chess.js');
const text = readFileSync(process.argv[2], 'utf8');
// A game starts at a tag section that follows movetext (or the file's start).
const games = text.split(/\n\s*\n(?=\[)/).map((g) => g.trim()).filter((g) => g.length > 0);
games.forEach((game, i) => {
  const chess = new Chess();
  try {
    chess.loadPgn(game, { strict: true });
  } catch (error) {
    console.error(`game ${i + 1}: ${error.message}`);
    process.exit(1);
  }
  console.log(chess.fen());
});
