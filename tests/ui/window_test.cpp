// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the offscreen platform.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <fcntl.h>
#include <random>

#include "notation/GameFile.h"
#include "notation/Pgn.h"
#include "notation/San.h"
#include "protocol/WinBoardControl.h"

#include "ui/AnalysisPage.h"
#include "ui/BoardPanel.h"
#include "ui/Comandi.h"
#include "ui/EvalGraph.h"
#include "ui/GamePage.h"
#include "ui/GraphicChessBoard.h"
#include "ui/Main.h"
#include "ui/MainActions.h"
#include "ui/Pages.h"
#include "ui/PersonGame.h"
#include "ui/QuorClock.h"
#include "ui/QuorLabel.h"

using namespace galvetta;

class WindowTest : public QObject {
    Q_OBJECT

    // A window whose protocol output is kept instead of written.
    static std::unique_ptr<TfrmMain> window(const StartOptions& options, std::vector<std::string>* out) {
        auto w = std::make_unique<TfrmMain>(options, nullptr, false);
        w->Interface().WriteLine = [out](const std::string& line) { out->push_back(line); };
        // No dialog may wait for a person here.
        w->Person().AskUnsaved = [](const QString&) { return TPersonGame::Unsaved::Discard; };
        w->Person().Confirm = [](const QString&) { return true; };
        w->Person().ContinueFromHere = [](const QString&) { return true; };
        w->FormShow();
        return w;
    }
    static StartOptions level(std::optional<int> position, const std::string& notice = {}) {
        StartOptions options;
        options.level = position;
        options.notice = notice;
        return options;
    }

  private slots:
    void initTestCase() { TQuorClock::ShowMessages = false; }

    void captionLevelArgumentAndSlider() {
        std::vector<std::string> out;
        auto w = window(StartOptions{}, &out);
        QCOMPARE(w->windowTitle(), QStringLiteral("Galvetta Release 0.11.0"));
        QCOMPARE(w->Panel().trkLivelli->value(), 8);
        QCOMPARE(out.front(), std::string(TWinBoardControl::GREETING));
        QVERIFY(w->Pages().memComandi->toPlainText().startsWith(QString(TWinBoardControl::GREETING)));
        auto twelve = window(level(12), &out);
        QCOMPARE(twelve->Panel().trkLivelli->value(), 12);
        QCOMPARE(twelve->Panel().lblLivello->text(),
                 QStringLiteral("Livello / Level: 12 (ply), senza limite / no cap"));
        QCOMPARE(window(level(6), &out)->Panel().trkLivelli->value(), 6);
        auto bad = window(level(std::nullopt, "Ignored argument: /Lxyz"), &out);
        QCOMPARE(bad->Panel().trkLivelli->value(), 8);
        QVERIFY(
            bad->Pages().txtStatistiche->toPlainText().contains(QStringLiteral("Ignored argument: /Lxyz")));
        QVERIFY(bad->timMossa->isActive()); // start-up went on
    }

    void clocksCaptionsAndReverse() {
        std::vector<std::string> out;
        auto w = window(StartOptions{}, &out);
        w->show();
        QCOMPARE(w->Panel().clkBianco->text(), QStringLiteral("120:00"));
        w->Interface().InterpretCommand("level 40 5 0");
        QCOMPARE(w->Panel().clkBianco->text(), QStringLiteral("05:00"));
        QCOMPARE(w->Panel().clkNero->text(), QStringLiteral("05:00"));
        // Black's clock sits above the board until the board is turned.
        const auto top = [&w](QWidget* widget) { return widget->mapTo(w.get(), QPoint(0, 0)).y(); };
        QVERIFY(top(w->Panel().clkNero) < top(w->Panel().scacchiera));
        QVERIFY(top(w->Panel().clkBianco) > top(w->Panel().scacchiera));
        w->ReverseExecute();
        QTRY_VERIFY(top(w->Panel().clkBianco) < top(w->Panel().scacchiera));
        QVERIFY(top(w->Panel().clkNero) > top(w->Panel().scacchiera));
        QVERIFY(w->Panel().scacchiera->GetBlackAtBottom());

        // The person, Black on a second, lets the flag fall: the clock stops
        // at zero and says so, and the game is lost on time.
        w->Actions().actBook->setChecked(false);
        QCOMPARE(w->Person().ChooseTimeControl("level 0 0:01 0"), QString());
        QVERIFY(w->Person().NewGame(false));
        QTRY_COMPARE_WITH_TIMEOUT(w->Panel().clkNero->text(),
                                  QStringLiteral("00:00 Tempo scaduto (out of time)"), 15000);
        QVERIFY(!w->Panel().clkNero->Started() && !w->Panel().clkBianco->Started());
        QCOMPARE(w->Game().Result()->reason, std::string("Black loses on time"));
    }

    void shadowedLabelPlacesItsCaption() {
        TQuorLabel label;
        label.resize(40, 20);
        label.setText(QStringLiteral("a caption much wider than the label"));
        label.setAlignment(Qt::AlignHCenter);
        const int wide = label.fontMetrics().horizontalAdvance(label.text());
        QVERIFY(label.TextStart(wide) < 0);
        QCOMPARE(label.TextStart(wide), (40 - wide) / 2);
        label.setAlignment(Qt::AlignRight);
        QCOMPARE(label.TextStart(10), 30);
        label.setAlignment(Qt::AlignLeft);
        QCOMPARE(label.TextStart(10), 0);
        // With no shadow only the caption itself is drawn: fewer ink pixels.
        label.resize(300, 30);
        label.setAlignment(Qt::AlignLeft);
        const auto ink = [&label] {
            const QImage image = label.grab().toImage();
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    count += qGray(image.pixel(x, y)) < 200 || image.pixelColor(x, y) == QColor(Qt::cyan);
            return count;
        };
        label.SetShadowWidth(2);
        const int with_shadow = ink();
        label.SetShadowWidth(0);
        QVERIFY(ink() < with_shadow);
        // A flag's caption in a clock's large font is drawn smaller to fit
        // beside the turn mark, never under half its size.
        QFont large = label.font();
        large.setPixelSize(20);
        label.setFont(large);
        label.setText(QStringLiteral("00:00 Tempo scaduto (out of time)"));
        label.resize(QFontMetrics(large).horizontalAdvance(label.text()) * 2 / 3, 30);
        QVERIFY(QFontMetrics(label.FittingFont()).horizontalAdvance(label.text()) <= label.width());
        QVERIFY(label.FittingFont().pixelSize() >= 12);
        label.resize(label.width() / 4, 30);
        QCOMPARE(label.FittingFont().pixelSize(), 10);
        label.resize(1000, 30);
        QCOMPARE(label.FittingFont(), large);
    }

