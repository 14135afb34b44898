#include "ui/Main.h"

#include <QAction>
#include <QApplication>
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

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QUrl>

#include "game/Pgn.h"

#include "game/StandardInputThread.h"
#include "ui/Comandi.h"
#include "ui/Conversation.h"
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
    // The project version without its last part: 0.11.0.125 shows as 0.11.0.
    QString version = QStringLiteral(GALVETTA_VERSION);
    const int dot = version.lastIndexOf('.');
    if (version.count('.') >= 3 && dot > 0) version.truncate(dot);
    return QStringLiteral("Galvetta Release ") + version;
}

TfrmMain::TfrmMain(const QStringList& arguments, TStandardInputThread* reader, bool headless)
    : arguments_(arguments), reader_(reader), headless_(headless), imgPezzi(MakePieceImages(48)) {
    BuildWindow();
    // FormCreate: the driver comes with the game control, on the White clock.
    game_ = std::make_unique<TGameControl>(*scacchiera, *clkBianco, *clkNero, *this, reader_);
    game_->Driver().ErrorBeep = [] { QApplication::beep(); };
    game_->CopyBoardToEngine();

    // The conversation server, named after the program.
    Conversation = new TConversationServer(this);
    Conversation->OnMacro = [this](const QStringList& lines) {
        std::vector<std::string> macro;
        for (const QString& line : lines)
            macro.push_back(line.toStdString());
        game_->ExecuteMacro(macro);
    };
    Conversation->OnPoke = [this](const QString& text) { game_->PokeCommand(text.toStdString()); };
    Conversation->ItemValue = [this] { return command_item_; };
    Conversation->Start(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

TfrmMain::~TfrmMain() {
    // No wake-up may reach a window that is going.
    if (reader_ != nullptr) reader_->SetWakeUp(nullptr);
    game_->Driver().SetSearchEnded(nullptr);
    timMossa->stop();
    game_.reset(); // stops the search and waits for it before the block goes
}

void TfrmMain::BuildWindow() {
    setWindowTitle(QStringLiteral("Galvetta"));
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QHBoxLayout(central);
    layout->addWidget(CreateBoardPanel(central));
    layout->addWidget(CreatePages(central), 1);
    CreateToolBar();
    CreateStatusBar();
    CreateConnections();
    timMossa = new QTimer(this);
    timMossa->setInterval(100);
    connect(timMossa, &QTimer::timeout, this, &TfrmMain::timMossaTimer);
}

// Black's clock above the board, White's below (turned over by Reverse), and
// the level slider.
QWidget* TfrmMain::CreateBoardPanel(QWidget* parent) {
    board_panel_ = new QWidget(parent);
    auto* board_layout = new QVBoxLayout(board_panel_);
    clkNero = new TQuorClock(board_panel_);
    clkBianco = new TQuorClock(board_panel_);
    for (TQuorClock* clock : {clkNero, clkBianco}) {
        clock->setObjectName(clock == clkNero ? "clkNero" : "clkBianco");
        clock->setText(QStringLiteral("05:00"));
        QFont font = clock->font();
        font.setPointSize(20);
        font.setBold(true);
        clock->setFont(font);
        clock->setMinimumHeight(36);
        clock->Max = 0;
        clock->Step = -1;
        clock->OnTick = [](ChessClock* ticking) {
            if (ticking->GetValue() <= 0) {
                auto* widget = static_cast<TQuorClock*>(ticking);
                widget->setText(widget->text() + QStringLiteral(" Tempo scaduto (out of time)"));
            }
        };
    }
    clkBianco->SetLinkedClock(clkNero);
    scacchiera = new TGraphicChessBoard(board_panel_);
    scacchiera->setObjectName("scacchiera");
    scacchiera->SetPictures(&imgPezzi);
    board_layout->addWidget(clkNero);
    board_layout->addWidget(scacchiera);
    board_layout->addWidget(clkBianco);

    trkLivelli = new QSlider(Qt::Horizontal, board_panel_);
    trkLivelli->setRange(2, 40);
    trkLivelli->setValue(8);
    lblLivello = new QLabel(QStringLiteral("Livello 8"), board_panel_);
    connect(trkLivelli, &QSlider::valueChanged, this,
            [this](int position) { lblLivello->setText(QStringLiteral("Livello: %1 (ply)").arg(position)); });
    board_layout->addWidget(lblLivello);
    board_layout->addWidget(trkLivelli);

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
    pagine->addTab(CreatePartitaPage(), QStringLiteral("&Partita / Game"));
    return pagine;
}

// The moves of the game in numbered pairs, and the result once it is over.
QWidget* TfrmMain::CreatePartitaPage() {
    txtPartita = new QPlainTextEdit(pagine);
    txtPartita->setReadOnly(true);
    QFont font = txtPartita->font();
    font.setFamily(QStringLiteral("DejaVu Sans Mono"));
    txtPartita->setFont(font);
    return txtPartita;
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
                                    [this] { game_->ResetGameExecute(); });
    actMoveBack = tools->addAction(icon("\u21B6"), QStringLiteral("&Annulla l'ultima mossa"), this,
                                   [this] { game_->MoveBackExecute(); });
    actMove = tools->addAction(icon("\u25B6"), QStringLiteral("&Mossa a Galvetta"), this,
                               [this] { game_->MoveExecute(false); });
    actStop = tools->addAction(icon("\u25A0"), QStringLiteral("&Ferma la ricerca"), this,
                               [this] { game_->StopExecute(); });
    actReverse =
        tools->addAction(icon("\u21C5"), QStringLiteral("&Inverti"), this, &TfrmMain::ReverseExecute);
    actResetGame->setToolTip(QStringLiteral("Nuova partita / New game"));
    actMoveBack->setToolTip(QStringLiteral("Annulla l'ultima mossa / Take back"));
    actMove->setToolTip(QStringLiteral("Mossa a Galvetta / Galvetta moves"));
    actStop->setToolTip(QStringLiteral("Ferma la ricerca / Stop the search"));
    actReverse->setToolTip(QStringLiteral("Inverti / Turn the board"));
    tools->addSeparator();
    tlbGioca = tools->addAction(icon("\u2016"), QStringLiteral("Hold"));
    tlbGioca->setCheckable(true);
    tlbGioca->setToolTip(QStringLiteral("Se premuto, non muove / If pressed, don't makes any move"));
    connect(tlbGioca, &QAction::toggled, this, [this](bool on) {
        if (on != game_->Hold()) game_->SetHold(on);
    });
    cmdEdit = tools->addAction(icon("\u270E"), QStringLiteral("Edit"));
    cmdEdit->setCheckable(true);
    cmdEdit->setToolTip(QStringLiteral("Edit position"));
    connect(cmdEdit, &QAction::toggled, this, [this](bool on) {
        if (on != game_->EditMode()) game_->SetEditMode(on);
    });
    tlbAutoPlay = tools->addAction(icon("\u21BB"), QStringLiteral("AutoPlay"));
    tlbAutoPlay->setCheckable(true);
    tlbAutoPlay->setToolTip(QStringLiteral("Se premuto, gioca da solo / AutoPlay"));
    connect(tlbAutoPlay, &QAction::toggled, this, [this](bool on) {
        if (on != game_->AutoPlay()) game_->SetAutoPlay(on);
    });
}

void TfrmMain::CreateFileActions(QToolBar* tools, const std::function<QIcon(const char*)>& icon) {
    actOpen = tools->addAction(icon("\u2750"), QStringLiteral("&Apri"), this, &TfrmMain::OpenExecute);
    actSave = tools->addAction(icon("\u2713"), QStringLiteral("&Salva"), this, &TfrmMain::SaveExecute);
    actPrint = tools->addAction(icon("\u25A4"), QStringLiteral("S&tampa"), this, &TfrmMain::PrintExecute);
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
            [this] { game_->InterpretCommand(txtEsegui->text().toStdString()); });
    connect(txtEsegui, &QLineEdit::returnPressed, BitBtn2, &QPushButton::click);
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { CommandItemChanged(txtCommand->text().toStdString()); });
    connect(txtCommand, &QLineEdit::returnPressed, BitBtn1, &QPushButton::click);
}

