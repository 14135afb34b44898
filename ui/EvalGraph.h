// SPDX-License-Identifier: GPL-3.0-or-later
// The game's evaluation as a graph, on the Game page and in print: one point
// a ply where the engine (or an analysis, or the file read) evaluated the
// position, from White's view, a mate at the edge; the position shown is
// marked, and a press on the graph steps there.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "notation/Pgn.h"

namespace galvetta {

class TGame;

class TEvalGraph : public QWidget {
    Q_OBJECT
  public:
    TEvalGraph(const TGame& game, QWidget* parent);

    // Marks the position `ply` (-1: the last one).
    void SetCurrent(int ply);
    // A press on the graph: the ply nearest to it that has an evaluation.
    std::function<void(int ply)> PlyClicked;
    // The ply whose point lies nearest to `x` (pixels in a graph `width`
    // wide), or -1 when no ply has an evaluation.
    static int PlyAt(const std::vector<std::optional<MoveEvaluation>>& evaluations, int x, int width);
    // Draws the graph of `evaluations` into `area`, `current` marked.
    static void Paint(QPainter& painter, const QRect& area,
                      const std::vector<std::optional<MoveEvaluation>>& evaluations, int current);
    // Whether any position has an evaluation.
    static bool HasPoints(const std::vector<std::optional<MoveEvaluation>>& evaluations);
    QSize sizeHint() const override { return {320, 80}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    const TGame& game_;
    int current_ = -1;
};

} // namespace galvetta
