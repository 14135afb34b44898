// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Pages.h"

#include <QVBoxLayout>

#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/AnalysisPage.h"
#include "ui/EvalGraph.h"
#include "ui/GamePage.h"
#include "ui/QuorLabel.h"

namespace galvetta {

namespace {

// A page caption with the shadow of the window's labels.
TQuorLabel* caption(const QString& text, QWidget* parent, bool yellow = false) {
    auto* label = new TQuorLabel(parent);
    label->setText(text);
    label->SetShadowColor(yellow ? Qt::yellow : Qt::cyan);
    label->SetShadowWidth(yellow ? 2 : 1);
    label->setMinimumHeight(label->fontMetrics().height() + 3);
    return label;
}

QLineEdit* read_only_edit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    return edit;
}

} // namespace

TPages::TPages(TGame& game, QWidget* parent) : QTabWidget(parent) {
    addTab(CreateVerificaPage(), QStringLiteral("V&erifica"));
    // The engine's lines beside its statistics, where a player looks first.
    analysis = new TAnalysisPage(game, this);
    addTab(analysis, QStringLiteral("A&nalisi / Analysis"));
    addTab(CreateInvioPage(), QStringLiteral("Invio &Comandi"));
    lstComandi = new QListWidget(this);
    lstComandi->addItem(QStringLiteral("Received commands:"));
    addTab(lstComandi, QStringLiteral("Comandi &ricevuti"));
    addTab(CreateDebugPage(), QStringLiteral("&Debug"));
    tabPartita = new QWidget(this);
    auto* layout = new QVBoxLayout(tabPartita);
    layout->setContentsMargins(0, 0, 0, 0);
    txtPartita = new TGamePage(game, tabPartita);
    grafico = new TEvalGraph(game, tabPartita);
    layout->addWidget(txtPartita, 1);
    layout->addWidget(grafico);
    addTab(tabPartita, QStringLiteral("Par&tita / Game"));
}

QString TPages::PageLine(const std::string& line) {
    if (line.size() <= PAGE_LINE_CHARS) return QString::fromStdString(line);
    return QString::fromStdString(line.substr(0, PAGE_LINE_CHARS)) + QStringLiteral("...");
}

void TPages::AddReceivedLine(const std::string& line) {
    lstComandi->addItem(PageLine(line));
    // The first item is the list's caption.
    while (lstComandi->count() > PAGE_LINES + 1)
        delete lstComandi->takeItem(1);
}

// The last move, the planning, the statistics and the command box.
QWidget* TPages::CreateVerificaPage() {
    auto* verifica = new QWidget(this);
    auto* grid = new QGridLayout(verifica);
    txtMossa = read_only_edit(verifica);
    txtTempoPrevisto = read_only_edit(verifica);
    txtMossePreviste = read_only_edit(verifica);
    txtMosse = read_only_edit(verifica);
    const std::pair<const char*, QLineEdit*> edits[] = {{"Last Galvetta's move:", txtMossa},
                                                        {"Estimated time in ms:", txtTempoPrevisto},
                                                        {"Moves to generate:", txtMossePreviste},
                                                        {"Generated moves:", txtMosse}};
    int row = 0;
    for (const auto& [text, edit] : edits) {
        grid->addWidget(caption(QString::fromUtf8(text), verifica, edit == txtMossa), row, 0);
        grid->addWidget(edit, row++, 1, 1, 2);
    }
    grid->addWidget(caption(QStringLiteral("Statistics:"), verifica, true), row++, 0);
    txtStatistiche = new QPlainTextEdit(verifica);
    txtStatistiche->setReadOnly(true);
    grid->addWidget(txtStatistiche, row++, 0, 1, 3);
    txtEsegui = new QLineEdit(verifica);
    BitBtn2 = new QPushButton(QStringLiteral("Mossa o Comando per Galvetta (Make Move)"), verifica);
    cmdAiutoComandi = new QPushButton(QStringLiteral("?"), verifica);
    // The box above its long button, so that the page fits a small screen.
    grid->addWidget(txtEsegui, row, 0, 1, 2);
    grid->addWidget(cmdAiutoComandi, row++, 2);
    grid->addWidget(BitBtn2, row++, 0, 1, 3);
    grid->addWidget(caption(QStringLiteral("To promote: g7g8q and press enter"), verifica), row++, 0, 1, 3);
    return verifica;
}

// The lines sent to the interface and the conversation item's box.
QWidget* TPages::CreateInvioPage() {
    auto* invio = new QWidget(this);
    auto* grid = new QGridLayout(invio);
    memComandi = new QPlainTextEdit(invio);
    memComandi->setMaximumBlockCount(PAGE_LINES);
    memComandi->setReadOnly(true);
    txtCommand = new QLineEdit(invio);
    BitBtn1 = new QPushButton(QStringLiteral("Mossa o Comando per WinBoard (command to WB)"), invio);
    Button1 = new QPushButton(QStringLiteral("?"), invio);
    grid->addWidget(caption(QStringLiteral("Lines sent:"), invio), 0, 0, 1, 3);
    grid->addWidget(memComandi, 1, 0, 1, 3);
    grid->addWidget(txtCommand, 2, 0, 1, 2);
    grid->addWidget(Button1, 2, 2);
    grid->addWidget(BitBtn1, 3, 0, 1, 3);
    return invio;
}

QWidget* TPages::CreateDebugPage() {
    auto* debug = new QWidget(this);
    auto* grid = new QGridLayout(debug);
    txtPosizione = new QPlainTextEdit(debug);
    txtPosizione->setReadOnly(true);
    grid->addWidget(caption(QStringLiteral("Position text:"), debug), 0, 0, 1, 4);
    grid->addWidget(txtPosizione, 1, 0, 1, 4);
    grid->addWidget(caption(QStringLiteral("Start"), debug), 2, 0);
    grid->addWidget(new QLineEdit(debug), 2, 1);
    grid->addWidget(caption(QStringLiteral("Delta"), debug), 2, 2);
    grid->addWidget(new QLineEdit(QStringLiteral("2"), debug), 2, 3);
    return debug;
}

} // namespace galvetta