void TfrmMain::FormShow() {
    setWindowTitle(Caption());
    if (arguments_.removeAll(QStringLiteral("--uci")) > 0) game_->SpeakUci();
    const int save_games = arguments_.indexOf(QStringLiteral("--save-games"));
    if (save_games >= 0 && save_games + 1 < arguments_.size()) {
        game_->Game().SaveGamesFile = QFile::encodeName(arguments_[save_games + 1]).toStdString();
        arguments_.remove(save_games, 2);
    }
    scacchiera->OnHistoryChanged = [this] { ScheduleMoveList(); };
    const QString argument = arguments_.join(' ');
    if (argument.size() > 2) {
        if (argument.startsWith(QStringLiteral("/L"))) {
            bool ok = false;
            const int level = argument.mid(2).trimmed().toInt(&ok);
            if (ok)
                trkLivelli->setValue(level);
            else
                txtStatistiche->appendPlainText(QStringLiteral("Ignored argument: ") + argument);
        } else {
            trkLivelli->setValue(6);
        }
    }
    game_->ResetGameExecute();
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
    game_->TakeInputLine();
    EndIfInputEnded();
}

void TfrmMain::timMossaTimer() {
    game_->OnMoveTimer();
    EndIfInputEnded();
}

void TfrmMain::EndIfInputEnded() {
    // The interface has gone (or, without a window, nobody can reach us any
    // more): end as "quit" does, even during a search. A window started with
    // no input at all stays for the person in front of it.
    if (reader_ != nullptr && reader_->AtEnd() && (headless_ || reader_->Delivered()) &&
        timMossa->isActive()) {
        game_->StopExecute();
        CloseRequested();
    }
}

