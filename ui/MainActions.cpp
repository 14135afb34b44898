// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainActions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

#include "play/Game.h"
#include "ui/AnalysisPage.h"
#include "ui/BoardPanel.h"
#include "ui/GamePage.h"
#include "ui/GraphicChessBoard.h"
#include "ui/PersonGame.h"

namespace galvetta {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

QAction* TMainActions::GlyphAction(const char* glyph, const QString& text, const QString& icon_text,
                                   const QString& tip) {
    auto* action = new QAction(text, this);
    action->setProperty("glyph", QString::fromUtf8(glyph));
    action->setIconText(icon_text);
    action->setToolTip(tip);
    return action;
}

void TMainActions::PaintIcons() {
    // The glyphs in the palette's button text, sharp at twice the size too.
    for (QAction* action : findChildren<QAction*>()) {
        const QString glyph = action->property("glyph").toString();
        if (glyph.isEmpty()) continue;
        QIcon icon;
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Disabled})
            for (const int size : {24, 48})
                icon.addPixmap(
                    MakeGlyphIcon(glyph, window_.palette().color(group, QPalette::ButtonText), size),
                    group == QPalette::Active ? QIcon::Normal : QIcon::Disabled);
        action->setIcon(icon);
    }
}

TMainActions::TMainActions(QMainWindow& window, TGame& game, TPersonGame& person, TGamePage& page,
                           TBoardPanel& panel)
    : QObject(&window), window_(window), game_(game), person_(person), page_(page), panel_(panel) {
    CreateFileActions();
    CreateGameActions();
    CreatePlayActions();
    CreateModeActions();
    PaintIcons();
    CreateMenus();
    CreateToolBar();
}

void TMainActions::CreateFileActions() {
    actOpen = GlyphAction("\u2750", QStringLiteral("&Apri…"), QStringLiteral("Apri"),
                          QStringLiteral("Apri / Open a game (PGN or FEN)"));
    actSave = GlyphAction("\u2713", QStringLiteral("&Salva…"), QStringLiteral("Salva"),
                          QStringLiteral("Salva / Save the game as PGN"));
    actPrint = GlyphAction("\u25A4", QStringLiteral("S&tampa…"), QStringLiteral("Stampa"),
                           QStringLiteral("Stampa / Print the game"));
    actFen = new QAction(QStringLiteral("Posizione da &FEN / Position from FEN…"), this);
    actPaste = new QAction(QStringLiteral("Incolla FEN / Paste FEN"), this);
    actOpen->setShortcut(QKeySequence::Open);
    actSave->setShortcut(QKeySequence::Save);
    actPrint->setShortcut(QKeySequence::Print);
    actPaste->setShortcut(QKeySequence::Paste);
    connect(actOpen, &QAction::triggered, this, [this] {
        if (!person_.MayDiscardGame()) return;
        const QString names = page_.OpenExecute();
        if (!names.isEmpty() && GameOpened) GameOpened(names);
    });
    connect(actSave, &QAction::triggered, this, [this] { page_.SaveExecute(); });
    connect(actPrint, &QAction::triggered, this,
            [this] { page_.PrintExecute(panel_.scacchiera->grab().toImage()); });
    connect(actFen, &QAction::triggered, this, &TMainActions::AskForFen);
    connect(actPaste, &QAction::triggered, this, [this] {
        const QString error = person_.SetUpFen(QApplication::clipboard()->text());
        if (!error.isEmpty()) person_.Tell(error);
    });
    window_.addAction(actPaste);
}

