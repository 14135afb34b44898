// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the offscreen platform.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>

#include "game/GameFile.h"
#include "game/Pgn.h"
#include "game/WinBoardControl.h"

#include "ui/Comandi.h"
#include "ui/GamePage.h"
#include "ui/GraphicChessBoard.h"
#include "ui/Main.h"
#include "ui/QuorClock.h"
#include "ui/QuorLabel.h"

using namespace galvetta;

class WindowTest : public QObject {
    Q_OBJECT

    // A window whose protocol output is kept instead of written.
    static std::unique_ptr<TfrmMain> window(const StartOptions& options, std::vector<std::string>* out) {
        auto w = std::make_unique<TfrmMain>(options, nullptr, false);
        w->Interface().WriteLine = [out](const std::string& line) { out->push_back(line); };
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
        QCOMPARE(w->trkLivelli->value(), 8);
        QCOMPARE(out.front(), std::string(TWinBoardControl::GREETING));
        QVERIFY(w->memComandi->toPlainText().startsWith(QString(TWinBoardControl::GREETING)));
        auto twelve = window(level(12), &out);
        QCOMPARE(twelve->trkLivelli->value(), 12);
        QCOMPARE(twelve->lblLivello->text(), QStringLiteral("Livello: 12 (ply)"));
        QCOMPARE(window(level(6), &out)->trkLivelli->value(), 6);
        auto bad = window(level(std::nullopt, "Ignored argument: /Lxyz"), &out);
        QCOMPARE(bad->trkLivelli->value(), 8);
        QVERIFY(bad->txtStatistiche->toPlainText().contains(QStringLiteral("Ignored argument: /Lxyz")));
        QVERIFY(bad->timMossa->isActive()); // start-up went on
    }

    void clocksCaptionsAndReverse() {
        std::vector<std::string> out;
        auto w = window(StartOptions{}, &out);
        w->show();
        QCOMPARE(w->clkBianco->text(), QStringLiteral("120:00"));
        w->Interface().InterpretCommand("level 40 5 0");
        QCOMPARE(w->clkBianco->text(), QStringLiteral("05:00"));
        QCOMPARE(w->clkNero->text(), QStringLiteral("05:00"));
        w->Interface().InterpretCommand("st 1");
        w->clkBianco->Start(false);
        w->clkBianco->Tick();
        QCOMPARE(w->clkBianco->text(), QStringLiteral("00:00 Tempo scaduto (out of time)"));
        // Out of time, the clock stops at zero.
        QVERIFY(!w->clkBianco->Started());
        w->clkBianco->Tick();
        QCOMPARE(w->clkBianco->text(), QStringLiteral("00:00 Tempo scaduto (out of time)"));
        // Black's clock sits above the board until the board is turned.
        QVERIFY(w->clkNero->y() < w->scacchiera->y());
        QVERIFY(w->clkBianco->y() > w->scacchiera->y());
        w->ReverseExecute();
        QTRY_VERIFY(w->clkBianco->y() < w->scacchiera->y());
        QVERIFY(w->clkNero->y() > w->scacchiera->y());
        QVERIFY(w->scacchiera->GetBlackAtBottom());
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
    }

    void helpWindowLines() {
        TfrmComandi help;
        QCOMPARE(help.windowTitle(), QStringLiteral("Galvetta commands"));
        QCOMPARE(help.size(), QSize(548, 593));
        const QStringList lines = help.memo()->toPlainText().split('\n');
        QCOMPARE(lines.first(), QStringLiteral("Available commands."));
        QVERIFY(lines.contains(QStringLiteral("e1g1: castle (if e1=King)")));
        QVERIFY(lines.contains(QStringLiteral("analyze: ignored (enter analyze mode)")));
        QCOMPARE(lines.size(), TfrmComandi::HelpLines().size());
    }

    void engineAnswerShownInTheStatistics() {
        std::vector<std::string> out;
        auto w = window(StartOptions{}, &out);
        out.clear();
        w->Interface().InterpretCommand("e2e4");
        QTRY_VERIFY_WITH_TIMEOUT(!out.empty(), 60000);
        QVERIFY(out.back().rfind("move ", 0) == 0);
        QVERIFY(w->txtStatistiche->toPlainText().contains(QStringLiteral("Galvetta's move: ") +
                                                          QString::fromStdString(out.back().substr(5))));
        QCOMPARE(w->txtMossa->text().toStdString(), out.back().substr(5));
        QCOMPARE(w->scacchiera->GetPosition()[64], 'B');
        QVERIFY(!w->scacchiera->GetLocked());
    }

    void autoplayPlaysBothSidesUntilMate() {
        std::vector<std::string> out;
        auto w = window(StartOptions{}, &out);
        // White mates in two: rooks on a1 and b2 against the king on h8.
        for (const char* line : {"force", "edit", "#", "Kg1", "Ra1", "Rb2", "c", "Kh8", "."})
            w->Interface().InterpretCommand(line);
        w->tlbAutoPlay->setChecked(true);
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
        QVERIFY(w->txtStatistiche->toPlainText().contains(QStringLiteral("*** MATE ***")));
        QVERIFY(!w->tlbAutoPlay->isChecked());
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
        QTRY_VERIFY(
            w->txtPartita->toPlainText().startsWith("  1. e4      e5\n  2. Nf3     Nc6\n  3. Bb5     "));
        QVERIFY(w->SaveGameTo(saved));

        auto opened = window(StartOptions{}, &out);
        QCOMPARE(opened->OpenGameFrom(saved), QString());
        QCOMPARE(opened->scacchiera->GetPosition().substr(0, 65), w->scacchiera->GetPosition().substr(0, 65));
        QTRY_COMPARE(w->txtPartita->toPlainText(), opened->txtPartita->toPlainText());
        QVERIFY(!opened->Game().Driver().SearchRunning());
        QCOMPARE(opened->stato[1]->text(), QStringLiteral("Ugo - Galvetta"));

        QFile broken(dir.filePath("broken.pgn"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("[Event \"a\"]\n\n1. d4 *\n\n[Event \"b\"]\n\n1. e4 e5 2. Ke3 Nc6 *\n");
        broken.close();
        QCOMPARE(opened->OpenGameFrom(broken.fileName(), 1),
                 QStringLiteral("Game 2, move 2. Ke3: illegal move 'Ke3'"));
        QCOMPARE(opened->scacchiera->GetPosition().substr(0, 65),
                 FenToPositionText("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -")
                     .value->substr(0, 65));
        QFile fen(dir.filePath("position.fen"));
        QVERIFY(fen.open(QIODevice::WriteOnly));
        fen.write("8/8/8/8/8/8/k7/4K2R w K - 0 1\n");
        fen.close();
        QCOMPARE(opened->OpenGameFrom(fen.fileName()), QString());
        QCOMPARE(opened->scacchiera->GetPosition(),
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
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