    void helpWindowLines() {
        TfrmComandi help;
        QCOMPARE(help.windowTitle(), QStringLiteral("Galvetta commands"));
        QCOMPARE(help.size(), QSize(548, 593));
        const QStringList lines = help.memo()->toPlainText().split('\n');
        QCOMPARE(lines.first(), QStringLiteral("Available commands."));
        QVERIFY(lines.contains(QStringLiteral("e1g1: castle (if e1=King)")));
        // What the program does now, in both versions: nothing it answers is
        // called ignored or always rejected.
        QVERIFY(lines.contains(QStringLiteral("draw: offer draw (accepted when the rules draw the game)")));
        QVERIFY(lines.contains(QStringLiteral("sd DEPTH: search at most DEPTH plies")));
        for (const char* answered : {"draw", "hint", "sd", "analyze", "result"})
            for (const QString& line : lines)
                QVERIFY2(
                    !(line.startsWith(QLatin1String(answered)) &&
                      (line.contains(QLatin1String("ignored")) || line.contains(QLatin1String("always")))),
                    qPrintable(line));
        QCOMPARE(lines.size(), TfrmComandi::HelpLines().size());
    }

    void engineAnswerShownInTheStatistics() {
        std::vector<std::string> out;
        auto w = window(StartOptions{}, &out);
        out.clear();
        w->Interface().InterpretCommand("e2e4");
        QTRY_VERIFY_WITH_TIMEOUT(!out.empty(), 60000);
        QVERIFY(out.back().rfind("move ", 0) == 0);
        QVERIFY(w->Pages().txtStatistiche->toPlainText().contains(
            QStringLiteral("Galvetta's move: ") + QString::fromStdString(out.back().substr(5))));
        QCOMPARE(w->Pages().txtMossa->text().toStdString(), out.back().substr(5));
        QCOMPARE(w->Panel().scacchiera->GetPosition()[64], 'B');
        QVERIFY(!w->Panel().scacchiera->GetLocked());
    }

    void autoplayPlaysBothSidesUntilMate() {
        std::vector<std::string> out;
        auto w = window(StartOptions{}, &out);
        // White mates in two: rooks on a1 and b2 against the king on h8.
        for (const char* line : {"force", "edit", "#", "Kg1", "Ra1", "Rb2", "c", "Kh8", "."})
            w->Interface().InterpretCommand(line);
        w->Actions().tlbAutoPlay->setChecked(true);
        QVERIFY(w->Game().AutoPlay());
        out.clear();
        w->Interface().InterpretCommand("go");
        QTRY_VERIFY_WITH_TIMEOUT(!w->Game().AutoPlay(), 120000);
        QVERIFY(out.size() >= 4);
        QCOMPARE(out.back(), std::string("1-0 {White mates}"));
        int moves = 0;
        for (const auto& line : out)
            moves += line.rfind("move ", 0) == 0;
        QCOMPARE(moves, 3); // White, Black, White's mate
        QVERIFY(w->Pages().txtStatistiche->toPlainText().contains(QStringLiteral("*** MATE ***")));
        QVERIFY(!w->Actions().tlbAutoPlay->isChecked());
    }

