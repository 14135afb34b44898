// SPDX-License-Identifier: GPL-3.0-or-later
// A text label with a drop shadow: the caption is written ShadowWidth times in
// the shadow colour, each copy one pixel further right and down, then once
// on top in the font colour.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPixmap>

namespace galvetta {

// `font`, or the same smaller (down to `least_scale` of its size) so that
// `text` fits in `room` pixels where it can.
QFont FontToFit(QFont font, const QString& text, int room, double least_scale);

class TQuorLabel : public QLabel {
    Q_OBJECT
  public:
    explicit TQuorLabel(QWidget* parent = nullptr);

    QColor GetShadowColor() const { return shadow_color_; }
    void SetShadowColor(const QColor& color);
    int GetShadowWidth() const { return shadow_width_; }
    void SetShadowWidth(int width);
    // A picture tiled behind the text (none by default).
    void SetImage(const QPixmap& image);

    // Left edge of the caption for the label's alignment.
    int TextStart(int text_width) const;
    // The font the caption is drawn in: the label's own, or smaller (down
    // to half) when the caption is wider than the label, so that a long
    // caption beside other controls does not run into them.
    QFont FittingFont() const;
    static constexpr double MIN_FIT_SCALE = 0.5;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor shadow_color_ = Qt::cyan;
    int shadow_width_ = 2;
    QPixmap image_;
};

} // namespace galvetta
