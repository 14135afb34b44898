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

QFont TQuorLabel::FittingFont() const {
    QFont fitting = font();
    const int wide = QFontMetrics(fitting).horizontalAdvance(text());
    if (wide <= width() || wide == 0) return fitting;
    const double scale = std::max(MIN_FIT_SCALE, double(width()) / wide);
    if (fitting.pixelSize() > 0)
        fitting.setPixelSize(std::max(1, int(fitting.pixelSize() * scale)));
    else
        fitting.setPointSizeF(fitting.pointSizeF() * scale);
    // Rounding may leave it a pixel wide: one step down more.
    while (QFontMetrics(fitting).horizontalAdvance(text()) > width() && fitting.pixelSize() > 1 &&
           double(fitting.pixelSize()) > font().pixelSize() * MIN_FIT_SCALE)
        fitting.setPixelSize(fitting.pixelSize() - 1);
    return fitting;
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
