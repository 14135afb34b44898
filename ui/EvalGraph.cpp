// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EvalGraph.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "play/Game.h"

namespace galvetta {

namespace {

// The graph shows five pawns either way; more, and a mate, lie at the edge.
constexpr int EDGE_CENTIPAWNS = 500;

double height_of(const MoveEvaluation& evaluation) {
    if (evaluation.mate != 0) return evaluation.mate > 0 ? 1.0 : -1.0;
    return std::clamp(evaluation.centipawns / static_cast<double>(EDGE_CENTIPAWNS), -1.0, 1.0);
}

double x_of(int ply, int plies, const QRectF& area) {
    return area.left() + (plies <= 1 ? 0.0 : area.width() * (ply - 1) / (plies - 1));
}

} // namespace

TEvalGraph::TEvalGraph(const TGame& game, QWidget* parent) : QWidget(parent), game_(game) {
    setObjectName("grafico");
    setMinimumHeight(60);
    setToolTip(QStringLiteral("Valutazione (Bianco in alto) / Evaluation (White above)"));
}

void TEvalGraph::SetCurrent(int ply) {
    current_ = ply;
    update();
}

bool TEvalGraph::HasPoints(const std::vector<std::optional<MoveEvaluation>>& evaluations) {
    return std::any_of(evaluations.begin(), evaluations.end(), [](const auto& e) { return e.has_value(); });
}

void TEvalGraph::Paint(QPainter& painter, const QRect& area,
                       const std::vector<std::optional<MoveEvaluation>>& evaluations, int current) {
    const QRectF box = QRectF(area).adjusted(4, 4, -4, -4);
    const int plies = static_cast<int>(evaluations.size()) - 1; // position 0 is the start
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, QColor(245, 245, 240));
    // White's half above the middle line, Black's below.
    painter.fillRect(QRectF(box.left(), box.center().y(), box.width(), box.height() / 2),
                     QColor(60, 60, 60, 40));
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
    const int shown = current >= 0 ? current : plies;
    if (plies >= 1 && shown >= 1) {
        const double x = x_of(std::min(shown, plies), plies, box);
        painter.setPen(QPen(QColor(200, 60, 40), 1, Qt::DashLine));
        painter.drawLine(QPointF(x, box.top()), QPointF(x, box.bottom()));
    }
    QPolygonF line;
    for (int ply = 1; ply <= plies; ++ply)
        if (evaluations[ply])
            line << QPointF(x_of(ply, plies, box),
                            box.center().y() - height_of(*evaluations[ply]) * box.height() / 2);
    painter.setPen(QPen(QColor(30, 90, 180), 2));
    painter.drawPolyline(line);
    painter.setBrush(QColor(30, 90, 180));
    for (const QPointF& point : line)
        painter.drawEllipse(point, 2.5, 2.5);
    painter.restore();
}

int TEvalGraph::PlyAt(const std::vector<std::optional<MoveEvaluation>>& evaluations, int x, int width) {
    const int plies = static_cast<int>(evaluations.size()) - 1;
    const QRectF box = QRectF(0, 0, width, 1).adjusted(4, 0, -4, 0);
    int best = -1;
    double nearest = 0;
    for (int ply = 1; ply <= plies; ++ply) {
        if (!evaluations[ply]) continue;
        const double distance = std::abs(x_of(ply, plies, box) - x);
        if (best < 0 || distance < nearest) {
            best = ply;
            nearest = distance;
        }
    }
    return best;
}

void TEvalGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter, rect(), game_.Evaluations(), current_);
}

void TEvalGraph::mousePressEvent(QMouseEvent* event) {
    const int ply = PlyAt(game_.Evaluations(), static_cast<int>(event->position().x()), width());
    if (ply > 0 && PlyClicked) PlyClicked(ply);
}

} // namespace galvetta
