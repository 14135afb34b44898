// SPDX-License-Identifier: GPL-3.0-or-later
// The window's pages: "Verifica" (the last move, the planning, the statistics
// and the command box), "Invio Comandi" (the lines sent), "Comandi ricevuti"
// (the lines received), "Debug" (the position text), "Partita / Game" (the
// moves) and "Analisi / Analysis" (the engine's lines as it thinks).
#pragma once

#include <QTabWidget>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace galvetta {

class TAnalysisPage;
class TGame;
class TGamePage;
class TEvalGraph;

class TPages : public QTabWidget {
    Q_OBJECT
  public:
    TPages(TGame& game, QWidget* parent);

    // The protocol pages keep the newest lines, each shown up to a readable
    // length, so that a flood of long lines cannot fill the memory.
    static constexpr int PAGE_LINES = 2000;
    static constexpr int PAGE_LINE_CHARS = 1024;
    static QString PageLine(const std::string& line);
    void AddReceivedLine(const std::string& line);

    // The widgets, under their design names.
    QLineEdit* txtMossa;
    QLineEdit* txtTempoPrevisto;
    QLineEdit* txtMossePreviste;
    QLineEdit* txtMosse;
    QPlainTextEdit* txtStatistiche;
    QLineEdit* txtEsegui;
    QPushButton* BitBtn2;
    QPushButton* cmdAiutoComandi;
    QPlainTextEdit* memComandi;
    QLineEdit* txtCommand;
    QPushButton* BitBtn1;
    QPushButton* Button1;
    QListWidget* lstComandi;
    QPlainTextEdit* txtPosizione;
    TGamePage* txtPartita;
    // The Game page: the move list above the evaluation graph.
    QWidget* tabPartita;
    TEvalGraph* grafico;
    TAnalysisPage* analysis;

  private:
    QWidget* CreateVerificaPage();
    QWidget* CreateInvioPage();
    QWidget* CreateDebugPage();
};

} // namespace galvetta
