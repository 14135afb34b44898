// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuorLabel.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace galvetta {

TQuorLabel::TQuorLabel(QWidget* parent) : QLabel(parent) {}

void TQuorLabel::SetShadowColor(const QColor& color) {
    shadow_color_ = color;
    update();
}

void TQuorLabel::SetShadowWidth(int width) {
    shadow_width_ = width;
    update();
}

void TQuorLabel::SetImage(const QPixmap& image) {
    image_ = image;
    update();
}

int TQuorLabel::TextStart(int text_width) const {
    if (alignment() & Qt::AlignRight) return width() - text_width;
    if (alignment() & Qt::AlignHCenter) return (width() - text_width) / 2;
    return 0;
}

QFont FontToFit(QFont font, const QString& text, int room, double least_scale) {
    const int wide = QFontMetrics(font).horizontalAdvance(text);
    if (wide <= room || room <= 0) return font;
    const bool pixels = font.pixelSize() > 0;
    const double size = pixels ? font.pixelSize() : font.pointSizeF();
    const double least = size * least_scale;
    const auto resize = [&font, pixels](double to) {
        if (pixels)
            font.setPixelSize(std::max(1, static_cast<int>(to)));
        else
            font.setPointSizeF(to);
    };
    double fitting = std::max(size * room / wide, least);
    resize(fitting);
    // Glyph widths do not scale exactly: a step down more where needed.
    const double step = pixels ? 1 : 0.25;
    while (QFontMetrics(font).horizontalAdvance(text) > room && fitting - step >= least) {
        fitting -= step;
        resize(fitting);
    }
    return font;
}

QFont TQuorLabel::FittingFont() const {
    return FontToFit(font(), text(), width(), MIN_FIT_SCALE);
}

void TQuorLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (autoFillBackground()) painter.fillRect(rect(), palette().color(backgroundRole()));
    if (!image_.isNull()) {
        const QRect clip = event->rect();
        const int w = image_.width(), h = image_.height();
        for (int y = clip.top() / h * h; y < clip.bottom() + 1; y += h)
            for (int x = clip.left() / w * w; x < clip.right() + 1; x += w)
                painter.drawPixmap(x, y, image_);
    }
    const QFont fitting = FittingFont();
    painter.setFont(fitting);
    const QFontMetrics metrics(fitting);
    const int x = TextStart(metrics.horizontalAdvance(text()));
    const int y = QFontMetrics(font()).ascent();
    painter.setPen(shadow_color_);
    for (int i = 1; i <= shadow_width_; ++i)
        painter.drawText(x + i, y + i, text());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(x, y, text());
}

} // namespace galvetta
