// SPDX-License-Identifier: GPL-3.0-or-later
// The window on a real screen (run under Xvfb by real_window_test.sh): a game
// in progress with the analysis on and a hint marked, everything a person
// needs inside the screen, and a screenshot of it. SCREENSHOT names the file;
// DARK=1 shows it in Fusion with a dark palette.
#include <QAction>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include "ui/AnalysisPage.h"
#include "ui/BoardPanel.h"
#include "ui/GamePage.h"
#include "ui/GraphicChessBoard.h"
#include "ui/Main.h"
#include "ui/MainActions.h"
#include "ui/Pages.h"
#include "ui/PersonGame.h"
#include "ui/QuorClock.h"

using namespace galvetta;

class WindowScreens : public QObject {
    Q_OBJECT

    static QPalette dark_palette() {
        QPalette palette;
        const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230);
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::AlternateBase, window);
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Button, window);
        palette.setColor(QPalette::ButtonText, text);
        palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
        palette.setColor(QPalette::HighlightedText, Qt::black);
        palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
        return palette;
    }

    // The part of `widget` that shows, in screen pixels.
    static QRect on_screen(const QWidget* widget) {
        return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    }

  private slots:
    void gameOnTheScreen() {
        const QString path = qEnvironmentVariable("SCREENSHOT");
        QVERIFY(!path.isEmpty());
        if (qEnvironmentVariableIntValue("DARK") == 1) {
            QApplication::setStyle(QStringLiteral("Fusion"));
            QApplication::setPalette(dark_palette());
        }
        TQuorClock::ShowMessages = false;
        TfrmMain w(StartOptions{}, nullptr, false);
        w.Interface().WriteLine = [](const std::string&) {};
        w.FormShow();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // At the start, and after each scene (edit mode must not grow the
        // window), the status bar (where results and refusals go) lies
        // inside the screen, with room for a window manager's frame.
        const auto status_bar_inside = [&w] {
            const QRect available = w.screen()->availableGeometry();
            QVERIFY2(on_screen(w.statusBar()).bottom() + 30 <= available.bottom() + 1,
                     qPrintable(QStringLiteral("status bar ends at %1 of %2")
                                    .arg(on_screen(w.statusBar()).bottom())
                                    .arg(available.bottom())));
        };
        status_bar_inside();
        if (QTest::currentTestFailed()) return;

        // SCENE: "graph", a 30-move game the engine played against itself
        // and its evaluation graph; "flag", a game lost on time; "edit",
        // edit mode with its palette;
        // "marks", a knight selected with the squares it may go to;
        // "promotion", the choice of piece open; else a game with the
        // analysis on and a hint marked (STEPPED=1: stepped back to 2. Nf3).
        const QString scene = qEnvironmentVariable("SCENE");
        if (scene == QLatin1String("graph")) {
            w.Actions().actBook->setChecked(false);
            w.Person().ChooseDepth(2);
            w.Actions().tlbAutoPlay->setChecked(true);
            w.Person().NewGame(true);
            w.Game().Go();
            QTRY_VERIFY_WITH_TIMEOUT(w.Game().Positions().size() >= 61 || w.Game().GameOver(), 120000);
            w.Actions().tlbAutoPlay->setChecked(false);
            QTRY_VERIFY_WITH_TIMEOUT(!w.Game().Searching(), 30000);
            w.Pages().setCurrentWidget(w.Pages().tabPartita);
        } else if (scene == QLatin1String("flag")) {
            w.Actions().actBook->setChecked(false);
            QCOMPARE(w.Person().ChooseTimeControl("level 0 0:01 0"), QString());
            QVERIFY(w.Person().NewGame(false));
            QTRY_VERIFY_WITH_TIMEOUT(w.Game().GameOver(), 15000);
        } else if (scene == QLatin1String("edit")) {
            w.Actions().cmdEdit->setChecked(true);
        } else if (scene == QLatin1String("marks")) {
            QTest::mouseClick(
                w.Panel().scacchiera, Qt::LeftButton, Qt::NoModifier,
                QPoint(w.Panel().scacchiera->CoordinataX(6) + 10, w.Panel().scacchiera->CoordinataY(7) + 10));
            QVERIFY(!w.Panel().scacchiera->Targets().empty());
        } else if (scene == QLatin1String("promotion")) {
            QCOMPARE(w.Person().SetUpFen(QStringLiteral("4k3/P7/8/8/8/8/8/4K3 w - - 0 1")), QString());
            // The menu waits for the person: the screenshot is taken while it is open.
            QTimer::singleShot(800, [&w, path] {
                w.screen()->grabWindow(0).save(path);
                if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
            });
            auto* board = w.Panel().scacchiera;
            QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier,
                              QPoint(board->CoordinataX(0) + 10, board->CoordinataY(1) + 10));
            QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier,
                              QPoint(board->CoordinataX(0) + 10, board->CoordinataY(0) + 10));
            qInfo("screenshot %s: the promotion choice", qPrintable(path));
            return;
        } else {
            w.Actions().tlbGioca->setChecked(true); // the person plays both sides
            for (const char* move : {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5"})
                QVERIFY(w.Panel().scacchiera->Move(move));
            w.Actions().actAnalysis->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(w.Pages().analysis->txtLinee->blockCount() >= 7, 30000);
            w.Actions().actAnalysis->trigger();
            w.Actions().actHint->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(w.Panel().scacchiera->GetMarks().hint_from >= 0, 30000);
        }
        if (qEnvironmentVariableIntValue("STEPPED") == 1) {
            // The stepping caption neither moves nor shrinks the board.
            const QRect board = on_screen(w.Panel().scacchiera);
            QVERIFY(w.Person().StepTo(3));
            w.Pages().setCurrentWidget(w.Pages().tabPartita);
            QTest::qWait(100);
            QCOMPARE(on_screen(w.Panel().scacchiera), board);
        }
        status_bar_inside();
        if (QTest::currentTestFailed()) return;

        // Nothing a person needs lies off the screen or behind the tool bar's overflow.
        const QRect screen = w.screen()->geometry();
        QWidgetList needed = {w.Panel().scacchiera, w.Panel().clkBianco,  w.Panel().clkNero,
                              w.Panel().trkLivelli, w.Panel().lblLivello, (&w.Pages()),
                              w.statusBar()};
        auto* tools = w.findChild<QToolBar*>();
        for (QAction* action : tools->actions())
            if (!action->isSeparator()) needed << tools->widgetForAction(action);
        for (const QWidget* widget : needed) {
            QVERIFY2(widget->isVisible() && screen.contains(on_screen(widget)),
                     qPrintable(widget->objectName() + widget->metaObject()->className()));
        }
        QTest::qWait(300);
        QVERIFY(w.screen()->grabWindow(0).save(path));
        qInfo("screenshot %s: window %dx%d, squares of %d pixels", qPrintable(path), w.width(), w.height(),
              w.Panel().scacchiera->CellSize());
    }
};

QTEST_MAIN(WindowScreens)
#include "window_screens.moc"
