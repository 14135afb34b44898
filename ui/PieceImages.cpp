// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PieceImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRawFont>
#include <array>

namespace galvetta {

namespace {

// The outline of one glyph at OUTLINE_PIXELS, baseline at the origin, from
// DejaVu Sans (Debian's fonts-dejavu-core) read from its file, so that no
// other font can stand in for it; read directly, not registered with the
// font database, which would index the whole file while the window opens.
constexpr int OUTLINE_PIXELS = 200;

QPainterPath glyph_outline(const QString& glyph) {
    static const QRawFont font(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"),
                               OUTLINE_PIXELS);
    QPainterPath path;
    const QList<quint32> indexes = font.isValid() ? font.glyphIndexesForString(glyph) : QList<quint32>();
    if (indexes.size() == 1 && indexes.first() != 0) {
        path = font.pathForGlyph(indexes.first());
    } else {
        QFont fallback(QStringLiteral("DejaVu Sans"));
        fallback.setPixelSize(OUTLINE_PIXELS);
        path.addText(0, 0, fallback, glyph);
    }
    return path;
}

// The outlines of one kind of piece, taken from the font once at a large
// size and scaled for every board after (a resized board redraws its
// pieces, and the font's paths are the slow part): the solid glyph's
// silhouette, the solid glyph and the hollow one, centred on the origin.
struct Outlines {
    QPainterPath silhouette, solid, hollow;
};

const Outlines& outlines(int kind) {
    static const std::array<Outlines, 6> all = [] {
        std::array<Outlines, 6> made;
        for (int k = 0; k < 6; ++k) {
            Outlines& o = made[k];
            o.solid = glyph_outline(QString(QChar(0x265A + k)));
            o.hollow = glyph_outline(QString(QChar(0x2654 + k)));
            o.silhouette = o.solid;
            o.silhouette.setFillRule(Qt::WindingFill);
            o.silhouette = o.silhouette.simplified();
            const QPointF centre = o.silhouette.boundingRect().center();
            for (QPainterPath* path : {&o.silhouette, &o.solid, &o.hollow})
                path->translate(-centre);
        }
        return made;
    }();
    return all[kind];
}

// One piece. The silhouette is filled first; then a White piece gets the
// hollow glyph over it in black, a Black piece the solid glyph in black
// over a light rim, so both sides read on both squares.
QPixmap piece(int kind, bool white, int cell) {
    QPixmap image(cell, cell);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const Outlines& o = outlines(kind);
    painter.translate(cell / 2.0, cell / 2.0);
    const double scale = cell * 82.0 / 100 / OUTLINE_PIXELS;
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);
    if (white) {
        painter.fillPath(o.silhouette, QColor(252, 250, 244));
        painter.fillPath(o.hollow, QColor(16, 16, 16));
    } else {
        painter.setPen(
            QPen(QColor(236, 232, 222), cell / 20.0 / scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(QColor(236, 232, 222));
        painter.drawPath(o.silhouette);
        painter.fillPath(o.solid, QColor(24, 24, 28));
    }
    return image;
}

} // namespace

ImageList MakePieceImages(int cell) {
    ImageList list;
    for (const QColor& colour : {QColor(238, 220, 186), QColor(170, 124, 88)}) {
        QPixmap square(cell, cell);
        square.fill(colour);
        list.append(square);
    }
    // King, queen, rook, bishop, knight, pawn (the font's chess glyphs are in that order).
    for (bool white : {true, false})
        for (int kind = 0; kind < 6; ++kind)
            list.append(piece(kind, white, cell));
    return list;
}

QPixmap MakeGlyphIcon(const QString& glyph, const QColor& colour, int size) {
    QPixmap icon(size, size);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    // The glyph's ink centred, at eight tenths of the icon's height per em.
    const QPainterPath outline = glyph_outline(glyph);
    const double scale = size * 0.8 / OUTLINE_PIXELS;
    painter.translate(size / 2.0, size / 2.0);
    painter.scale(scale, scale);
    painter.translate(-outline.boundingRect().center());
    painter.fillPath(outline, colour);
    return icon;
}

} // namespace galvetta
