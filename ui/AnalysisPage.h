// SPDX-License-Identifier: GPL-3.0-or-later
// The page "Analisi / Analysis": the engine's lines as it thinks, a line a
// depth with its score, in standard algebraic notation; and the switch that
// has the engine analyse the position whenever it is not playing.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "search/EngineDriver.h"

class QPlainTextEdit;
class QPushButton;

namespace galvetta {

class TGame;

class TAnalysisPage : public QWidget {
    Q_OBJECT
  public:
    TAnalysisPage(TGame& game, QWidget* parent);

    // The lines of the iterations finished, searched from `position`.
    void ShowReports(const std::vector<SearchReport>& reports, const std::string& position);
    void Clear();
    // One report as shown: "12  +0.35  e4 e5 Nf3".
    static QString LineText(const SearchReport& report, const std::string& position);

    QPushButton* btnAnalizza; // "Analizza / Analyse", checkable
    QPlainTextEdit* txtLinee;

  private:
    std::string position_; // the position the lines shown start from
};

} // namespace galvetta
