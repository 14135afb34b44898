// SPDX-License-Identifier: GPL-3.0-or-later
// The board's image list, drawn by the program itself: a light and a dark
// square, then White's king, queen, rook, bishop, knight and pawn, then
// Black's, each cell-sized with a transparent background around the pieces.
#pragma once

#include <QList>
#include <QPixmap>

namespace galvetta {

using ImageList = QList<QPixmap>;

// 14 images of `cell` x `cell` pixels in the board's order.
ImageList MakePieceImages(int cell);

// A tool-bar icon: a glyph drawn in the given colour.
QPixmap MakeGlyphIcon(const QString& glyph, const QColor& colour, int size = 24);

} // namespace galvetta
