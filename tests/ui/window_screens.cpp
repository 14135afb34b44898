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
        // At the start already, the status bar (where results and messages
        // go) lies inside the screen, with room for a window manager's frame.
        const QRect available = w.screen()->availableGeometry();
        QVERIFY2(on_screen(w.statusBar()).bottom() + 30 <= available.bottom() + 1,
                 qPrintable(QStringLiteral("status bar ends at %1 of %2")
                                .arg(on_screen(w.statusBar()).bottom())
                                .arg(available.bottom())));

        w.Actions().tlbGioca->setChecked(true); // the person plays both sides
        for (const char* move : {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5"})
            QVERIFY(w.Panel().scacchiera->Move(move));
        w.Actions().actAnalysis->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.Pages().analysis->txtLinee->blockCount() >= 7, 30000);
        w.Actions().actAnalysis->trigger();
        w.Actions().actHint->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.Panel().scacchiera->GetMarks().hint_from >= 0, 30000);
        // STEPPED=1: the game stepped back to after 2. Nf3, as a person looks back.
        if (qEnvironmentVariableIntValue("STEPPED") == 1) {
            QVERIFY(w.Person().StepTo(3));
            w.Pages().setCurrentWidget(w.Pages().tabPartita);
        }

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
