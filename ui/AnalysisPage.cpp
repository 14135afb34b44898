// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AnalysisPage.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "notation/San.h"
#include "notation/Score.h"

namespace galvetta {

TAnalysisPage::TAnalysisPage(TGame&, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    btnAnalizza = new QPushButton(QStringLiteral("Analizza / Analyse"), this);
    btnAnalizza->setCheckable(true);
    btnAnalizza->setToolTip(QStringLiteral("L'analisi segue la partita / The analysis follows the game"));
    txtLinee = new QPlainTextEdit(this);
    txtLinee->setReadOnly(true);
    txtLinee->setMaximumBlockCount(500);
    QFont mono = txtLinee->font();
    mono.setFamily(QStringLiteral("DejaVu Sans Mono"));
    txtLinee->setFont(mono);
    layout->addWidget(btnAnalizza);
    layout->addWidget(txtLinee, 1);
}

QString TAnalysisPage::LineText(const SearchReport& report, const std::string& position) {
    const int mate = MateMoves(report.score);
    // The score from White's view, as players read it.
    const bool white = position.size() > SIDE_TO_MOVE && position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
    QString score;
    if (mate != 0)
        score = QStringLiteral("#%1").arg(white ? mate : -mate);
    else
        score = QString::asprintf("%+.2f", (white ? 1 : -1) * Centipawns(report.score) / 100.0);
    QString line = QStringLiteral("%1  %2 ").arg(report.depth, 2).arg(score, 7);
    std::string now = position;
    for (const Move& move : report.line) {
        const std::vector<LegalMove> legal = LegalMoves(now);
        const auto found = std::find_if(legal.begin(), legal.end(), [&move](const LegalMove& m) {
            return m.from == move.from && m.to == move.to && m.promotion == move.promotion;
        });
        if (found == legal.end()) break;
        line += QLatin1Char(' ') + QString::fromStdString(SanOf(*found, legal));
        now = PositionAfter(now, *found);
    }
    return line;
}

void TAnalysisPage::ShowReports(const std::vector<SearchReport>& reports, const std::string& position) {
    if (position != position_) {
        position_ = position;
        txtLinee->appendPlainText(QStringLiteral("--"));
    }
    for (const SearchReport& report : reports)
        txtLinee->appendPlainText(LineText(report, position));
}

void TAnalysisPage::Clear() {
    txtLinee->clear();
    position_.clear();
}

} // namespace galvetta