void TMainActions::CreateGameActions() {
    actResetGame = GlyphAction("\u265A", QStringLiteral("&Nuova partita"), QStringLiteral("Nuova"),
                               QStringLiteral("Nuova partita / New game"));
    actNewWhite =
        GlyphAction("\u2654", QStringLiteral("Nuova partita col &Bianco / New game as White"),
                    QStringLiteral("Bianco"), QStringLiteral("Nuova partita col Bianco / New game as White"));
    actNewBlack =
        GlyphAction("\u265A", QStringLiteral("Nuova partita col N&ero / New game as Black"),
                    QStringLiteral("Nero"), QStringLiteral("Nuova partita col Nero / New game as Black"));
    actMoveBack = GlyphAction("\u21B6", QStringLiteral("&Annulla l'ultima mossa"), QStringLiteral("Indietro"),
                              QStringLiteral("Annulla l'ultima mossa / Take back"));
    actMove = GlyphAction("\u25B6", QStringLiteral("&Mossa a Galvetta"), QStringLiteral("Muovi"),
                          QStringLiteral("Mossa a Galvetta / Galvetta moves"));
    actStop = GlyphAction("\u25A0", QStringLiteral("&Ferma la ricerca"), QStringLiteral("Ferma"),
                          QStringLiteral("Ferma la ricerca / Stop the search"));
    actReverse = GlyphAction("\u21C5", QStringLiteral("&Inverti"), QStringLiteral("Inverti"),
                             QStringLiteral("Inverti / Turn the board"));
    actMoveBack->setShortcut(QKeySequence::Undo);
    auto* new_game = new QMenu(&window_);
    new_game->addAction(actNewWhite);
    new_game->addAction(actNewBlack);
    actResetGame->setMenu(new_game);
    // A new game keeps the person's colour: the side at the bottom.
    connect(actResetGame, &QAction::triggered, this,
            [this] { person_.NewGame(!panel_.scacchiera->GetBlackAtBottom()); });
    connect(actNewWhite, &QAction::triggered, this, [this] { person_.NewGame(true); });
    connect(actNewBlack, &QAction::triggered, this, [this] { person_.NewGame(false); });
    connect(actMoveBack, &QAction::triggered, this, [this] { person_.TakeBack(); });
    connect(actMove, &QAction::triggered, this, [this] { game_.Think(false); });
    connect(actStop, &QAction::triggered, this, [this] { game_.Stop(); });
}

void TMainActions::CreatePlayActions() {
    actTime = GlyphAction("\u25F7", QStringLiteral("&Tempo / Time"), QStringLiteral("Tempo"),
                          QStringLiteral("Tempo / Time control"));
    actTime->setMenu(CreateTimeMenu());
    actHint = GlyphAction("\u2049", QStringLiteral("S&uggerimento / Hint"), QStringLiteral("Suggerisci"),
                          QStringLiteral("Suggerimento / Hint: the move Galvetta would play"));
    actResign = GlyphAction("\u2691", QStringLiteral("A&bbandona / Resign"), QStringLiteral("Abbandona"),
                            QStringLiteral("Abbandona / Resign"));
    actDraw = GlyphAction("\u00BD", QStringLiteral("&Patta / Offer draw"), QStringLiteral("Patta"),
                          QStringLiteral("Patta / Offer a draw"));
    actAnalysis = new QAction(QStringLiteral("A&nalisi / Analysis"), this);
    actAnalysis->setCheckable(true);
    actAnalysis->setToolTip(QStringLiteral("L'analisi segue la partita / The analysis follows the game"));
    actBook = new QAction(QStringLiteral("&Libro / Book"), this);
    actBook->setCheckable(true);
    actBook->setToolTip(QStringLiteral("Libro d'aperture / Opening book"));
    actHint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(actHint, &QAction::triggered, this, [this] { person_.Hint(); });
    connect(actResign, &QAction::triggered, this, [this] { person_.Resign(); });
    connect(actDraw, &QAction::triggered, this, [this] { person_.OfferDraw(); });
    connect(actBook, &QAction::toggled, this, [this](bool on) {
        if (on == game_.UseBook) return;
        const std::string error = game_.SetUseBook(on);
        if (!error.empty()) person_.Tell(qs(error));
        actBook->setChecked(game_.UseBook);
    });
}

QMenu* TMainActions::CreateTimeMenu() {
    auto* menu = new QMenu(&window_);
    for (const TPersonGame::TimePreset& preset : TPersonGame::TimePresets())
        menu->addAction(QString::fromUtf8(preset.caption), this, [this, line = preset.line] {
            const QString error = person_.ChooseTimeControl(line);
            if (!error.isEmpty()) person_.Tell(error);
        });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Altro… / Other…"), this, &TMainActions::AskForTimeControl);
    return menu;
}

