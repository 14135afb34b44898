// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Main.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "game/StandardInputThread.h"
#include "game/Version.h"
#include "ui/BoardPanel.h"
#include "ui/Comandi.h"
#include "ui/Conversation.h"
#include "ui/GamePage.h"
#include "ui/GraphicChessBoard.h"
#include "ui/QuorClock.h"
#include "ui/QuorLabel.h"

namespace galvetta {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The protocol pages keep the newest lines, each shown up to a readable length,
// so that a flood of long lines cannot fill the memory.
constexpr int PAGE_LINES = 2000;
constexpr int PAGE_LINE_CHARS = 1024;

QString PageLine(const std::string& line) {
    if (line.size() <= PAGE_LINE_CHARS) return qs(line);
    return qs(line.substr(0, PAGE_LINE_CHARS)) + QStringLiteral("...");
}

// Memo text with the report's CR LF line ends shown as plain lines.
QString memo_text(const std::string& s) {
    return qs(s).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

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
    game_->Driver().SetSearchEnded(nullptr);
    timMossa->stop();
    interface_.reset();
    game_.reset(); // stops the search and waits for it before the block goes
}

void TfrmMain::BuildWindow() {
    setWindowTitle(QStringLiteral("Galvetta"));
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QHBoxLayout(central);
    layout->addWidget(CreateBoardPanel(central));
    // FormCreate: the game with its driver on the White clock, and the interface.
    game_ = std::make_unique<TGame>(*scacchiera, *clkBianco, *clkNero, *this);
    interface_ = std::make_unique<TInterface>(*game_, *this, reader_);
    layout->addWidget(CreatePages(central), 1);
    CreateToolBar();
    CreateStatusBar();
    CreateConnections();
    timMossa = new QTimer(this);
    timMossa->setInterval(100);
    connect(timMossa, &QTimer::timeout, this, &TfrmMain::timMossaTimer);
}

void TfrmMain::ConnectGame() {
    game_->Driver().ErrorBeep = [] { QApplication::beep(); };
    game_->SetSaveGames(options_.save_games_fd);
    game_->CopyBoardToEngine();
    scacchiera->OnHistoryChanged = [this] { txtPartita->ScheduleMoveList(); };

    // The conversation server, named after the program.
    Conversation = new TConversationServer(this);
    Conversation->OnMacro = [this](const QStringList& lines) {
        std::vector<std::string> macro;
        for (const QString& line : lines)
            macro.push_back(line.toStdString());
        interface_->ExecuteMacro(macro);
    };
    Conversation->OnPoke = [this](const QString& text) { interface_->PokeCommand(text.toStdString()); };
    Conversation->ItemValue = [this] { return command_item_; };
    Conversation->Start(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

QWidget* TfrmMain::CreateBoardPanel(QWidget* parent) {
    board_panel_ = new TBoardPanel(&imgPezzi, parent);
    scacchiera = board_panel_->scacchiera;
    clkBianco = board_panel_->clkBianco;
    clkNero = board_panel_->clkNero;
    trkLivelli = board_panel_->trkLivelli;
    lblLivello = board_panel_->lblLivello;
    return board_panel_;
}

QWidget* TfrmMain::CreatePages(QWidget* parent) {
    pagine = new QTabWidget(parent);
    pagine->addTab(CreateVerificaPage(), QStringLiteral("&Verifica"));
    pagine->addTab(CreateInvioPage(), QStringLiteral("Invio &Comandi"));
    lstComandi = new QListWidget(pagine);
    lstComandi->addItem(QStringLiteral("Received commands:"));
    pagine->addTab(lstComandi, QStringLiteral("Comandi &ricevuti"));
    pagine->addTab(CreateDebugPage(), QStringLiteral("&Debug"));
    txtPartita = new TGamePage(*game_, pagine);
    pagine->addTab(txtPartita, QStringLiteral("&Partita / Game"));
    return pagine;
}

// The last move, the planning, the statistics and the command box.
QWidget* TfrmMain::CreateVerificaPage() {
    auto* verifica = new QWidget(pagine);
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
    auto* help_button = new QPushButton(QStringLiteral("?"), verifica);
    grid->addWidget(txtEsegui, row, 0);
    grid->addWidget(BitBtn2, row, 1);
    grid->addWidget(help_button, row++, 2);
    grid->addWidget(caption(QStringLiteral("To promote: g7g8q and press enter"), verifica), row++, 0, 1, 3);
    connect(help_button, &QPushButton::clicked, this, &TfrmMain::cmdAiutoComandiClick);
    return verifica;
}

// The lines sent to the interface and the conversation item's box.
QWidget* TfrmMain::CreateInvioPage() {
    auto* invio = new QWidget(pagine);
    auto* invio_layout = new QGridLayout(invio);
    memComandi = new QPlainTextEdit(invio);
    memComandi->setMaximumBlockCount(PAGE_LINES);
    memComandi->setReadOnly(true);
    txtCommand = new QLineEdit(invio);
    BitBtn1 = new QPushButton(QStringLiteral("Mossa o Comando per WinBoard (command to WB)"), invio);
    auto* help_button2 = new QPushButton(QStringLiteral("?"), invio);
    invio_layout->addWidget(caption(QStringLiteral("Lines sent:"), invio), 0, 0, 1, 3);
    invio_layout->addWidget(memComandi, 1, 0, 1, 3);
    invio_layout->addWidget(txtCommand, 2, 0);
    invio_layout->addWidget(BitBtn1, 2, 1);
    invio_layout->addWidget(help_button2, 2, 2);
    connect(help_button2, &QPushButton::clicked, this, &TfrmMain::cmdAiutoComandiClick);
    return invio;
}

QWidget* TfrmMain::CreateDebugPage() {
    auto* debug = new QWidget(pagine);
    auto* debug_layout = new QGridLayout(debug);
    txtPosizione = new QPlainTextEdit(debug);
    txtPosizione->setReadOnly(true);
    debug_layout->addWidget(caption(QStringLiteral("Position text:"), debug), 0, 0, 1, 4);
    debug_layout->addWidget(txtPosizione, 1, 0, 1, 4);
    debug_layout->addWidget(caption(QStringLiteral("Start"), debug), 2, 0);
    debug_layout->addWidget(new QLineEdit(debug), 2, 1);
    debug_layout->addWidget(caption(QStringLiteral("Delta"), debug), 2, 2);
    debug_layout->addWidget(new QLineEdit(QStringLiteral("2"), debug), 2, 3);
    return debug;
}

void TfrmMain::CreateToolBar() {
    QToolBar* tools = addToolBar(QStringLiteral("Strumenti"));
    tools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const QColor ink(40, 60, 110);
    const auto icon = [&](const char* glyph) { return QIcon(MakeGlyphIcon(QString::fromUtf8(glyph), ink)); };
    CreateFileActions(tools, icon);
    tools->addSeparator();
    actResetGame = tools->addAction(icon("\u265A"), QStringLiteral("&Nuova partita"), this,
                                    [this] { interface_->ResetGameExecute(); });
    actMoveBack = tools->addAction(icon("\u21B6"), QStringLiteral("&Annulla l'ultima mossa"), this,
                                   [this] { game_->TakeBack(); });
    actMove = tools->addAction(icon("\u25B6"), QStringLiteral("&Mossa a Galvetta"), this,
                               [this] { game_->Think(false); });
    actStop = tools->addAction(icon("\u25A0"), QStringLiteral("&Ferma la ricerca"), this,
                               [this] { game_->Stop(); });
    actReverse =
        tools->addAction(icon("\u21C5"), QStringLiteral("&Inverti"), this, &TfrmMain::ReverseExecute);
    actResetGame->setToolTip(QStringLiteral("Nuova partita / New game"));
    actMoveBack->setToolTip(QStringLiteral("Annulla l'ultima mossa / Take back"));
    actMove->setToolTip(QStringLiteral("Mossa a Galvetta / Galvetta moves"));
    actStop->setToolTip(QStringLiteral("Ferma la ricerca / Stop the search"));
    actReverse->setToolTip(QStringLiteral("Inverti / Turn the board"));
    tools->addSeparator();
    CreateModeActions(tools, icon);
}

// Hold, Edit and AutoPlay: check buttons that follow the game's modes.
void TfrmMain::CreateModeActions(QToolBar* tools, const std::function<QIcon(const char*)>& icon) {
    const auto mode = [&](const char* glyph, const char* text, const char* tip, auto set, auto get) {
        QAction* action = tools->addAction(icon(glyph), QString::fromUtf8(text));
        action->setCheckable(true);
        action->setToolTip(QString::fromUtf8(tip));
        connect(action, &QAction::toggled, this, [this, set, get](bool on) {
            if (on != ((*game_).*get)()) ((*game_).*set)(on);
        });
        return action;
    };
    tlbGioca = mode("\u2016", "Hold", "Se premuto, non muove / If pressed, don't makes any move",
                    &TGame::SetHold, &TGame::Hold);
    cmdEdit = mode("\u270E", "Edit", "Edit position", &TGame::SetEditMode, &TGame::EditMode);
    tlbAutoPlay = mode("\u21BB", "AutoPlay", "Se premuto, gioca da solo / AutoPlay", &TGame::SetAutoPlay,
                       &TGame::AutoPlay);
}

void TfrmMain::CreateFileActions(QToolBar* tools, const std::function<QIcon(const char*)>& icon) {
    actOpen = tools->addAction(icon("\u2750"), QStringLiteral("&Apri"), this, [this] {
        const QString names = txtPartita->OpenExecute();
        if (!names.isEmpty()) SetStatusPanel(1, names.toStdString());
    });
    actSave = tools->addAction(icon("\u2713"), QStringLiteral("&Salva"), this,
                               [this] { txtPartita->SaveExecute(); });
    actPrint = tools->addAction(icon("\u25A4"), QStringLiteral("S&tampa"), this,
                                [this] { txtPartita->PrintExecute(scacchiera->grab().toImage()); });
    actOpen->setShortcut(QKeySequence::Open);
    actSave->setShortcut(QKeySequence::Save);
    actPrint->setShortcut(QKeySequence::Print);
    actOpen->setToolTip(QStringLiteral("Apri / Open a game (PGN or FEN)"));
    actSave->setToolTip(QStringLiteral("Salva / Save the game as PGN"));
    actPrint->setToolTip(QStringLiteral("Stampa / Print the game"));
}

// Four panels: the interface, the opponent's name, its rating, "computer".
void TfrmMain::CreateStatusBar() {
    const int widths[4] = {100, 200, 200, 50};
    for (int i = 0; i < 4; ++i) {
        stato[i] = new QLabel(statusBar());
        stato[i]->setMinimumWidth(widths[i]);
        statusBar()->addWidget(stato[i]);
    }
}

// The command boxes and their buttons.
void TfrmMain::CreateConnections() {
    connect(BitBtn2, &QPushButton::clicked, this,
            [this] { interface_->InterpretCommand(txtEsegui->text().toStdString()); });
    connect(txtEsegui, &QLineEdit::returnPressed, BitBtn2, &QPushButton::click);
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { CommandItemChanged(txtCommand->text().toStdString()); });
    connect(txtCommand, &QLineEdit::returnPressed, BitBtn1, &QPushButton::click);
}

void TfrmMain::FormShow() {
    setWindowTitle(Caption());
    // The book: the one asked for, else Debian's for a person's game.
    if (!options_.book.empty()) game_->BookFile = options_.book;
    if (game_
            ->SetUseBook(!options_.book.empty() || QFileInfo::exists(QString::fromStdString(game_->BookFile)))
            .empty())
        game_->BookChosen = !options_.book.empty();
    if (options_.uci) interface_->SpeakUci();
    if (options_.level) trkLivelli->setValue(*options_.level);
    if (!options_.notice.empty()) txtStatistiche->appendPlainText(qs(options_.notice));
    interface_->ResetGameExecute();
    timMossa->start();
    game_->CopyBoardToEngine();

    // A line read and a search ended are handled at once, on this thread.
    auto soon = [this](auto work) { QMetaObject::invokeMethod(this, work, Qt::QueuedConnection); };
    game_->Driver().SetSearchEnded([this, soon] { soon([this] { game_->CollectFinishedSearch(); }); });
    if (reader_ != nullptr) {
        reader_->SetWakeUp([this, soon] { soon([this] { InputArrived(); }); });
        soon([this] { InputArrived(); }); // what came before the wake-ups
    }
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

bool TfrmMain::SaveGameTo(const QString& path) {
    return txtPartita->SaveGameTo(path);
}

QString TfrmMain::OpenGameFrom(const QString& path, int index) {
    QString names;
    const QString error = txtPartita->OpenGameFrom(path, index, names);
    if (!names.isEmpty()) SetStatusPanel(1, names.toStdString());
    return error;
}

void TfrmMain::PrintGame(QPrinter& printer) {
    txtPartita->PrintGame(printer, scacchiera->grab().toImage());
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
    memComandi->appendPlainText(PageLine(line));
}
void TfrmMain::SentLinesCleared() {
    memComandi->clear();
}
void TfrmMain::ReceivedLineAdded(const std::string& line) {
    lstComandi->addItem(PageLine(line));
    // The first item is the list's caption.
    while (lstComandi->count() > PAGE_LINES + 1)
        delete lstComandi->takeItem(1);
}
void TfrmMain::CommandItemChanged(const std::string& value) {
    command_item_ = qs(value);
    if (Conversation != nullptr) Conversation->ItemChanged(command_item_);
}
void TfrmMain::ModesChanged() {
    tlbGioca->setChecked(game_->Hold());
    cmdEdit->setChecked(game_->EditMode());
    tlbAutoPlay->setChecked(game_->AutoPlay());
}
void TfrmMain::StatisticsChanged(const std::string& text) {
    txtStatistiche->setPlainText(memo_text(text));
}
void TfrmMain::EngineMoveShown(const std::string& move) {
    txtMossa->setText(qs(move));
}
void TfrmMain::PositionShown(const std::string& position) {
    txtPosizione->setPlainText(qs(position));
}
void TfrmMain::GeneratedMovesShown(const std::string& text) {
    txtMosse->setText(qs(text));
}
void TfrmMain::PlanningShown(const std::string& moves, const std::string& ms, int depth) {
    txtMossePreviste->setText(qs(moves));
    txtTempoPrevisto->setText(qs(ms));
    trkLivelli->setValue(depth);
}
void TfrmMain::NoticeShown(const std::string& text) {
    statusBar()->showMessage(qs(text));
}
void TfrmMain::CloseRequested() {
    timMossa->stop();
    close();
}

} // namespace galvetta
