// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the board, the two clocks, the level slider, the tool bar,
// the status bar and the pages with the statistics and the protocol traffic.
// The play itself is TGame's and the protocol TInterface's; the window shows
// them and forwards the person's actions to them.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

#include "play/Game.h"
#include "play/StartOptions.h"
#include "protocol/Interface.h"
#include "ui/PieceImages.h"

class QAction;
class QCloseEvent;
class QLabel;
class QMenu;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QSlider;
class QTabWidget;
class QTimer;
class QToolBar;
class QIcon;

class WindowTest;
class ConversationTest;
class WindowScreens;

namespace galvetta {

class TBoardPanel;
class TConversationServer;
class TAnalysisPage;
class TGamePage;
class TPages;
class TPersonGame;
class TGraphicChessBoard;
class TMainActions;
class TQuorClock;
class TQuorLabel;
class TStandardInputThread;
class TfrmComandi;

class TfrmMain : public QMainWindow, public GameView {
    Q_OBJECT
  public:
    // `reader` may be null (tests drive the interface directly); `headless`
    // ends the program when standard input ends.
    TfrmMain(const StartOptions& options, TStandardInputThread* reader, bool headless);
    ~TfrmMain() override;

    // What the window does when it is first shown (also called by tests).
    void FormShow();
    static QString Caption();

    TGame& Game() { return *game_; }
    TInterface& Interface() { return *interface_; }
    // The conversation item "Command".
    QString CommandItem() const { return command_item_; }

    // GameView
    void SetStatusPanel(int index, const std::string& text) override;
    void SentLineAdded(const std::string& line) override;
    void SentLinesCleared() override;
    void ReceivedLineAdded(const std::string& line) override;
    void CommandItemChanged(const std::string& value) override;
    void ModesChanged() override;
    void StatisticsChanged(const std::string& text) override;
    void EngineMoveShown(const std::optional<Move>& move) override;
    void PositionShown(const std::string& position) override;
    void GeneratedMovesShown(const std::string& text) override;
    void PlanningShown(const std::string& moves, const std::string& ms, int depth) override;
    void NoticeShown(const std::string& text) override;
    void GameEnded(const std::string& result, const std::string& reason, GameEnd end) override;
    void CloseRequested() override;
    void SearchReported(const std::vector<SearchReport>& reports, const std::string& position) override;

    // The person's side of play: new games, time, hint, analysis...
    TPersonGame& Person() { return *person_; }
    TMainActions& Actions() { return *actions_; }
    TBoardPanel& Panel() { return *board_panel_; }
    TPages& Pages() { return *pages_; }

    // The game's files, as the Game page has them.
    bool SaveGameTo(const QString& path);
    QString OpenGameFrom(const QString& path, int index = 0);
    void PrintGame(QPrinter& printer);

  public slots:
    void ReverseExecute();
    void cmdAiutoComandiClick();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The window is built one area at a time.
    void BuildWindow();
    QWidget* CreateBoardPanel(QWidget* parent);
    void CreatePages(QWidget* parent);
    void ConnectAnalysisSwitch();
    void CreateStatusBar();
    void CreateConnections();
    // The command box: a FEN sets up a position, anything else is a command.
    void ExecuteCommandBox();
    // Hooks the game and the interface to the window, and the conversation server.
    void ConnectGame();
    void timMossaTimer();
    // A wake-up from the reader: a line waits, or the input has ended.
    void InputArrived();
    // Ends the program as "quit" does once the interface has gone.
    void EndIfInputEnded();

    StartOptions options_;
    TStandardInputThread* reader_;
    bool headless_;
    std::unique_ptr<TGame> game_;
    std::unique_ptr<TInterface> interface_;
    TfrmComandi* help_ = nullptr;
    QString command_item_;
    TBoardPanel* board_panel_ = nullptr;
    TPages* pages_ = nullptr;
    TPersonGame* person_ = nullptr;
    TMainActions* actions_ = nullptr;
    bool close_requested_ = false; // by "quit" or the end of the input: no question

    // The window's own widgets; the board's, the pages' and the actions' are
    // in the panel, the pages and the actions. The widget tests look at them
    // directly, as a person looks at the window.
    friend class ::WindowTest;
    friend class ::ConversationTest;
    friend class ::WindowScreens;
    QTimer* timMossa;
    QLabel* stato[4];
    QLabel* lblRisultato; // the game's result and why
    TConversationServer* Conversation = nullptr;
    ImageList imgPezzi;
};

} // namespace galvetta