// Hold, Edit and AutoPlay: check buttons that follow the game's modes.
void TMainActions::CreateModeActions() {
    const auto mode = [&](const char* glyph, const char* text, const char* tip, auto set) {
        QAction* action =
            GlyphAction(glyph, QString::fromUtf8(text), QString::fromUtf8(text), QString::fromUtf8(tip));
        action->setCheckable(true);
        connect(action, &QAction::toggled, this, set);
        return action;
    };
    tlbGioca =
        mode("\u2016", "Hold", "Se premuto, non muove / If pressed, don't makes any move", [this](bool on) {
            if (on != game_.Hold()) game_.SetHold(on);
        });
    cmdEdit = mode("\u270E", "Edit", "Edit position", [this](bool on) { person_.SetEditMode(on); });
    tlbAutoPlay = mode("\u21BB", "AutoPlay", "Se premuto, gioca da solo / AutoPlay", [this](bool on) {
        if (on != game_.AutoPlay()) game_.SetAutoPlay(on);
    });
}

void TMainActions::CreateMenus() {
    QMenu* partita = window_.menuBar()->addMenu(QStringLiteral("&Partita / Game"));
    partita->addActions({actNewWhite, actNewBlack});
    partita->addSeparator();
    partita->addActions({actOpen, actSave, actPrint, actFen});
    partita->addSeparator();
    partita->addAction(QStringLiteral("&Esci / Quit"), QKeySequence::Quit, &window_, &QWidget::close);
    QMenu* gioco = window_.menuBar()->addMenu(QStringLiteral("&Gioco / Play"));
    gioco->addActions({actMoveBack, actMove, actStop, actHint, actAnalysis});
    gioco->addSeparator();
    gioco->addActions({actResign, actDraw, actBook});
    gioco->addMenu(actTime->menu())->setText(QStringLiteral("&Tempo / Time"));
    gioco->addSeparator();
    gioco->addActions({tlbGioca, cmdEdit, tlbAutoPlay, actReverse});
}

void TMainActions::CreateToolBar() {
    tools_ = window_.addToolBar(QStringLiteral("Strumenti"));
    tools_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tools_->addActions({actOpen, actSave, actPrint});
    tools_->addSeparator();
    tools_->addActions({actResetGame, actMoveBack, actMove, actStop, actReverse});
    tools_->addSeparator();
    tools_->addActions({actTime, actHint, actResign, actDraw});
    tools_->addSeparator();
    tools_->addActions({tlbGioca, cmdEdit, tlbAutoPlay});
    if (auto* button = qobject_cast<QToolButton*>(tools_->widgetForAction(actTime)))
        button->setPopupMode(QToolButton::InstantPopup);
    text_tools_width_ = tools_->sizeHint().width();
}

void TMainActions::AskForFen() {
    bool ok = false;
    const QString fen = QInputDialog::getText(
        &window_, QStringLiteral("Posizione da FEN / Position from FEN"), QStringLiteral("FEN:"),
        QLineEdit::Normal, QApplication::clipboard()->text().trimmed(), &ok);
    if (!ok) return;
    const QString error = person_.SetUpFen(fen);
    if (!error.isEmpty()) QMessageBox::warning(&window_, window_.windowTitle(), error);
}

void TMainActions::AskForTimeControl() {
    bool ok = false;
    const QString line = QInputDialog::getText(&window_, QStringLiteral("Tempo / Time"),
                                               QStringLiteral("level MOSSE MINUTI INCREMENTO, st SECONDI\n"
                                                              "level MOVES MINUTES INCREMENT, st SECONDS"),
                                               QLineEdit::Normal, QStringLiteral("level 40 5 0"), &ok);
    if (!ok) return;
    const QString error = person_.ChooseTimeControl(line.trimmed().toStdString());
    if (!error.isEmpty()) QMessageBox::warning(&window_, window_.windowTitle(), error);
}

void TMainActions::FitToolBar(int width) {
    tools_->setToolButtonStyle(width >= text_tools_width_ ? Qt::ToolButtonTextUnderIcon
                                                          : Qt::ToolButtonIconOnly);
}

} // namespace galvetta