void TfrmMain::ScheduleMoveList() {
    if (move_list_due_) return;
    move_list_due_ = true;
    QMetaObject::invokeMethod(
        this, [this] { ShowMoveList(); }, Qt::QueuedConnection);
}

void TfrmMain::ShowMoveList() {
    move_list_due_ = false;
    txtPartita->setPlainText(MoveListText());
    txtPartita->moveCursor(QTextCursor::End);
}

QString TfrmMain::MoveListText() const {
    const PgnGame game = game_->Game().Record();
    QStringList lines;
    for (const MovePair& pair : MovePairs(game))
        lines << QStringLiteral("%1. %2%3")
                     .arg(pair.number, 3)
                     .arg(qs(pair.white.empty() ? "..." : pair.white).leftJustified(8), qs(pair.black));
    if (game.result != "*") lines << qs(game.result);
    return lines.join('\n');
}

bool TfrmMain::SaveGameTo(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const std::string text = WritePgn(game_->Game().Record());
    return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
           file.flush();
}

QString TfrmMain::OpenGameFrom(const QString& path, int index) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("Cannot read %1").arg(path);
    const QByteArray bytes = file.read(64 * 1024 * 1024);
    const std::string text = bytes.toStdString();
    // A file that holds one FEN line and no PGN.
    if (text.find('[') == std::string::npos && text.find('/') != std::string::npos) {
        Parsed<std::string> position =
            FenToPositionText(QString::fromStdString(text).trimmed().toStdString());
        if (!position) return qs(position.error);
        game_->Game().LoadGame({*position.value});
        ShowMoveList();
        return {};
    }
    const PgnFile pgn = ReadPgn(text);
    if (index < 0 || index >= static_cast<int>(pgn.games.size()))
        return pgn.error.empty() ? QStringLiteral("No game in %1").arg(path) : qs(pgn.error);
    const PgnReplay replay = ReplayPgn(pgn.games[index]);
    if (replay.positions.empty()) return QStringLiteral("Game %1: %2").arg(index + 1).arg(qs(replay.error));
    game_->Game().LoadGame(replay.positions);
    const std::string white = pgn.games[index].Tag("White"), black = pgn.games[index].Tag("Black");
    SetStatusPanel(1, white + " - " + black);
    ShowMoveList();
    if (!replay.error.empty()) return QStringLiteral("Game %1, %2").arg(index + 1).arg(qs(replay.error));
    return {};
}

