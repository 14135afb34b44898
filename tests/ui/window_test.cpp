// The main window on the offscreen platform.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSlider>
#include <QtTest>

#include "ui/Comandi.h"
#include "ui/GraphicChessBoard.h"
#include "ui/Main.h"
#include "ui/QuorClock.h"
#include "ui/QuorLabel.h"

using namespace galvetta;

class WindowTest : public QObject {
    Q_OBJECT

    // A window whose protocol output is kept instead of written.
    static std::unique_ptr<TfrmMain> window(const QStringList& arguments, std::vector<std::string>* out) {
        auto w = std::make_unique<TfrmMain>(arguments, nullptr, false);
        w->Game().WriteLine = [out](const std::string& line) { out->push_back(line); };
        w->FormShow();
        return w;
    }

  private slots:
    void initTestCase() { TQuorClock::ShowMessages = false; }

    void captionLevelArgumentAndSlider() {
        std::vector<std::string> out;
        auto w = window({}, &out);
        QCOMPARE(w->windowTitle(), QStringLiteral("Galvetta Release 0.11.0"));
        QCOMPARE(w->trkLivelli->value(), 8);
        QCOMPARE(out.front(), std::string(TGameControl::GREETING));
        QVERIFY(w->memComandi->toPlainText().startsWith(QString(TGameControl::GREETING)));
        auto level = window({"/L12"}, &out);
        QCOMPARE(level->trkLivelli->value(), 12);
        QCOMPARE(level->lblLivello->text(), QStringLiteral("Livello: 12 (ply)"));
        QCOMPARE(window({"abc"}, &out)->trkLivelli->value(), 6);
        auto bad = window({"/Lxyz"}, &out);
        QCOMPARE(bad->trkLivelli->value(), 8);
        QVERIFY(bad->timMossa->isActive()); // start-up went on
    }

    void clocksCaptionsAndReverse() {
        std::vector<std::string> out;
        auto w = window({}, &out);
        w->show();
        QCOMPARE(w->clkBianco->text(), QStringLiteral("120:00"));
        w->Game().InterpretCommand("level 40 5 0");
        QCOMPARE(w->clkBianco->text(), QStringLiteral("05:00"));
        QCOMPARE(w->clkNero->text(), QStringLiteral("05:00"));
        w->Game().InterpretCommand("st 1");
        w->clkBianco->Start(false);
        w->clkBianco->Tick();
        QCOMPARE(w->clkBianco->text(), QStringLiteral("00:00 Tempo scaduto (out of time)"));
        w->clkBianco->Tick();
        QCOMPARE(w->clkBianco->text(), QStringLiteral("00:-1 Tempo scaduto (out of time)"));
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
        auto w = window({}, &out);
        out.clear();
        w->Game().InterpretCommand("e2e4");
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
        auto w = window({}, &out);
        // White mates in two: rooks on a1 and b2 against the king on h8.
        for (const char* line : {"force", "edit", "#", "Kg1", "Ra1", "Rb2", "c", "Kh8", "."})
            w->Game().InterpretCommand(line);
        w->tlbAutoPlay->setChecked(true);
        QVERIFY(w->Game().AutoPlay());
        out.clear();
        w->Game().InterpretCommand("go");
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
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
