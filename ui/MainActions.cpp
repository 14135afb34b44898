// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainActions.h"

#include <QAction>
#include <QActionGroup>
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

#include "notation/Pgn.h"
#include "play/Game.h"
#include "play/TimeControl.h"
#include "ui/AnalysisPage.h"
#include "ui/BoardPanel.h"
#include "ui/GamePage.h"
#include "ui/GraphicChessBoard.h"
#include "ui/PersonGame.h"
#include "ui/Text.h"

namespace galvetta {

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
    CreateStepActions();
    CreateHelpActions();
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
    actPaste = new QAction(QStringLiteral("I&ncolla FEN o PGN / Paste FEN or PGN"), this);
    actCopyFen = new QAction(QStringLiteral("&Copia FEN / Copy FEN"), this);
    actCopyPgn = new QAction(QStringLiteral("Copia P&GN / Copy PGN"), this);
    actOpen->setShortcut(QKeySequence::Open);
    actSave->setShortcut(QKeySequence::Save);
    actPrint->setShortcut(QKeySequence::Print);
    actPaste->setShortcut(QKeySequence::Paste);
    actCopyFen->setShortcut(QKeySequence::Copy);
    actCopyPgn->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connect(actCopyFen, &QAction::triggered, this, [this] {
        QApplication::clipboard()->setText(qs(person_.ShownFen()));
        person_.Tell(QStringLiteral("FEN copiata / FEN copied"));
    });
    connect(actCopyPgn, &QAction::triggered, this, [this] {
        QApplication::clipboard()->setText(qs(WritePgn(game_.Record())));
        person_.Tell(QStringLiteral("PGN copiato / PGN copied"));
    });
    connect(actOpen, &QAction::triggered, this, [this] {
        if (person_.MayDiscardGame()) page_.OpenExecute();
    });
    connect(actSave, &QAction::triggered, this, [this] { page_.SaveExecute(); });
    connect(actPrint, &QAction::triggered, this, [this] { page_.PrintExecute(); });
    connect(actFen, &QAction::triggered, this, &TMainActions::AskForFen);
    connect(actPaste, &QAction::triggered, this, &TMainActions::Paste);
    window_.addActions({actPaste, actCopyFen, actCopyPgn});
}

void TMainActions::CreateGameActions() {
    actResetGame = GlyphAction("\u265A", QStringLiteral("&Nuova partita"), QStringLiteral("Nuova"),
                               QStringLiteral("Nuova partita / New game"));
    actNewWhite =
        GlyphAction("\u2654", QStringLiteral("Nuova partita col &Bianco / New game as White"),
                    QStringLiteral("Bianco"), QStringLiteral("Nuova partita col Bianco / New game as White"));
    actNewBlack =
        GlyphAction("\u265A", QStringLiteral("Nuova partita col Ne&ro / New game as Black"),
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
    actResetGame->setShortcut(QKeySequence::New);
    actReverse->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::Key_F2)});
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
    actTargets = new QAction(QStringLiteral("Mosse le&gali / Legal moves"), this);
    actTargets->setCheckable(true);
    actTargets->setChecked(true);
    actTargets->setToolTip(
        QStringLiteral("Segna dove può andare il pezzo preso / Mark where the piece picked up may go"));
    connect(actTargets, &QAction::toggled, this, [this](bool on) { panel_.scacchiera->SetShowTargets(on); });
    actBook = new QAction(QStringLiteral("&Libro / Book"), this);
    actBook->setCheckable(true);
    actBook->setToolTip(QStringLiteral("Libro d'aperture / Opening book"));
    actHint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    actResign->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    actDraw->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    connect(actHint, &QAction::triggered, this, [this] { person_.Hint(); });
    connect(actResign, &QAction::triggered, this, [this] { person_.Resign(); });
    connect(actDraw, &QAction::triggered, this, [this] { person_.OfferDraw(); });
    connect(actBook, &QAction::toggled, this, [this](bool on) {
        if (on == game_.Options().use_book) return;
        const std::string error = game_.ChangeOptions([on](EngineOptions& o) { o.use_book = on; });
        if (!error.empty()) person_.Tell(qs(error));
        actBook->setChecked(game_.Options().use_book);
    });
}

QMenu* TMainActions::CreateTimeMenu() {
    time_menu_ = new QMenu(&window_);
    auto* group = new QActionGroup(time_menu_);
    for (const TPersonGame::TimePreset& preset : TPersonGame::TimePresets()) {
        QAction* action =
            time_menu_->addAction(QString::fromUtf8(preset.caption), this, [this, line = preset.line] {
                const QString error = person_.ChooseTimeControl(line);
                if (!error.isEmpty()) person_.Tell(error);
                MarkTimeControl();
            });
        action->setCheckable(true);
        action->setData(QString::fromUtf8(preset.line));
        group->addAction(action);
    }
    time_menu_->addSeparator();
    QAction* other =
        time_menu_->addAction(QStringLiteral("Altro… / Other…"), this, &TMainActions::AskForTimeControl);
    other->setCheckable(true);
    group->addAction(other);
    connect(time_menu_, &QMenu::aboutToShow, this, &TMainActions::MarkTimeControl);
    return time_menu_;
}

void TMainActions::MarkTimeControl() {
    // The preset whose control is the game's, else "Other…".
    const TimeControl now = game_.Control();
    QAction* mark = nullptr;
    for (QAction* action : time_menu_->actions()) {
        if (!action->isCheckable()) continue;
        const Parsed<TimeControl> preset = ParseTimeControl(action->data().toString().toStdString());
        const bool same = preset && preset.value->moves == now.moves &&
                          preset.value->base_seconds == now.base_seconds &&
                          preset.value->increment_seconds == now.increment_seconds &&
                          preset.value->seconds_per_move == now.seconds_per_move;
        if (same || (mark == nullptr && action->data().isNull())) mark = action;
    }
    if (mark != nullptr) mark->setChecked(true);
}

