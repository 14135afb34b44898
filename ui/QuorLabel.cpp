// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuorLabel.h"

#include <QPaintEvent>
#include <QPainter>

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
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int x = TextStart(metrics.horizontalAdvance(text()));
    const int y = metrics.ascent();
    painter.setPen(shadow_color_);
    for (int i = 1; i <= shadow_width_; ++i)
        painter.drawText(x + i, y + i, text());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(x, y, text());
}

} // namespace galvetta