    // Moves on the Game page, saved, opened into another window, printed, and
    // appended by --save-games at "new" and when the window goes.
    void gameRecordSavedOpenedAndPrinted() {
        QTemporaryDir dir;
        const QString saved = dir.filePath("game.pgn"), appended = dir.filePath("all.pgn");
        std::vector<std::string> out;
        StartOptions saving;
        std::string why;
        saving.save_games_fd = OpenGamesFile(appended.toStdString(), why);
        QVERIFY(saving.save_games_fd >= 0);
        auto w = window(saving, &out);
        for (const char* line : {"name Ugo", "force", "e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "go"})
            w->Interface().InterpretCommand(line);
        QTRY_VERIFY_WITH_TIMEOUT(out.back().rfind("move ", 0) == 0, 60000);
        QTRY_VERIFY(w->Pages().txtPartita->toPlainText().startsWith(
            "  1. e4      e5\n  2. Nf3     Nc6\n  3. Bb5     "));
        QVERIFY(w->SaveGameTo(saved));

        auto opened = window(StartOptions{}, &out);
        QCOMPARE(opened->OpenGameFrom(saved), QString());
        QCOMPARE(opened->Panel().scacchiera->GetPosition().substr(0, 65),
                 w->Panel().scacchiera->GetPosition().substr(0, 65));
        QTRY_COMPARE(w->Pages().txtPartita->toPlainText(), opened->Pages().txtPartita->toPlainText());
        QVERIFY(!opened->Game().Searching());
        QCOMPARE(opened->stato[1]->text(), QStringLiteral("Ugo - Galvetta"));

        QFile broken(dir.filePath("broken.pgn"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("[Event \"a\"]\n\n1. d4 *\n\n[Event \"b\"]\n\n1. e4 e5 2. Ke3 Nc6 *\n");
        broken.close();
        QCOMPARE(opened->OpenGameFrom(broken.fileName(), 1),
                 QStringLiteral("Game 2, move 2. Ke3: illegal move 'Ke3'"));
        QCOMPARE(opened->Panel().scacchiera->GetPosition().substr(0, 65),
                 FenToPositionText("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -")
                     .value->substr(0, 65));
        QFile fen(dir.filePath("position.fen"));
        QVERIFY(fen.open(QIODevice::WriteOnly));
        fen.write("8/8/8/8/8/8/k7/4K2R w K - 0 1\n");
        fen.close();
        QCOMPARE(opened->OpenGameFrom(fen.fileName()), QString());
        QCOMPARE(opened->Panel().scacchiera->GetPosition(),
                 *FenToPositionText("8/8/8/8/8/8/k7/4K2R w K - 0 1").value);

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("game.pdf"));
        w->PrintGame(printer);
        QFile pdf(dir.filePath("game.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(QRegularExpression("/Type\\s*/Page[^s]").match(QString::fromLatin1(bytes)).hasMatch());

        w->Interface().InterpretCommand("new");
        w->Interface().InterpretCommand("d2d4");
        QTRY_VERIFY_WITH_TIMEOUT(out.back().rfind("move ", 0) == 0, 60000);
        w.reset();
        QFile all(appended);
        QVERIFY(all.open(QIODevice::ReadOnly));
        const PgnFile games = ReadPgn(all.readAll().toStdString());
        QCOMPARE(games.error, std::string());
        QCOMPARE(games.games.size(), size_t(2));
        QCOMPARE(games.games[0].moves.size(), size_t(6));
        QCOMPARE(games.games[0].Tag("White"), std::string("Ugo"));
        QCOMPARE(games.games[1].moves.front(), std::string("d4"));

        // A games file that takes nothing more: the person is told.
        StartOptions full;
        full.save_games_fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
        auto lost = window(full, &out);
        lost->Interface().InterpretCommand("e2e4");
        QTRY_VERIFY_WITH_TIMEOUT(out.back().rfind("move ", 0) == 0, 60000);
        lost->Interface().InterpretCommand("new");
        QCOMPARE(lost->statusBar()->currentMessage(),
                 QStringLiteral("The game could not be saved: No space left on device"));
    }

    // A person's game: the window's own controls, as a player uses them.
    static std::unique_ptr<TfrmMain> person_window(std::vector<std::string>* out, int* questions = nullptr) {
        auto w = window(StartOptions{}, out);
        // The unsaved-game question is counted, and answered Discard only
        // where nobody counts; a resignation is confirmed.
        w->Person().AskUnsaved = [questions](const QString&) {
            if (questions != nullptr) ++*questions;
            return questions == nullptr ? TPersonGame::Unsaved::Discard : TPersonGame::Unsaved::Cancel;
        };
        w->Actions().actBook->setChecked(false); // searches, not book moves
        return w;
    }
    static bool answered(const std::vector<std::string>& out, size_t moves = 1) {
        return std::count_if(out.begin(), out.end(), [](const std::string& line) {
                   return line.rfind("move ", 0) == 0;
               }) >= static_cast<long>(moves);
    }
    static std::string board_of(TfrmMain& w) {
        return w.Panel().scacchiera->GetPosition().substr(0, SIDE_TO_MOVE + 1);
    }

    void sliderCapsTheDepth_data() {
        QTest::addColumn<int>("steps"); // right-arrow presses after Home
        QTest::addColumn<int>("depth");
        QTest::newRow("2") << 0 << 2;
        QTest::newRow("4") << 2 << 4;
    }
    void sliderCapsTheDepth() {
        QFETCH(int, steps);
        QFETCH(int, depth);
        std::vector<std::string> out;
        auto w = person_window(&out);
        QTest::keyClick(w->Panel().trkLivelli, Qt::Key_Home);
        for (int i = 0; i < steps; ++i)
            QTest::keyClick(w->Panel().trkLivelli, Qt::Key_Right);
        QVERIFY(w->Panel().lblLivello->text().endsWith(QStringLiteral("capped at %1").arg(depth)));
        out.clear();
        QVERIFY(w->Panel().scacchiera->Move("e2e4"));
        // The reply is planned, and ends by its hard limit at most two budgets in.
        const SearchLimits& limits = w->Game().LastLimits();
        QVERIFY(limits.planned && limits.budget_ms > 0);
        QVERIFY(limits.hard_ms > 0 && limits.hard_ms <= 2 * limits.budget_ms);
        QTRY_VERIFY_WITH_TIMEOUT(answered(out), 60000);
        QVERIFY(w->Panel().lblLivello->text().endsWith(QStringLiteral("reached %1").arg(depth)));
        QCOMPARE(w->Game().LastReport()->depth, depth);
        QCOMPARE(w->Panel().trkLivelli->value(), depth); // the slider shows the depth searched
        w->Actions().actNewWhite->trigger();
        QCOMPARE(w->Game().Options().depth_cap, depth); // and the choice outlives the game
    }

    void timePresetsSetClocksAndPlanning_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("clock");
        QTest::addColumn<int>("moves");
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("increment");
        QTest::addColumn<double>("per_move");
        QTest::newRow("1 min") << "1 minuto / 1 minute"
                               << "01:00" << 0 << 60 << 0 << 0.0;
        QTest::newRow("5 min") << "5 minuti / 5 minutes"
                               << "05:00" << 0 << 300 << 0 << 0.0;
        QTest::newRow("15 min") << "15 minuti / 15 minutes"
                                << "15:00" << 0 << 900 << 0 << 0.0;
        QTest::newRow("3+2") << "3 minuti + 2 s / 3+2"
                             << "03:00" << 0 << 180 << 2 << 0.0;
        QTest::newRow("15+10") << "15 minuti + 10 s / 15+10"
                               << "15:00" << 0 << 900 << 10 << 0.0;
        QTest::newRow("40/120") << "40 mosse in 120 minuti / 40 moves in 120 minutes"
                                << "120:00" << 40 << 7200 << 0 << 0.0;
        QTest::newRow("st 1") << "1 s a mossa / 1 s a move"
                              << "00:01" << 0 << 0 << 0 << 1.0;
        QTest::newRow("st 5") << "5 s a mossa / 5 s a move"
                              << "00:05" << 0 << 0 << 0 << 5.0;
        QTest::newRow("st 15") << "15 s a mossa / 15 s a move"
                               << "00:15" << 0 << 0 << 0 << 15.0;
        QTest::newRow("no clock") << "Senza orologio / No clock"
                                  << "--:--" << 0 << 0 << 0 << 0.0;
    }
    void timePresetsSetClocksAndPlanning() {
        QFETCH(QString, caption);
        QFETCH(QString, clock);
        QFETCH(int, moves);
        QFETCH(int, base);
        QFETCH(int, increment);
        QFETCH(double, per_move);
        std::vector<std::string> out;
        auto w = person_window(&out);
        const QList<QAction*> presets = w->Actions().actTime->menu()->actions();
        const auto preset = std::find_if(presets.begin(), presets.end(),
                                         [&caption](QAction* a) { return a->text() == caption; });
        QVERIFY(preset != presets.end());
        (*preset)->trigger();
        for (int game = 0; game < 2; ++game) { // the choice holds for the next game too
            // A time a move is the engine's (Black): the person plays on no clock.
            QCOMPARE(w->Panel().clkBianco->text(), per_move > 0 ? QStringLiteral("--:--") : clock);
            QCOMPARE(w->Panel().clkNero->text(), clock);
            const TimeControl& control = w->Game().Control();
            QCOMPARE(control.moves, moves);
            if (per_move == 0) QCOMPARE(control.base_seconds, base);
            QCOMPARE(control.increment_seconds, increment);
            QCOMPARE(control.seconds_per_move, per_move);
            w->Actions().actNewWhite->trigger();
        }
        QVERIFY(w->Person().ChooseTimeControl("level 40").startsWith("level takes"));
        QCOMPARE(w->Panel().clkNero->text(), clock);
    }

    // As Black: the engine opens, the board turns, and the record names the
    // sides rightly, through save, open and save again.
    void newGameAsBlack() {
        QTemporaryDir dir;
        std::vector<std::string> out;
        int questions = 0;
        auto w = person_window(&out, &questions);
        w->Actions().actNewBlack->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(answered(out), 60000);
        QVERIFY(w->Panel().scacchiera->GetBlackAtBottom() && w->Game().EngineWhite());
        QCOMPARE(questions, 0); // nothing to lose yet
        const LegalMove reply = LegalMoves(w->Panel().scacchiera->GetPosition()).front();
        QVERIFY(w->Panel().scacchiera->Move(reply.Coordinate()));
        QTRY_VERIFY_WITH_TIMEOUT(answered(out, 2), 60000);
        w->Actions().actNewWhite->trigger(); // refused: the person keeps the game
        QCOMPARE(questions, 1);
        QCOMPARE(w->Panel().scacchiera->Positions().size(), size_t(4));
        QVERIFY(!w->OpenGameFrom(dir.filePath("missing.pgn")).isEmpty()); // nothing read: still unsaved
        w->Actions().actNewWhite->trigger();
        QCOMPARE(questions, 2);

        const QString first = dir.filePath("first.pgn"), second = dir.filePath("second.pgn");
        QVERIFY(w->SaveGameTo(first));
        auto opened = person_window(&out, &questions);
        QCOMPARE(opened->OpenGameFrom(first), QString());
        QVERIFY(opened->SaveGameTo(second));
        for (const QString& path : {first, second}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const PgnGame game = ReadPgn(file.readAll().toStdString()).games.at(0);
            QCOMPARE(game.Tag("White"), std::string("Galvetta"));
            QVERIFY(game.Tag("Black") != "Galvetta");
            QCOMPARE(game.moves.size(), size_t(3));
        }
        QVERIFY(opened->Game().EngineWhite());
        w->Actions().actNewWhite->trigger(); // saved: no question
        QCOMPARE(questions, 2);
        QCOMPARE(w->Panel().scacchiera->Positions().size(), size_t(1));
    }

    void takeBackReturnsToThePersonsMove_data() {
        QTest::addColumn<bool>("replied");
        QTest::newRow("after the engine's reply") << true;
        QTest::newRow("before it") << false;
    }
    void takeBackReturnsToThePersonsMove() {
        QFETCH(bool, replied);
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Actions().tlbGioca->setChecked(!replied); // held, the engine does not reply
        QVERIFY(w->Panel().scacchiera->Move("e2e4"));
        if (replied) QTRY_VERIFY_WITH_TIMEOUT(answered(out), 60000);
        w->Actions().actMoveBack->trigger();
        QCOMPARE(w->Panel().scacchiera->GetPosition(), std::string(STARTING_POSITION));
        QVERIFY(!w->Panel().clkBianco->Started() && !w->Panel().clkNero->Started());
        QVERIFY(!w->Game().Searching());
        QVERIFY(!w->Panel().scacchiera->GetLocked());
    }

    void boardSquaresFollowTheWindow() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->show();
        int smaller = 0;
        for (const QSize size : {QSize(1024, 600), QSize(1600, 1100)}) {
            w->resize(size);
            QTRY_COMPARE(w->size(), size);
            QCoreApplication::processEvents();
            const QWidget* frame = w->board_panel_->frame;
            const int cell = w->Panel().scacchiera->CellSize(),
                      room = std::min(frame->width(), frame->height());
            QVERIFY2(8 * cell <= room && 8 * cell > room * 3 / 4, qPrintable(QString::number(cell)));
            QCOMPARE(w->Panel().scacchiera->size(), QSize(8 * cell, 8 * cell));
            QCOMPARE(w->Panel().scacchiera->BoardBitmap().width(), qRound(8 * cell * w->devicePixelRatioF()));
            QVERIFY(cell > smaller);
            smaller = cell;
        }
        QVERIFY(w->minimumSizeHint().width() <= 1024 && w->minimumSizeHint().height() <= 600);
    }

    void fenSetsUpAPosition_data() {
        QTest::addColumn<QString>("fen");
        QTest::addColumn<bool>("pasted"); // else typed into the command box
        QTest::addColumn<QString>("refusal");
        QTest::newRow("pasted") << "8/8/4k3/8/8/4K3/4P3/8 w - - 0 1" << true << "";
        QTest::newRow("black to move") << "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 5 40" << false << "";
        QTest::newRow("two white kings") << "8/8/4k3/8/8/4K3/4K3/8 w - - 0 1" << true << "FEN refused";
        QTest::newRow("pawn on rank 1") << "4k3/8/8/8/8/8/8/P3K3 w - - 0 1" << false << "FEN refused";
        QTest::newRow("not a FEN") << "hello" << true << "FEN refused";
    }
    void fenSetsUpAPosition() {
        QFETCH(QString, fen);
        QFETCH(bool, pasted);
        QFETCH(QString, refusal);
        std::vector<std::string> out;
        auto w = person_window(&out);
        if (pasted) {
            QApplication::clipboard()->setText(fen);
            w->Actions().actPaste->trigger();
        } else {
            w->Pages().txtEsegui->setText(fen);
            w->Pages().BitBtn2->click();
        }
        if (!refusal.isEmpty()) {
            QVERIFY(w->statusBar()->currentMessage().contains(refusal));
            QCOMPARE(w->Panel().scacchiera->GetPosition(), std::string(STARTING_POSITION));
            return;
        }
        QCOMPARE(w->Panel().scacchiera->GetPosition(), *FenToPositionText(fen.toStdString()).value);
        const bool black = fen.contains(" b ");
        QCOMPARE(w->Panel().scacchiera->GetBlackAtBottom(), black); // the person's side at the bottom
        QCOMPARE(w->Game().EngineWhite(), black);
        QCOMPARE(WritePgn(w->Game().Record()).find("[FEN \"" + fen.toStdString() + "\"]") !=
                     std::string::npos,
                 true);
    }

    // The hint finds a legal move and marks it; the game stays as it was.
    void hintMarksALegalMove() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        QVERIFY(w->Panel().scacchiera->Move("e2e4"));
        QTRY_VERIFY_WITH_TIMEOUT(answered(out), 60000);
        const std::vector<std::string> positions = w->Panel().scacchiera->Positions();
        w->Actions().actHint->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w->Panel().scacchiera->GetMarks().hint_from >= 0, 30000);
        const TBoardCanvas::Marks marks = w->Panel().scacchiera->GetMarks();
        const std::vector<LegalMove> legal = LegalMoves(positions.back());
        const auto hint = std::find_if(legal.begin(), legal.end(), [&marks](const LegalMove& m) {
            return m.from == marks.hint_from && m.to == marks.hint_to;
        });
        QVERIFY(hint != legal.end());
        QCOMPARE(w->statusBar()->currentMessage(),
                 QStringLiteral("Suggerimento / Hint: ") + QString::fromStdString(SanOf(*hint, legal)));
        QCOMPARE(w->Panel().scacchiera->Positions(), positions);
        QVERIFY(!w->Game().Searching() && !w->Panel().scacchiera->GetLocked());
        QCOMPARE(answered(out, 2), false);
    }

    // The analysis view fills with lines while on, and stops when switched off.
    void analysisViewFillsAndStops() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Actions().actAnalysis->trigger();
        QCOMPARE((&w->Pages())->currentWidget(), w->Pages().analysis);
        const auto lines = [&w] { return w->Pages().analysis->txtLinee->toPlainText().split('\n'); };
        QTRY_VERIFY_WITH_TIMEOUT(lines().size() >= 4, 30000);
        const QStringList first = lines();
        QVERIFY2(QRegularExpression("^ 1 +[+-]\\d+\\.\\d\\d  [a-hNBRQK]").match(first[1]).hasMatch(),
                 qPrintable(first[1]));
        w->Pages().analysis->btnAnalizza->click();
        QVERIFY(!w->Actions().actAnalysis->isChecked());
        QVERIFY(!w->Game().Searching());
        const int shown = lines().size();
        QTest::qWait(400);
        QCOMPARE(lines().size(), shown);
        QCOMPARE(w->Panel().scacchiera->Positions().size(), size_t(1));
    }