// Hold, Edit and AutoPlay: check buttons that follow the game's modes.
void TMainActions::CreateModeActions() {
    const auto mode = [&](const char* glyph, const char* text, const char* tip, auto set) {
        QAction* action = GlyphAction(glyph, QString::fromUtf8(text), QString::fromUtf8(text).remove('&'),
                                      QString::fromUtf8(tip));
        action->setCheckable(true);
        connect(action, &QAction::toggled, this, set);
        return action;
    };
    tlbGioca =
        mode("\u2016", "&Hold", "Se premuto, non muove / If pressed, don't makes any move", [this](bool on) {
            if (on != game_.Hold()) game_.SetHold(on);
        });
    cmdEdit = mode("\u270E", "&Edit", "Edit position", [this](bool on) { person_.SetEditMode(on); });
    tlbAutoPlay = mode("\u21BB", "Aut&oPlay", "Se premuto, gioca da solo / AutoPlay", [this](bool on) {
        if (on != game_.AutoPlay()) game_.SetAutoPlay(on);
    });
}

void TMainActions::CreateMenus() {
    QMenu* partita = window_.menuBar()->addMenu(QStringLiteral("&Partita / Game"));
    partita->addActions({actNewWhite, actNewBlack});
    partita->addSeparator();
    partita->addActions({actOpen, actSave, actPrint, actFen});
    partita->addSeparator();
    partita->addActions({actCopyFen, actCopyPgn, actPaste});
    partita->addSeparator();
    auto* quit = new QAction(QStringLiteral("&Esci / Quit"), this);
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, &window_, &QWidget::close);
    partita->addAction(quit);
    QMenu* gioco = window_.menuBar()->addMenu(QStringLiteral("&Gioco / Play"));
    gioco->addActions({actMoveBack, actMove, actStop, actHint, actAnalysis});
    gioco->addSeparator();
    gioco->addActions({actResign, actDraw, actBook});
    gioco->addMenu(actTime->menu())->setText(QStringLiteral("&Tempo / Time"));
    gioco->addSeparator();
    gioco->addActions({tlbGioca, cmdEdit, tlbAutoPlay, actReverse, actTargets});
    QMenu* vai = window_.menuBar()->addMenu(QStringLiteral("&Vai / Go"));
    vai->addActions({actFirst, actBack, actForward, actLast});
    QMenu* aiuto = window_.menuBar()->addMenu(QStringLiteral("A&iuto / Help"));
    aiuto->addAction(actShortcuts);
}

void TMainActions::CreateStepActions() {
    // The buttons under the board show the glyph alone, the menu the words too.
    const auto step = [this](const char* text, QKeySequence key, auto go) {
        auto* action = new QAction(QString::fromUtf8(text), this);
        action->setIconText(action->text().section(' ', 0, 0));
        action->setToolTip(action->text().section(' ', 1).remove('&'));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, go);
        window_.addAction(action);
        return action;
    };
    actFirst =
        step("\u21E4 &Inizio / Start", QKeySequence(Qt::ALT | Qt::Key_Home), [this] { person_.StepTo(0); });
    actBack =
        step("\u25C0 In&dietro / Back", QKeySequence(Qt::ALT | Qt::Key_Left), [this] { person_.StepBy(-1); });
    actForward = step("\u25B6 &Avanti / Forward", QKeySequence(Qt::ALT | Qt::Key_Right),
                      [this] { person_.StepBy(1); });
    actLast =
        step("\u21E5 &Fine / End", QKeySequence(Qt::ALT | Qt::Key_End), [this] { person_.StepToEnd(); });
    panel_.AddStepButtons({actFirst, actBack, actForward, actLast});
}

void TMainActions::CreateHelpActions() {
    actShortcuts = new QAction(QStringLiteral("&Tasti / Shortcuts"), this);
    connect(actShortcuts, &QAction::triggered, this, [this] {
        QStringList lines;
        for (QAction* action : findChildren<QAction*>()) {
            if (action->shortcut().isEmpty()) continue;
            QStringList keys;
            for (const QKeySequence& key : action->shortcuts())
                keys << key.toString(QKeySequence::NativeText);
            lines << QStringLiteral("<tr><td>%1</td><td>&nbsp;&nbsp;%2</td></tr>")
                         .arg(keys.join(QStringLiteral(", ")).toHtmlEscaped(),
                              QString(action->text()).remove('&').toHtmlEscaped());
        }
        lines.sort();
        // A table, so that each key stands apart from what it does.
        QMessageBox box(QMessageBox::Information, QStringLiteral("Tasti / Shortcuts"),
                        QStringLiteral("<table>") + lines.join(QString()) + QStringLiteral("</table>"),
                        QMessageBox::Ok, &window_);
        box.setTextFormat(Qt::RichText);
        box.exec();
    });
}

void TMainActions::Paste() {
    const QString text = QApplication::clipboard()->text();
    // A PGN game has tags or move numbers; anything else is taken as a FEN.
    QString error;
    if (text.contains(QLatin1Char('[')) || text.trimmed().startsWith(QStringLiteral("1."))) {
        if (!person_.MayDiscardGame()) return;
        error = page_.OpenGameText(text.toStdString());
    } else {
        error = person_.SetUpFen(text);
    }
    if (!error.isEmpty()) person_.Tell(error);
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
