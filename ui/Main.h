// The main window: the board, the two clocks, the level slider, the tool bar,
// the status bar and the pages with the statistics and the protocol traffic.
// The play itself is TGameControl's; the window shows it and forwards the
// person's actions to it.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

#include "game/GameControl.h"
#include "ui/PieceImages.h"

class QAction;
class QLabel;
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

namespace galvetta {

class TConversationServer;
class TGraphicChessBoard;
class TQuorClock;
class TQuorLabel;
class TStandardInputThread;
class TfrmComandi;

class TfrmMain : public QMainWindow, public GameView {
    Q_OBJECT
  public:
    // `arguments` is the command line after the program's name; `reader` may be
    // null (tests drive the interpreter directly); `headless` ends the program
    // when standard input ends.
    TfrmMain(const QStringList& arguments, TStandardInputThread* reader, bool headless);
    ~TfrmMain() override;

    // What the window does when it is first shown (also called by tests).
    void FormShow();
    static QString Caption();

    TGameControl& Game() { return *game_; }
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
    void EngineMoveShown(const std::string& move) override;
    void PositionShown(const std::string& position) override;
    void GeneratedMovesShown(const std::string& text) override;
    void PlanningShown(const std::string& moves, const std::string& ms, int depth) override;
    void CloseRequested() override;

    // The game as PGN into `path` (replacing it); false when it cannot be written.
    bool SaveGameTo(const QString& path);
    // Reads a PGN file (its game `index`, from 0) or a FEN line into a new
    // game, with no search. Returns empty, or what stopped the replay; the
    // board then shows the last good position.
    QString OpenGameFrom(const QString& path, int index = 0);
    // The game score and a diagram of the position.
    void PrintGame(QPrinter& printer);

  public slots:
    void ReverseExecute();
    void cmdAiutoComandiClick();

  private:
    // The window is built one area at a time.
    void BuildWindow();
    QWidget* CreateBoardPanel(QWidget* parent);
    QWidget* CreatePages(QWidget* parent);
    QWidget* CreateVerificaPage();
    QWidget* CreateInvioPage();
    QWidget* CreateDebugPage();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateConnections();
    QWidget* CreatePartitaPage();
    void CreateFileActions(QToolBar* tools, const std::function<QIcon(const char*)>& icon);
    void SaveExecute();
    void OpenExecute();
    void PrintExecute();
    // The move list again, once the events in hand are done.
    void ScheduleMoveList();
    void ShowMoveList();
    QString MoveListText() const;
    void PlaceClocks();
    void timMossaTimer();
    // A wake-up from the reader: a line waits, or the input has ended.
    void InputArrived();
    // Ends the program as "quit" does once the interface has gone.
    void EndIfInputEnded();

    QStringList arguments_;
    TStandardInputThread* reader_;
    bool headless_;
    std::unique_ptr<TGameControl> game_;
    TfrmComandi* help_ = nullptr;
    QString command_item_;
    QWidget* board_panel_ = nullptr;

    // The widgets, under their design names. The widget tests look at them
    // directly, as a person looks at the window.
    friend class ::WindowTest;
    friend class ::ConversationTest;
    TGraphicChessBoard* scacchiera;
    TQuorClock* clkBianco;
    TQuorClock* clkNero;
    QTimer* timMossa;
    QSlider* trkLivelli;
    QLabel* lblLivello;
    QAction* actResetGame;
    QAction* actMoveBack;
    QAction* actMove;
    QAction* actReverse;
    QAction* actStop;
    QAction* tlbGioca;
    QAction* cmdEdit;
    QAction* tlbAutoPlay;
    QLabel* stato[4];
    QTabWidget* pagine;
    QLineEdit* txtMossa;
    QLineEdit* txtTempoPrevisto;
    QLineEdit* txtMossePreviste;
    QLineEdit* txtMosse;
    QPlainTextEdit* txtStatistiche;
    QLineEdit* txtEsegui;
    QPushButton* BitBtn2;
    QPlainTextEdit* memComandi;
    QLineEdit* txtCommand;
    QPushButton* BitBtn1;
    QListWidget* lstComandi;
    QPlainTextEdit* txtPosizione;
    QPlainTextEdit* txtPartita;
    QAction* actOpen;
    QAction* actSave;
    QAction* actPrint;
    bool move_list_due_ = false;
    TConversationServer* Conversation = nullptr;
    ImageList imgPezzi;
};

} // namespace galvetta
