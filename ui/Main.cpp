// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>

#include "host/Conversation.h"
#include "host/WakeUps.h"
#include "notation/San.h"
#include "notation/Version.h"
#include "protocol/StandardInputThread.h"
#include "ui/AnalysisPage.h"
#include "ui/BoardPanel.h"
#include "ui/Comandi.h"
#include "ui/EvalGraph.h"
#include "ui/GamePage.h"
#include "ui/GraphicChessBoard.h"
#include "ui/MainActions.h"
#include "ui/Pages.h"
#include "ui/PersonGame.h"
#include "ui/QuorClock.h"
#include "ui/Text.h"

namespace galvetta {

namespace {

// Memo text with the report's CR LF line ends shown as plain lines.
QString memo_text(const std::string& s) {
    return qs(s).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The window's first size, when the screen has room for it.
constexpr QSize PREFERRED_SIZE(1240, 860);
// Pixels kept free around the window for its frame and title bar.
constexpr int FRAME_ALLOWANCE = 48;

} // namespace

QString TfrmMain::Caption() {
    return QStringLiteral("Galvetta Release ") + qs(ShortVersion());
}

TfrmMain::TfrmMain(const StartOptions& options, TStandardInputThread* reader, bool headless)
    : options_(options), reader_(reader), headless_(headless), imgPezzi(MakePieceImages(48)) {
    BuildWindow();
    ConnectGame();
}

TfrmMain::~TfrmMain() {
    // No wake-up may reach a window that is going.
    if (reader_ != nullptr) reader_->SetWakeUp(nullptr);
    game_->SetSearchEnded(nullptr);
    game_->AnalysisEnded = nullptr;
    timMossa->stop();
    interface_.reset();
    game_.reset(); // stops the search and waits for it before the block goes
}

void TfrmMain::BuildWindow() {
    setWindowTitle(QStringLiteral("Galvetta"));
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QHBoxLayout(central);
    layout->addWidget(CreateBoardPanel(central), 1);
    // FormCreate: the game with its driver on the White clock, and the interface.
    game_ = std::make_unique<TGame>(*board_panel_->scacchiera, *board_panel_->clkBianco,
                                    *board_panel_->clkNero, *this);
    interface_ = std::make_unique<TInterface>(*game_, *this, reader_);
    CreatePages(central);
    layout->addWidget(pages_, 1);
    CreateStatusBar();
    person_ = new TPersonGame(*game_, *interface_, *board_panel_, *pages_, *lblRisultato);
    person_->KeepsGames = options_.save_games_fd >= 0;
    pages_->txtPartita->Filed = [this] { person_->GameSaved(); };
    person_->Tell = [this](const QString& text) { statusBar()->showMessage(text, 10000); };
    person_->Confirm = [this](const QString& question) {
        return QMessageBox::question(this, Caption(), question, QMessageBox::Yes | QMessageBox::Cancel) ==
               QMessageBox::Yes;
    };
    person_->AskUnsaved = [this](const QString& question) {
        switch (QMessageBox::question(this, Caption(), question,
                                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel)) {
        case QMessageBox::Save: return TPersonGame::Unsaved::Save;
        case QMessageBox::Discard: return TPersonGame::Unsaved::Discard;
        default: return TPersonGame::Unsaved::Cancel;
        }
    };
    person_->SaveGame = [this] { return pages_->txtPartita->SaveExecute(); };
    person_->ContinueFromHere = [this](const QString& question) {
        return QMessageBox::question(this, Caption(), question, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    person_->ShownChanged = [this](int index) {
        pages_->txtPartita->HighlightPly(index);
        pages_->grafico->SetCurrent(index);
    };
    pages_->txtPartita->MoveClicked = [this](int ply) { person_->StepTo(ply); };
    pages_->grafico->PlyClicked = [this](int ply) { person_->StepTo(ply); };
    pages_->txtPartita->Opened = [this](const QString& names) {
        person_->FreshStart();
        // The person's side at the bottom: the side the engine does not play.
        if (board_panel_->scacchiera->GetBlackAtBottom() != game_->EngineWhite()) board_panel_->Reverse();
        if (!names.isEmpty()) SetStatusPanel(1, names.toStdString());
    };
    actions_ = new TMainActions(*this, *game_, *person_, *pages_->txtPartita, *board_panel_);
    ConnectAnalysisSwitch();
    CreateConnections();
    timMossa = new QTimer(this);
    timMossa->setInterval(100);
    connect(timMossa, &QTimer::timeout, this, &TfrmMain::timMossaTimer);
    // Room for the title bar and borders a window manager adds, so that the
    // status bar starts inside a small screen.
    const QSize room = screen()->availableGeometry().size() - QSize(FRAME_ALLOWANCE, FRAME_ALLOWANCE);
    resize(PREFERRED_SIZE.boundedTo(room));
}

void TfrmMain::ConnectGame() {
    game_->SetErrorBeep([] { QApplication::beep(); });
    game_->SetSaveGames(options_.save_games_fd);
    game_->CopyBoardToEngine();
    board_panel_->scacchiera->OnHistoryChanged = [this] {
        pages_->txtPartita->ScheduleMoveList();
        pages_->grafico->update();
        person_->HistoryChanged();
    };
    board_panel_->scacchiera->DropRefused = [this](const std::string& move) { person_->DropRefused(move); };
    board_panel_->scacchiera->LockedPress = [this] { person_->LockedPress(); };
    board_panel_->scacchiera->SteppedPress = [this] { person_->SteppedPress(); };
    board_panel_->scacchiera->LegalTargets = [this](int from) {
        std::vector<int> targets;
        for (const LegalMove& move : LegalMoves(game_->Position(), false))
            if (move.from == from) targets.push_back(move.to);
        return targets;
    };
    board_panel_->scacchiera->ChoosePromotion = [this](bool white, QPoint where) {
        return board_panel_->ChoosePromotion(white, where);
    };

    // The conversation server, named after the program.
    Conversation = new TConversationServer(this);
    Conversation->Serve(*interface_, [this] { return command_item_; });
}

QWidget* TfrmMain::CreateBoardPanel(QWidget* parent) {
    board_panel_ = new TBoardPanel(&imgPezzi, parent);
    return board_panel_;
}

void TfrmMain::CreatePages(QWidget* parent) {
    pages_ = new TPages(*game_, parent);
}

// The analysis switch twice: in the menu and on its page.
void TfrmMain::ConnectAnalysisSwitch() {
    connect(actions_->actReverse, &QAction::triggered, this, &TfrmMain::ReverseExecute);
    connect(actions_->actAnalysis, &QAction::toggled, pages_->analysis->btnAnalizza,
            &QPushButton::setChecked);
    connect(pages_->analysis->btnAnalizza, &QPushButton::toggled, this, [this](bool on) {
        actions_->actAnalysis->setChecked(on);
        if (on) pages_->setCurrentWidget(pages_->analysis);
    });
}

// Four panels: the interface, the opponent's name, its rating, "computer";
// and, at the right, how the game ended.
void TfrmMain::CreateStatusBar() {
    // Narrow enough that the window fits a small screen.
    const int widths[4] = {70, 120, 70, 40};
    for (int i = 0; i < 4; ++i) {
        stato[i] = new QLabel(statusBar());
        stato[i]->setMinimumWidth(widths[i]);
        statusBar()->addWidget(stato[i]);
    }
    lblRisultato = new QLabel(statusBar());
    QFont bold = lblRisultato->font();
    bold.setBold(true);
    lblRisultato->setFont(bold);
    statusBar()->addPermanentWidget(lblRisultato);
}

// The command boxes and their buttons, the help, the level slider.
void TfrmMain::CreateConnections() {
    connect(pages_->BitBtn2, &QPushButton::clicked, this, &TfrmMain::ExecuteCommandBox);
    connect(pages_->txtEsegui, &QLineEdit::returnPressed, pages_->BitBtn2, &QPushButton::click);
    connect(pages_->BitBtn1, &QPushButton::clicked, this,
            [this] { CommandItemChanged(pages_->txtCommand->text().toStdString()); });
    connect(pages_->txtCommand, &QLineEdit::returnPressed, pages_->BitBtn1, &QPushButton::click);
    connect(pages_->cmdAiutoComandi, &QPushButton::clicked, this, &TfrmMain::cmdAiutoComandiClick);
    connect(pages_->Button1, &QPushButton::clicked, this, &TfrmMain::cmdAiutoComandiClick);
    // Only the person's moves of the slider choose a depth; the planning's do not.
    connect(board_panel_->txtMossaTastiera, &QLineEdit::returnPressed, this, [this] {
        const QString error = person_->PlayTyped(board_panel_->txtMossaTastiera->text());
        if (error.isEmpty()) {
            board_panel_->txtMossaTastiera->clear();
            statusBar()->clearMessage(); // a refusal of an earlier try is old news
        } else {
            statusBar()->showMessage(error, 10000);
        }
    });
    connect(board_panel_->trkLivelli, &QSlider::actionTriggered, this,
            [this] { person_->ChooseDepth(board_panel_->trkLivelli->sliderPosition()); });
}

void TfrmMain::ExecuteCommandBox() {
    const QString text = pages_->txtEsegui->text().trimmed();
    if (text.section(' ', 0, 0).count('/') == 7) {
        const QString error = person_->SetUpFen(text);
        if (!error.isEmpty()) statusBar()->showMessage(error, 10000);
        return;
    }
    interface_->InterpretCommand(text.toStdString());
}

void TfrmMain::FormShow() {
    setWindowTitle(Caption());
    // The book: the one asked for, else Debian's for a person's game.
    // It is opened when its first move is wanted (a --book file was checked at the start).
    game_->ChangeOptions([this](EngineOptions& o) {
        if (!options_.book.empty()) o.book_file = options_.book;
        o.use_book = !options_.book.empty() || QFileInfo::exists(QString::fromStdString(o.book_file));
    });
    game_->SetBookChosen(!options_.book.empty());
    if (options_.uci) interface_->SpeakUci();
    if (options_.level) board_panel_->trkLivelli->setValue(*options_.level);
    if (!options_.notice.empty()) pages_->txtStatistiche->appendPlainText(qs(options_.notice));
    interface_->ResetGameExecute();
    timMossa->start();
    game_->CopyBoardToEngine();
    actions_->actBook->setChecked(game_->Options().use_book);

    // A line read and a search ended are handled at once, on this thread.
    ConnectWakeUps(this, *game_, reader_, [this] { InputArrived(); });
}

void TfrmMain::InputArrived() {
    interface_->TakeInputLine();
    EndIfInputEnded();
}

void TfrmMain::timMossaTimer() {
    interface_->OnMoveTimer();
    EndIfInputEnded();
}

void TfrmMain::EndIfInputEnded() {
    // The interface has gone (or, without a window, nobody can reach us any
    // more): end as "quit" does, once a search that was asked for has
    // answered. A window started with no input at all stays for the person.
    if (reader_ != nullptr && reader_->AtEnd() && (headless_ || reader_->Delivered()) && timMossa->isActive())
        interface_->InputEnded();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!close_requested_ && !person_->MayDiscardGame()) event->ignore();
}

void TfrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) actions_->PaintIcons();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // Captions under the tool glyphs only while the window is wide enough.
    actions_->FitToolBar(width());
}

bool TfrmMain::SaveGameTo(const QString& path) {
    return pages_->txtPartita->SaveGameTo(path);
}

QString TfrmMain::OpenGameFrom(const QString& path, int index) {
    QString names;
    return pages_->txtPartita->OpenGameFrom(path, index, names);
}

void TfrmMain::PrintGame(QPrinter& printer) {
    pages_->txtPartita->PrintGame(printer);
}

void TfrmMain::ReverseExecute() {
    board_panel_->Reverse();
}

void TfrmMain::cmdAiutoComandiClick() {
    if (help_ == nullptr) help_ = new TfrmComandi(this);
    help_->show();
    help_->raise();
}

void TfrmMain::SetStatusPanel(int index, const std::string& text) {
    if (index >= 0 && index < 4) stato[index]->setText(qs(text));
}
void TfrmMain::SentLineAdded(const std::string& line) {
    pages_->memComandi->appendPlainText(TPages::PageLine(line));
}
void TfrmMain::SentLinesCleared() {
    pages_->memComandi->clear();
}
void TfrmMain::ReceivedLineAdded(const std::string& line) {
    pages_->AddReceivedLine(line);
}
void TfrmMain::CommandItemChanged(const std::string& value) {
    command_item_ = qs(value);
    if (Conversation != nullptr) Conversation->ItemChanged(command_item_);
}
void TfrmMain::ModesChanged() {
    actions_->tlbGioca->setChecked(game_->Hold());
    actions_->cmdEdit->setChecked(game_->EditMode());
    actions_->tlbAutoPlay->setChecked(game_->AutoPlay());
    board_panel_->scacchiera->SetEditing(game_->EditMode());
    board_panel_->ShowEditPalette(game_->EditMode() && !interface_->InterfaceDrives(), game_->WhiteToMove());
}
void TfrmMain::StatisticsChanged(const std::string& text) {
    pages_->txtStatistiche->setPlainText(memo_text(text));
}
void TfrmMain::EngineMoveShown(const std::optional<Move>& move) {
    pages_->txtMossa->setText(move ? qs(move->EngineText()) : QString());
}
void TfrmMain::PositionShown(const std::string& position) {
    pages_->txtPosizione->setPlainText(qs(position));
}
void TfrmMain::GeneratedMovesShown(const std::string& text) {
    pages_->txtMosse->setText(qs(text));
}
void TfrmMain::PlanningShown(const std::string& moves, const std::string& ms, int depth) {
    pages_->txtMossePreviste->setText(qs(moves));
    pages_->txtTempoPrevisto->setText(qs(ms));
    board_panel_->trkLivelli->setValue(depth);
}
void TfrmMain::NoticeShown(const std::string& text) {
    statusBar()->showMessage(qs(text));
}
void TfrmMain::GameEnded(const std::string& result, const std::string& reason, GameEnd) {
    person_->GameEnded(result, reason);
}
void TfrmMain::SearchReported(const std::vector<SearchReport>& reports, const std::string& position) {
    person_->SearchReported(reports, position);
}
void TfrmMain::CloseRequested() {
    timMossa->stop();
    close_requested_ = true;
    close();
}

} // namespace galvetta