    void gameEndsInTheWindow_data() {
        QTest::addColumn<QStringList>("moves");
        QTest::addColumn<bool>("resign");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("ending");
        QTest::newRow("repetition") << QStringList{"g1f3", "g8f6", "f3g1", "f6g8",
                                                   "g1f3", "g8f6", "f3g1", "f6g8"}
                                    << false << "1/2-1/2 Patta per ripetizione / Draw by repetition"
                                    << "Draw by repetition";
        QTest::newRow("mate") << QStringList{"f2f3", "e7e5", "g2g4", "d8h4"} << false
                              << "0-1 Scacco matto / Checkmate"
                              << "Black mates";
        QTest::newRow("resign") << QStringList{"e2e4"} << true << "0-1 Il Bianco abbandona / White resigns"
                                << "White resigns";
    }
    void gameEndsInTheWindow() {
        QFETCH(QStringList, moves);
        QFETCH(bool, resign);
        QFETCH(QString, caption);
        QFETCH(QString, ending);
        QTemporaryDir dir;
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Actions().tlbGioca->setChecked(true); // the person plays both sides
        for (const QString& move : moves)
            QVERIFY(w->Panel().scacchiera->Move(move.toStdString()));
        if (resign) w->Actions().actResign->trigger();
        QCOMPARE(w->lblRisultato->text(), caption);
        QVERIFY(!w->Panel().clkBianco->Started() && !w->Panel().clkNero->Started());
        QTRY_VERIFY(w->Pages().txtPartita->toPlainText().endsWith(caption));
        // Play is over: a further move is refused, and says why.
        const std::vector<LegalMove> legal = LegalMoves(w->Panel().scacchiera->GetPosition());
        if (!legal.empty()) {
            QVERIFY(!w->Panel().scacchiera->Move(legal.front().Coordinate()));
            w->Panel().scacchiera->DropRefused(legal.front().Coordinate());
            QVERIFY(w->statusBar()->currentMessage().endsWith("the game is over"));
        }
        QVERIFY(w->SaveGameTo(dir.filePath("game.pgn")));
        QFile file(dir.filePath("game.pgn"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string text = file.readAll().toStdString();
        QCOMPARE(QString::fromStdString(ReadPgn(text).games.at(0).result), caption.section(' ', 0, 0));
        QVERIFY(QString::fromStdString(text).contains(QLatin1Char('{') + ending + QLatin1Char('}')));
    }

    // Why a drop is refused, and a press while the engine thinks.
    void refusedDropsSayWhy_data() {
        QTest::addColumn<QString>("fen");
        QTest::addColumn<QString>("move");
        QTest::addColumn<QString>("why");
        QTest::newRow("in check") << "4k3/8/8/8/8/8/3q4/4K3 w - - 0 1"
                                  << "e1e2"
                                  << "the king is in check";
        QTest::newRow("pinned") << "4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1"
                                << "e2c3"
                                << "the king would be in check";
        QTest::newRow("no such move") << "4k3/p7/8/8/8/8/4N3/4K3 w - - 0 1"
                                      << "e2e4"
                                      << "the piece cannot go there";
    }
    void refusedDropsSayWhy() {
        QFETCH(QString, fen);
        QFETCH(QString, move);
        QFETCH(QString, why);
        std::vector<std::string> out;
        auto w = person_window(&out);
        QCOMPARE(w->Person().SetUpFen(fen), QString());
        QVERIFY(!w->Panel().scacchiera->Move(move.toStdString()));
        w->Panel().scacchiera->DropRefused(move.toStdString());
        const QString told = w->statusBar()->currentMessage();
        QVERIFY2(told.startsWith("Mossa illegale / Illegal move " + move + ": ") && told.endsWith(why),
                 qPrintable(told));
        w->Panel().scacchiera->SetLocked(true);
        w->Panel().scacchiera->LockedPress();
        QCOMPARE(w->statusBar()->currentMessage(),
                 QStringLiteral("Galvetta sta pensando / Galvetta is thinking"));
    }

    // Edit mode ends only on a position a game can reach.
    void editModeEndsOnAReachablePosition() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Actions().cmdEdit->setChecked(true);
        const int e1 = TBoardModel::IndiceCasa("e1");
        w->Panel().scacchiera->CancellaPezzo(e1);
        w->Actions().cmdEdit->setChecked(false);
        QVERIFY(w->Game().EditMode() && w->Actions().cmdEdit->isChecked());
        QVERIFY(w->statusBar()->currentMessage().startsWith("Posizione impossibile / Impossible position: "));
        w->Panel().scacchiera->ImpostaPezzo('k', e1);
        w->Actions().cmdEdit->setChecked(false);
        QVERIFY(!w->Game().EditMode());
    }

    // Edit mode's palette puts pieces and takes them away; its side to move
    // and castling rights hold when edit mode ends.
    void editPaletteAndTypedMoves() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Actions().tlbGioca->setChecked(true);
        w->Actions().cmdEdit->setChecked(true);
        auto* palette = w->findChild<QWidget*>("palette");
        QVERIFY(!palette->isHidden());
        const auto click = [&](const char* square) {
            const int index = TBoardModel::IndiceCasa(square);
            const QPoint at(w->Panel().scacchiera->CoordinataX(index % 8) + 5,
                            w->Panel().scacchiera->CoordinataY(index / 8) + 5);
            QTest::mouseClick(w->Panel().scacchiera, Qt::LeftButton, {}, at);
        };
        // The brushes show the board's pieces, Black's darker than White's
        // whatever the palette's text colour.
        const auto dark_pixels = [palette](const char* name) {
            const QImage image = palette->findChild<QToolButton*>(name)->icon().pixmap(24).toImage();
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    count += qGray(image.pixel(x, y)) < 80;
            return count;
        };
        QVERIFY(dark_pixels("brush_Q") > 2 * dark_pixels("brush_q") + 20);
        palette->findChild<QToolButton*>("brush_q")->click(); // White's queen
        click("d4");
        palette->findChild<QToolButton*>("brush_x")->click(); // the eraser
        click("d2");
        click("g1");
        palette->findChild<QRadioButton*>("blackToMove")->click();
        palette->findChild<QCheckBox*>("right0")->click(); // no White short castling
        w->Actions().cmdEdit->setChecked(false);
        QVERIFY(!w->Game().EditMode() && palette->isHidden());
        QCOMPARE(QString::fromStdString(w->Person().ShownFen()),
                 QStringLiteral("rnbqkbnr/pppppppp/8/8/3Q4/8/PPP1PPPP/RNBQKB1R b Qkq - 0 1"));

        // Typed moves: SAN or coordinates, cleared when played, refused with the reason.
        w->Game().SetEngineWhite(true);
        QTest::keyClicks(w->Panel().txtMossaTastiera, "Nf6");
        QTest::keyClick(w->Panel().txtMossaTastiera, Qt::Key_Return);
        QCOMPARE(w->Panel().txtMossaTastiera->text(), QString());
        QCOMPARE(w->Panel().scacchiera->Pezzo(TBoardModel::IndiceCasa("f6")), 'N');
        QTest::keyClicks(w->Panel().txtMossaTastiera, "Qh5");
        QTest::keyClick(w->Panel().txtMossaTastiera, Qt::Key_Return);
        QCOMPARE(w->Panel().txtMossaTastiera->text(), QStringLiteral("Qh5"));
        QVERIFY(
            w->statusBar()->currentMessage().startsWith(QStringLiteral("Mossa rifiutata / Move refused")));
    }

