// SPDX-License-Identifier: GPL-3.0-or-later
// The board widgets on the offscreen platform: coordinates, redrawing, dragging.
#include <QSignalSpy>
#include <QtTest>

#include "notation/PositionText.h"
#include "notation/San.h"
#include "ui/GraphicChessBoard.h"
#include "ui/PieceImages.h"

using namespace galvetta;

class BoardWidgetTest : public QObject {
    Q_OBJECT

    ImageList images_ = MakePieceImages(48);

    static QPoint centre(TBoardCanvas& canvas, const char* square) {
        const int index = TBoardModel::IndiceCasa(square);
        return QPoint(canvas.CoordinataX(index % 8) + 24, canvas.CoordinataY(index / 8) + 24);
    }
    // A left-button drag from one square's centre to another's.
    static void drag(QWidget& widget, QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(&widget, button, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), widget.mapToGlobal(QPointF(to)), Qt::NoButton,
                         button, Qt::NoModifier);
        QApplication::sendEvent(&widget, &move);
        QTest::mouseRelease(&widget, button, Qt::NoModifier, to);
    }

  private slots:
    void coordinatesInBothOrientations() {
        TGraphicChessBoard board;
        board.SetPictures(&images_);
        QCOMPARE(board.size(), QSize(384, 384));
        QCOMPARE(board.CoordinataX(0), 0);
        QCOMPARE(board.CoordinataY(0), 0);
        QCOMPARE(board.Colonna(0), 0);
        board.SetBlackAtBottom(true);
        // a8 at (336, 336), h1 at (0, 0); pixel column 0 is the h-file.
        QCOMPARE(QPoint(board.CoordinataX(0), board.CoordinataY(0)), QPoint(336, 336));
        QCOMPARE(QPoint(board.CoordinataX(7), board.CoordinataY(7)), QPoint(0, 0));
        QCOMPARE(board.Colonna(0), 7);
        QCOMPARE(board.Riga(383), 0);
        QCOMPARE(board.IconaPezzo('k'), 2);
        QCOMPARE(board.IconaPezzo('P'), 13);
        QCOMPARE(board.IconaPezzo('x'), 1);
    }

    void onlyChangedSquaresAreRedrawn() {
        TGraphicChessBoard board;
        board.SetPictures(&images_);
        const int first = board.SquaresRepainted();
        QCOMPARE(first, 64);
        board.SetPosition(board.GetPosition());
        QCOMPARE(board.SquaresRepainted(), first);
        std::string after = STARTING_POSITION;
        after[52] = '-';
        after[36] = 'p';
        board.SetPosition(after);
        QCOMPARE(board.SquaresRepainted(), first + 2);
        const QImage before = board.BoardBitmap().toImage();
        board.SetBlackAtBottom(true);
        QCOMPARE(board.SquaresRepainted(), first + 2 + 64);
        QVERIFY(board.BoardBitmap().toImage() != before);
        board.SetBlackAtBottom(false);
        QCOMPARE(board.BoardBitmap().toImage(), before);
        // A new image list redraws everything and resizes the board.
        ImageList small = MakePieceImages(32);
        board.SetPictures(&small);
        QCOMPARE(board.size(), QSize(256, 256));
        QCOMPARE(board.SquaresRepainted(), first + 2 + 64 + 64 + 64);
    }

    void dragPlaysTheMove() {
        TGraphicChessBoard board;
        board.SetPictures(&images_);
        board.ResetGame();
        int moves = 0;
        board.AfterMove = [&] { ++moves; };
        drag(board, centre(board, "e2"), centre(board, "e4"));
        QCOMPARE(moves, 1);
        QCOMPARE(board.GetPosition()[TBoardModel::IndiceCasa("e4")], 'p');
        QCOMPARE(board.GetPosition()[TBoardModel::IndiceCasa("e2")], '-');
        QCOMPARE(board.GetPosition()[64], 'N');
        // The same drag on the turned board.
        board.SetBlackAtBottom(true);
        drag(board, centre(board, "e7"), centre(board, "e5"));
        QCOMPARE(moves, 2);
        QCOMPARE(board.GetPosition()[TBoardModel::IndiceCasa("e5")], 'P');
    }

    void dropsThatChangeNothing() {
        TGraphicChessBoard board;
        board.SetPictures(&images_);
        board.ResetGame();
        int moves = 0;
        board.AfterMove = [&] { ++moves; };
        // Back on its own square.
        drag(board, centre(board, "e2"), centre(board, "e2"));
        QCOMPARE(board.GetPosition(), std::string(STARTING_POSITION));
        // A square the validation refuses: the piece is back, LastMove empty.
        board.OnValidateMove = [](bool& legal) { legal = false; };
        drag(board, centre(board, "e2"), centre(board, "e5"));
        QCOMPARE(board.GetPosition(), std::string(STARTING_POSITION));
        QCOMPARE(board.GetLastMove(), std::string());
        board.OnValidateMove = nullptr;
        // Right button, and anything while locked, are ignored.
        drag(board, centre(board, "e2"), centre(board, "e4"), Qt::RightButton);
        board.SetLocked(true);
        drag(board, centre(board, "e2"), centre(board, "e4"));
        QCOMPARE(board.GetPosition(), std::string(STARTING_POSITION));
        board.SetLocked(false);
        // An empty square: nothing, LastMove included. A Black piece with White to move:
        // LastMove names it, nothing is lifted, the release does nothing.
        board.SetLastMove("kept");
        drag(board, centre(board, "e4"), centre(board, "e5"));
        QCOMPARE(board.GetLastMove(), std::string("kept"));
        drag(board, centre(board, "e7"), centre(board, "e5"));
        QCOMPARE(board.GetLastMove(), std::string("e7"));
        QCOMPARE(board.GetPosition(), std::string(STARTING_POSITION));
        // Off the board: the piece goes back.
        QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, centre(board, "d2"));
        QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, QPoint(500, 500));
        QCOMPARE(board.GetPosition(), std::string(STARTING_POSITION));
        QCOMPARE(moves, 0);
    }

    void lockedInTheMiddleOfADragPutsThePieceBack() {
        TGraphicChessBoard board;
        board.SetPictures(&images_);
        board.ResetGame();
        QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, centre(board, "g1"));
        QCOMPARE(board.GetPosition()[TBoardModel::IndiceCasa("g1")], '-');
        board.SetLocked(true);
        QCOMPARE(board.GetPosition()[TBoardModel::IndiceCasa("g1")], 'n');
        QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, centre(board, "f3"));
        QCOMPARE(board.GetPosition(), std::string(STARTING_POSITION));
    }

    void pawnDroppedOnTheLastRankBecomesAQueen() {
        TGraphicChessBoard board;
        board.SetPictures(&images_);
        board.SetPosition(*FenToPositionText("4k3/P7/8/8/8/8/8/4K3 w - - 0 1").value);
        drag(board, centre(board, "a7"), centre(board, "a8"));
        QCOMPARE(board.GetPosition()[0], 'q');
    }

    // Click-click: a press and release selects a piece and marks where it
    // may go; a press on a target plays the move, on the piece again lets it
    // go, on a square it cannot reach is refused.
    void clickClickMovesAndMarksTargets() {
        TGraphicChessBoard board;
        board.SetPictures(&images_);
        board.ResetGame();
        board.LegalTargets = [&board](int from) {
            std::vector<int> targets;
            for (const LegalMove& move : LegalMoves(board.GetPosition()))
                if (move.from == from) targets.push_back(move.to);
            return targets;
        };
        // The rules, as the game would apply them.
        board.OnValidateMove = [&board](bool& legal) {
            legal = bool(ParseSan(board.GetPosition(), board.GetLastMove()));
        };
        std::string refused;
        board.DropRefused = [&refused](const std::string& move) { refused = move; };
        const auto click = [&board](const char* square) {
            QTest::mouseClick(&board, Qt::LeftButton, Qt::NoModifier, centre(board, square));
        };
        click("g1");
        QCOMPARE(board.Selected(), TBoardModel::IndiceCasa("g1"));
        QCOMPARE(board.Targets(),
                 (std::vector<int>{TBoardModel::IndiceCasa("f3"), TBoardModel::IndiceCasa("h3")}));
        click("g1");
        QCOMPARE(board.Selected(), -1);
        QVERIFY(board.Targets().empty());
        click("g1");
        click("g4");
        QCOMPARE(refused, std::string("g1g4"));
        QCOMPARE(board.GetPosition(), std::string(STARTING_POSITION));
        click("g1");
        click("f3");
        QCOMPARE(board.GetPosition()[TBoardModel::IndiceCasa("f3")], 'n');
        QCOMPARE(board.Selected(), -1);
        // Picked up, a piece shows its targets too, unless they are turned off.
        QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, centre(board, "e7"));
        QCOMPARE(board.Targets().size(), size_t(2));
        QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, centre(board, "e5"));
        board.SetShowTargets(false);
        click("f3");
        QCOMPARE(board.Selected(), TBoardModel::IndiceCasa("f3"));
        QVERIFY(board.Targets().empty());
    }

    // A pawn on its last rank, by drag or click: the piece chosen, or
    // nothing at all when the choice is cancelled.
    void promotionChoice() {
        TGraphicChessBoard board;
        board.SetPictures(&images_);
        const std::string start = *FenToPositionText("4k3/P7/8/8/8/8/8/4K3 w - - 0 1").value;
        char answer = 0;
        board.ChoosePromotion = [&answer](bool white, QPoint) { return white ? answer : 'x'; };
        board.SetPosition(start);
        drag(board, centre(board, "a7"), centre(board, "a8"));
        QCOMPARE(board.GetPosition(), start);
        answer = 'n';
        QTest::mouseClick(&board, Qt::LeftButton, Qt::NoModifier, centre(board, "a7"));
        QTest::mouseClick(&board, Qt::LeftButton, Qt::NoModifier, centre(board, "a8"));
        QCOMPARE(board.GetPosition()[0], 'n');
    }

    // Edit mode: a piece goes wherever it is dropped, and off the board it is gone.
    void editModeDragsAnywhereAndOff() {
        TGraphicChessBoard board;
        board.SetPictures(&images_);
        board.ResetGame();
        board.SetEditing(true);
        int moves = 0;
        board.AfterMove = [&] { ++moves; };
        const auto at = [&board](const char* square) {
            return board.GetPosition()[TBoardModel::IndiceCasa(square)];
        };
        drag(board, centre(board, "d1"), centre(board, "d5"));
        drag(board, centre(board, "e7"), centre(board, "e2")); // over a piece: it takes the square
        QCOMPARE(std::string({at("d1"), at("d5"), at("e7"), at("e2")}), std::string("-q-P"));
        QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, centre(board, "a8"));
        QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, QPoint(500, 500));
        QCOMPARE(at("a8"), '-');
        QCOMPARE(moves, 0);
    }

    void plainBoardDragsToo() {
        TChessBoard board;
        board.SetPictures(&images_);
        board.ResetGame();
        std::string told;
        board.OnMove = [&](const std::string& move) { told = move; };
        drag(board, centre(board, "g1"), centre(board, "f3"));
        QCOMPARE(told, std::string("g1f3"));
        QCOMPARE(board.GetPosition()[TBoardModel::IndiceCasa("f3")], 'n');
    }
};

QTEST_MAIN(BoardWidgetTest)
#include "board_widget_test.moc"