void TfrmMain::PrintGame(QPrinter& printer) {
    const PgnGame game = game_->Game().Record();
    QTextDocument document;
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("board.png")),
                         scacchiera->grab().toImage());
    QString html =
        QStringLiteral("<h2>%1 &ndash; %2</h2><p>%3, %4</p><p><img src=\"board.png\" width=\"320\"></p><p>")
            .arg(qs(game.Tag("White")).toHtmlEscaped(), qs(game.Tag("Black")).toHtmlEscaped(),
                 qs(game.Tag("Date")), qs(game.result));
    html += MoveListText().toHtmlEscaped().replace('\n', QStringLiteral("<br>"));
    document.setHtml(html + QStringLiteral("</p>"));
    document.print(&printer);
}

void TfrmMain::SaveExecute() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Salva / Save game"), QString(),
                                                      QStringLiteral("PGN (*.pgn);;All files (*)"));
    if (path.isEmpty()) return;
    if (!SaveGameTo(path)) QMessageBox::warning(this, Caption(), QStringLiteral("Cannot write %1").arg(path));
}

void TfrmMain::OpenExecute() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Apri / Open game"), QString(),
                                     QStringLiteral("PGN or FEN (*.pgn *.fen *.txt);;All files (*)"));
    if (path.isEmpty()) return;
    int index = 0;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const PgnFile pgn = ReadPgn(file.read(64 * 1024 * 1024).toStdString());
        if (pgn.games.size() > 1) {
            QStringList names;
            for (size_t i = 0; i < pgn.games.size(); ++i) {
                const PgnGame& g = pgn.games[i];
                names << QStringLiteral("%1. %2 - %3 %4 (%5)")
                             .arg(i + 1)
                             .arg(qs(g.Tag("White")), qs(g.Tag("Black")), qs(g.result), qs(g.Tag("Date")));
            }
            bool ok = false;
            const QString chosen = QInputDialog::getItem(this, QStringLiteral("Apri / Open game"),
                                                         QStringLiteral("Game:"), names, 0, false, &ok);
            if (!ok) return;
            index = static_cast<int>(names.indexOf(chosen));
        }
    }
    const QString error = OpenGameFrom(path, index);
    if (!error.isEmpty()) QMessageBox::warning(this, Caption(), error);
}

void TfrmMain::PrintExecute() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) PrintGame(printer);
}

void TfrmMain::PlaceClocks() {
    auto* layout = static_cast<QVBoxLayout*>(board_panel_->layout());
    layout->removeWidget(clkNero);
    layout->removeWidget(clkBianco);
    TQuorClock* top = scacchiera->GetBlackAtBottom() ? clkBianco : clkNero;
    TQuorClock* bottom = scacchiera->GetBlackAtBottom() ? clkNero : clkBianco;
    layout->insertWidget(0, top);
    layout->insertWidget(2, bottom);
}

void TfrmMain::ReverseExecute() {
    scacchiera->SetBlackAtBottom(!scacchiera->GetBlackAtBottom());
    PlaceClocks();
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
void TfrmMain::CloseRequested() {
    timMossa->stop();
    close();
}

} // namespace galvetta