    // The window starts inside a small screen with room for a title bar,
    // and could shrink to fit 1920x1080 at scale 2 (960x540) less one.
    void fitsSmallScreens() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        const QSize room = w->screen()->availableGeometry().size();
        QVERIFY2(w->height() + 40 <= room.height() && w->width() + 40 <= room.width(),
                 qPrintable(QStringLiteral("%1x%2 in %3x%4")
                                .arg(w->width())
                                .arg(w->height())
                                .arg(room.width())
                                .arg(room.height())));
        const QSize least = w->minimumSizeHint();
        QVERIFY2(least.width() <= 800 - 20 && least.height() <= 600 - 60,
                 qPrintable(QStringLiteral("%1x%2").arg(least.width()).arg(least.height())));
    }

    // Round two of the window, fault by fault and feature by feature.

    // Six moves, a click on White's second move in the list, the board at
    // that position while the game waits, forward to the end, and play on.
    void stepThroughAGame() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Actions().tlbGioca->setChecked(true); // the person plays both sides
        for (const char* move : {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "f8c5"})
            QVERIFY(w->Panel().scacchiera->Move(move));
        const std::vector<std::string> positions = w->Panel().scacchiera->Positions();
        QCOMPARE(positions.size(), size_t(7));
        w->Pages().txtPartita->ShowMoveList();
        const int ply = w->Pages().txtPartita->PlyAt(1, 6); // "  2. Nf3     Nc6": Nf3
        QCOMPARE(ply, 3);
        w->Pages().txtPartita->MoveClicked(ply);
        QCOMPARE(w->Person().Shown(), 3);
        QVERIFY(draws(*w, positions[3]));
        QCOMPARE(w->Panel().scacchiera->GetPosition(), positions[6]); // the game itself is as it was
        QVERIFY(!w->findChild<QLabel*>("stepped")->isHidden());
        QCOMPARE(w->Person().ShownFen(),
                 std::string("rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2"));
        w->Actions().actBack->trigger();
        QCOMPARE(w->Person().Shown(), 2);
        for (int i = 0; i < 4; ++i)
            w->Actions().actForward->trigger();
        QCOMPARE(w->Person().Shown(), -1); // the end is the game again
        QVERIFY(w->findChild<QLabel*>("stepped")->isHidden());
        QVERIFY(w->Panel().scacchiera->Move("e1g1"));
        QCOMPARE(w->Panel().scacchiera->Positions().size(), size_t(8));
        // From an earlier position the person goes on from there, dropping the rest.
        w->Actions().actFirst->trigger();
        w->Actions().actForward->trigger();
        QCOMPARE(w->Person().Shown(), 1);
        w->Panel().scacchiera->SteppedPress();
        QCOMPARE(w->Person().Shown(), -1);
        QCOMPARE(w->Panel().scacchiera->Positions().size(), size_t(2));
        QVERIFY(w->Panel().scacchiera->Move("c7c5"));
    }
    // The board's pieces as drawn, against a fresh board drawing `position`:
    // the same but for the edges of a piece drawn over itself (a missing or
    // extra piece changes hundreds of pixels).
    static bool draws(TfrmMain& w, const std::string& position) {
        TGraphicChessBoard fresh;
        fresh.SetPictures(w.Panel().scacchiera->GetPictures());
        fresh.SetCellSize(w.Panel().scacchiera->CellSize());
        fresh.SetPosition(position);
        fresh.RePaint();
        const QImage a = fresh.BoardBitmap().toImage(), b = w.Panel().scacchiera->BoardBitmap().toImage();
        if (a.size() != b.size()) return false;
        int differing = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
                differing += std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                                       std::abs(p.blue() - q.blue())}) > 48;
            }
        return differing < 20;
    }

    // A file of three games: the second opened lands on its end, every move reachable.
    void openAThreeGameFileAndStepThroughTheSecond() {
        QTemporaryDir dir;
        const QString path = dir.filePath("three.pgn");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[White \"A\"]\n[Black \"B\"]\n\n1. d4 d5 *\n\n"
                   "[White \"C\"]\n[Black \"D\"]\n\n1. e4 c5 2. Nf3 d6 3. d4 *\n\n"
                   "[White \"E\"]\n[Black \"F\"]\n\n1. c4 *\n");
        file.close();
        std::vector<std::string> out;
        auto w = person_window(&out);
        QCOMPARE(w->OpenGameFrom(path, 1), QString());
        QCOMPARE(w->stato[1]->text(), QStringLiteral("C - D"));
        QCOMPARE(w->Panel().scacchiera->Positions().size(), size_t(6));
        QCOMPARE(w->Person().Shown(), -1);
        for (int index = 0; index < 6; ++index) {
            QVERIFY(w->Person().StepTo(index));
            QCOMPARE(w->Person().Shown(), index == 5 ? -1 : index);
        }
        w->Actions().actFirst->trigger();
        QCOMPARE(w->Person().ShownFen(),
                 std::string("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
        w->Actions().actLast->trigger();
        QCOMPARE(w->Person().Shown(), -1);
    }

    // Per-move and increment controls, seen on the clocks after two moves of
    // each side: the person's clock gets its increment, and a time a move is
    // the person's afresh for every move.
    void presetsOnTheClocks_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("person"); // the person's clock, seconds, after the engine's second reply
        QTest::newRow("3+2") << "level 0 3 2" << 180 + 2 * 2;
        QTest::newRow("15+10") << "level 0 15 10" << 900 + 2 * 10;
        QTest::newRow("1 s a move") << "st 1" << 1;
        QTest::newRow("5 s a move") << "st 5" << 5;
    }
    void presetsOnTheClocks() {
        QFETCH(QString, line);
        QFETCH(int, person);
        std::vector<std::string> out;
        auto w = person_window(&out);
        QCOMPARE(w->Person().ChooseTimeControl(line.toStdString()), QString());
        w->Person().ChooseDepth(2);
        w->Actions().actNewWhite->trigger();
        for (const char* move : {"e2e4", "d2d4"}) {
            const size_t replies = std::count_if(
                out.begin(), out.end(), [](const std::string& l) { return l.rfind("move ", 0) == 0; });
            QVERIFY(w->Panel().scacchiera->Move(move) || w->Panel().scacchiera->Move("g1f3"));
            QTRY_VERIFY_WITH_TIMEOUT(answered(out, replies + 1), 60000);
        }
        QCOMPARE(w->Panel().clkBianco->GetValue(), person);
        QVERIFY(!w->Game().GameOver());
    }

    // Round three's faults in the window: the clock of the side to move runs
    // after going on from an earlier position, a take-back and Move now, for
    // either colour; no clock runs in edit mode, which lets go after a double
    // push; a new game starts without the old figures; a time a move binds
    // only the engine, and a game without a clock is played at the level.
    void roundThreeClocksEditAndNewGames() {
        for (const bool person_white : {true, false}) {
            std::vector<std::string> out;
            auto w = person_window(&out);
            QCOMPARE(w->Person().ChooseTimeControl("level 0 15 10"), QString());
            w->Person().ChooseDepth(2);
            QVERIFY(w->Person().NewGame(person_white));
            const auto running = [&w] {
                return w->Panel().clkBianco->Started() ? 'w' : w->Panel().clkNero->Started() ? 'b' : '-';
            };
            const char person = person_white ? 'w' : 'b', engine = person_white ? 'b' : 'w';
            // The person's moves: any legal one will do.
            const auto person_moves = [&w] {
                const std::vector<LegalMove> legal = LegalMoves(w->Game().Position());
                return !legal.empty() && w->Panel().scacchiera->Move(legal.back().Coordinate());
            };
            for (int move = 0; move < 3; ++move) {
                QTRY_VERIFY_WITH_TIMEOUT(!w->Game().Searching(), 60000);
                QVERIFY(person_moves());
                QCOMPARE(running(), engine);
            }
            QTRY_VERIFY_WITH_TIMEOUT(!w->Game().Searching(), 60000);
            QCOMPARE(running(), person);
            // Step back two plies and go on from there: the person's clock.
            w->Person().ContinueFromHere = [](const QString&) { return true; };
            QVERIFY(w->Person().StepBy(-2));
            QCOMPARE(running(), '-');
            w->Person().SteppedPress();
            QCOMPARE(running(), person);
            // Take-back: nothing runs until the person moves; then the engine's.
            w->Actions().actMoveBack->trigger();
            QCOMPARE(running(), '-');
            QVERIFY(person_moves());
            QCOMPARE(running(), engine);
            w->Actions().actMove->trigger(); // Move now
            QTRY_COMPARE(running(), person);
            w->Actions().cmdEdit->setChecked(true);
            QCOMPARE(running(), '-');
            w->Actions().cmdEdit->setChecked(false);
        }

        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Person().ChooseDepth(2);
        QVERIFY(w->Person().NewGame(true));
        QVERIFY(w->Panel().scacchiera->Move("e2e4"));
        QTRY_VERIFY_WITH_TIMEOUT(!w->Game().Searching(), 60000);
        QVERIFY(!w->Game().Statistics().empty());
        // Edit mode after a double push (the engine held, Black to move):
        // the en-passant square goes with it.
        w->Actions().tlbGioca->setChecked(true);
        QVERIFY(w->Panel().scacchiera->Move("d2d4"));
        w->Actions().tlbGioca->setChecked(false);
        w->Actions().cmdEdit->setChecked(true);
        w->Panel().scacchiera->CancellaPezzo(TBoardModel::IndiceCasa("d4"));
        w->Actions().cmdEdit->setChecked(false);
        QVERIFY(!w->Game().EditMode());
        QVERIFY(w->Game().Statistics().empty()); // a fresh start after the edit
        QVERIFY(w->Person().NewGame(true));
        QCOMPARE(w->Panel().lblLivello->text().contains(QStringLiteral("reached")), false);

        // A time a move: the person's clock never runs nor falls.
        QCOMPARE(w->Person().ChooseTimeControl("st 1"), QString());
        QVERIFY(w->Person().NewGame(true));
        QVERIFY(w->Panel().scacchiera->Move("e2e4"));
        QTRY_VERIFY_WITH_TIMEOUT(!w->Game().Searching(), 60000);
        QCOMPARE(w->Panel().clkBianco->text(), QStringLiteral("--:--"));
        QTest::qWait(1500);
        QVERIFY(!w->Game().GameOver());
        // No clock: the engine searches to the level, and no clock runs.
        QCOMPARE(w->Person().ChooseTimeControl("untimed"), QString());
        QVERIFY(w->Person().NewGame(true));
        QVERIFY(w->Panel().scacchiera->Move("e2e4"));
        QCOMPARE(w->Game().LastLimits().depth, 2);
        QCOMPARE(w->Game().LastLimits().hard_ms, -1.0);
        QVERIFY(!w->Panel().clkBianco->Started() && !w->Panel().clkNero->Started());
        QTRY_VERIFY_WITH_TIMEOUT(!w->Game().Searching(), 60000);
        QCOMPARE(w->Game().Record().Tag("TimeControl"), std::string("-"));
    }

    // The move box and the game's shortcuts: empty, the box lets Ctrl+Z take
    // the move back; with text, Ctrl+Z is the box's own undo. A refused
    // typed move's message goes with the next good one.
    void moveBoxGivesTheGamesShortcutsWay() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->Person().ChooseDepth(2);
        QVERIFY(w->Person().NewGame(true));
        QLineEdit* box = w->Panel().txtMossaTastiera;
        box->setFocus();
        QTest::keyClicks(box, "e4");
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!w->Game().Searching(), 60000);
        QCOMPARE(w->Game().Positions().size(), size_t(3));
        QTest::keyClicks(box, "Nf9");
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(!w->statusBar()->currentMessage().isEmpty());
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier); // the box's own undo
        QCOMPARE(w->Game().Positions().size(), size_t(3));
        box->clear();
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier); // the game's take-back
        QCOMPARE(w->Game().Positions().size(), size_t(1));
        QTest::keyClicks(box, "d4");
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(w->statusBar()->currentMessage().isEmpty());
    }

    // The evaluation graph: a point after each of the engine's moves, the
    // position shown marked, a press on a point steps there; saved and
    // opened again, the game keeps its evaluations.
    void evaluationGraphStepsThroughTheGame() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Person().ChooseDepth(2);
        QVERIFY(w->Person().NewGame(true));
        for (const char* move : {"e2e4", "d2d4"}) {
            QVERIFY(w->Panel().scacchiera->Move(move) || w->Panel().scacchiera->Move("g1f3"));
            QTRY_VERIFY_WITH_TIMEOUT(!w->Game().Searching(), 60000);
        }
        const std::vector<std::optional<MoveEvaluation>> evaluations = w->Game().Evaluations();
        QCOMPARE(evaluations.size(), size_t(5));
        QVERIFY(evaluations[2] && evaluations[4] && !evaluations[1]);
        TEvalGraph& graph = *w->Pages().grafico;
        graph.resize(400, 80);
        const int x = 4 + (400 - 8) * (2 - 1) / (4 - 1); // the second ply's point
        QCOMPARE(TEvalGraph::PlyAt(evaluations, x, graph.width()), 2);
        QTest::mouseClick(&graph, Qt::LeftButton, Qt::NoModifier, QPoint(x, 40));
        QCOMPARE(w->Person().Shown(), 2);
        w->Actions().actLast->trigger();
        const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("galvetta-graph.pgn"));
        QVERIFY(w->Pages().txtPartita->SaveGameTo(path));
        auto opened = person_window(&out);
        QString names;
        QCOMPARE(opened->Pages().txtPartita->OpenGameFrom(path, 0, names), QString());
        QCOMPARE(opened->Game().Evaluations(), evaluations);
    }

    // Faults seen: a piece not drawn after a new game, a window widened by a
    // fallen flag, a move number below zero, a dead position over only after
    // a move, and stale figures after a new game from a FEN.
    void faultsOfRoundOne() {
        std::vector<std::string> out;
        auto w = person_window(&out);
        QCOMPARE(w->Person().SetUpFen(QStringLiteral("4k3/8/8/8/8/8/8/4K3 w - - 0 1")), QString());
        QVERIFY(w->Game().GameOver()); // over when it is set up
        QVERIFY(w->lblRisultato->text().startsWith(QStringLiteral("1/2-1/2")));
        // A move with no reply (the engine held back), then a new game: every
        // square of the start is drawn, the one the pawn left too.
        w->Actions().tlbGioca->setChecked(true);
        w->Actions().actNewWhite->trigger();
        w->Actions().tlbGioca->setChecked(true);
        QVERIFY(w->Panel().scacchiera->Move("e2e4"));
        w->Actions().actNewWhite->trigger();
        QVERIFY(draws(*w, STARTING_POSITION));

        const int wide = w->minimumSizeHint().width();
        w->Panel().clkBianco->SetCaption("00:00 Tempo scaduto (out of time)");
        QCOMPARE(w->minimumSizeHint().width(), wide);

        QCOMPARE(w->Person().SetUpFen(QStringLiteral("4k3/p7/8/8/8/8/8/4K2R w K - 0 1")), QString());
        w->Game().ChangeOptions([](EngineOptions& o) { o.depth_cap = 2; });
        QVERIFY(w->Panel().scacchiera->Move("h1h2"));
        QTRY_VERIFY_WITH_TIMEOUT(answered(out), 60000);
        w->Actions().actMoveBack->trigger();
        QCOMPARE(w->Game().EngineMoves(), 0);
        out.clear();
        QVERIFY(w->Panel().scacchiera->Move("h1h3"));
        QTRY_VERIFY_WITH_TIMEOUT(answered(out), 60000);
        // The engine's move after the take-back is numbered as its first again.
        const QString statistics = w->Pages().txtStatistiche->toPlainText();
        QVERIFY2(statistics.startsWith(QStringLiteral("\n---------------------move #0\n")),
                 qPrintable(statistics.left(80)));
        // A new game from a FEN starts from clean figures and clocks.
        QVERIFY(!w->Pages().txtMossa->text().isEmpty());
        QCOMPARE(w->Person().SetUpFen(QStringLiteral("4k3/p7/8/8/8/8/8/4K2R w K - 0 1")), QString());
        QVERIFY(w->Pages().txtMossa->text().isEmpty() && w->Pages().txtTempoPrevisto->text().isEmpty());
        QCOMPARE(w->Panel().clkBianco->GetValue(), w->Game().Control().base_seconds);
        QCOMPARE(w->statusBar()->currentMessage(), QString());
    }

    // A forty-move game prints on one page, under its diagram.
    void fortyMovesPrintOnOnePage() {
        QTemporaryDir dir;
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Actions().tlbGioca->setChecked(true);
        // Knights out and back would repeat: pawns first, then the knights around.
        int plies = 0;
        for (int turn = 0; plies < 80 && turn < 400; ++turn) {
            const std::vector<LegalMove> legal = LegalMoves(w->Panel().scacchiera->GetPosition());
            if (legal.empty() || w->Game().GameOver()) break;
            if (w->Panel().scacchiera->Move(legal[static_cast<size_t>(turn * 7) % legal.size()].Coordinate()))
                ++plies;
        }
        QVERIFY2(plies >= 60, qPrintable(QString::number(plies)));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("forty.pdf"));
        w->PrintGame(printer);
        QFile pdf(dir.filePath("forty.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QString bytes = QString::fromLatin1(pdf.readAll());
        QCOMPARE(bytes.count(QRegularExpression("/Type\\s*/Page[^s]")), 1);

        // A game of 95 moves: the first page holds moves 1 to 40 under the
        // diagram, the second the rest, each page's columns in order.
        std::mt19937 random(95);
        std::vector<std::string> positions{STARTING_POSITION};
        while (positions.size() < 191) {
            const std::vector<LegalMove> legal = LegalMoves(positions.back());
            if (legal.empty())
                positions.assign(1, STARTING_POSITION);
            else
                positions.push_back(PositionAfter(positions.back(), legal[random() % legal.size()]));
        }
        OpenedGame long_game;
        long_game.positions = positions;
        w->Game().LoadGame(long_game);
        printer.setOutputFileName(dir.filePath("long.pdf"));
        w->PrintGame(printer);
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), dir.filePath("long.pdf"), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split(QChar('\f'));
        QVERIFY2(pages.size() >= 2, qPrintable(QString::number(pages.size())));
        const auto numbers = [](const QString& page) {
            QList<int> found;
            for (const QRegularExpressionMatch& m :
                 QRegularExpression("(?:^|\\s)(\\d+)\\.\\s").globalMatch(page))
                found << m.captured(1).toInt();
            std::sort(found.begin(), found.end());
            return found;
        };
        QList<int> first_page;
        for (int n = 1; n <= 40; ++n)
            first_page << n;
        QCOMPARE(numbers(pages[0]), first_page);
        QCOMPARE(numbers(pages[1]).front(), 41);
        QCOMPARE(numbers(pages[1]).back(), 95);
    }

    // Copy and paste, the unsaved-game question's Save, a confirmed
    // resignation, the Tempo menu's mark and one mnemonic a menu entry.
    void copyPasteQuestionsAndMenus() {
        QTemporaryDir dir;
        std::vector<std::string> out;
        auto w = person_window(&out);
        w->Actions().tlbGioca->setChecked(true);
        for (const char* move : {"e2e4", "c7c5"})
            QVERIFY(w->Panel().scacchiera->Move(move));
        w->Actions().actCopyFen->trigger();
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2"));
        w->Actions().actCopyPgn->trigger();
        const QString pgn = QApplication::clipboard()->text();
        QVERIFY(pgn.contains(QStringLiteral("1. e4 c5")));
        // The person saves before the pasted game replaces this one.
        bool saved = false;
        w->Person().AskUnsaved = [](const QString&) { return TPersonGame::Unsaved::Save; };
        w->Person().SaveGame = [&] { return saved = w->SaveGameTo(dir.filePath("kept.pgn")); };
        QApplication::clipboard()->setText(QStringLiteral("[White \"X\"]\n\n1. d4 Nf6 2. c4 *\n"));
        w->Actions().actPaste->trigger();
        QVERIFY(saved);
        QCOMPARE(w->Panel().scacchiera->Positions().size(), size_t(4));
        QCOMPARE(w->stato[1]->text(), QStringLiteral("X - "));
        // A resignation asked and declined changes nothing.
        w->Person().Confirm = [](const QString&) { return false; };
        w->Actions().actResign->trigger();
        QVERIFY(!w->Game().GameOver());
        w->Person().Confirm = [](const QString&) { return true; };
        w->Actions().actResign->trigger();
        QVERIFY(w->Game().GameOver());

        QCOMPARE(w->Person().ChooseTimeControl("level 0 3 2"), QString());
        QMenu* time = w->Actions().actTime->menu();
        emit time->aboutToShow();
        QStringList checked;
        for (QAction* action : time->actions())
            if (action->isChecked()) checked << action->text();
        QCOMPARE(checked, QStringList{QStringLiteral("3 minuti + 2 s / 3+2")});

        // The pages' mnemonics and the menu bar's are Alt+letter alike: none twice.
        const auto mnemonic = [](const QString& text) {
            const qsizetype at = text.indexOf(QLatin1Char('&'));
            return at < 0 || at + 1 >= text.size() ? QChar() : text.at(at + 1).toLower();
        };
        QSet<QChar> alt_keys;
        for (QAction* action : w->menuBar()->actions())
            alt_keys.insert(mnemonic(action->text()));
        for (int tab = 0; tab < w->Pages().count(); ++tab) {
            const QChar key = mnemonic(w->Pages().tabText(tab));
            QVERIFY2(key.isNull() || !alt_keys.contains(key), qPrintable(w->Pages().tabText(tab)));
            alt_keys.insert(key);
        }
        for (QMenu* menu : w->menuBar()->findChildren<QMenu*>()) {
            QSet<QChar> keys;
            for (QAction* action : menu->actions()) {
                const QString text = action->text();
                const qsizetype at = text.indexOf(QLatin1Char('&'));
                if (at < 0 || at + 1 >= text.size()) continue;
                const QChar key = text.at(at + 1).toLower();
                QVERIFY2(!keys.contains(key), qPrintable(menu->title() + ": " + text));
                keys.insert(key);
            }
        }
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
