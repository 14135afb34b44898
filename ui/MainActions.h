// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's actions, its menus and its tool bar: the game's files,
// new games with either colour, take-back, the engine's move and stop, the
// time control, hint, resignation, a draw offer, the book and the modes. Each
// action forwards to the game or to the person's side of play; the tool
// bar's glyphs take the palette's colours.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace galvetta {

class TBoardPanel;
class TGame;
class TGamePage;
class TPersonGame;

class TMainActions : public QObject {
    Q_OBJECT
  public:
    TMainActions(QMainWindow& window, TGame& game, TPersonGame& person, TGamePage& page, TBoardPanel& panel);

    // The glyphs drawn again in the window's palette.
    void PaintIcons();
    // Captions under the glyphs only while the window is `width` wide enough.
    void FitToolBar(int width);

    QAction* actOpen;
    QAction* actSave;
    QAction* actPrint;
    QAction* actFen;
    QAction* actPaste;
    QAction* actCopyFen;
    QAction* actCopyPgn;
    QAction* actFirst;
    QAction* actBack;
    QAction* actForward;
    QAction* actLast;
    QAction* actShortcuts;
    QAction* actResetGame;
    QAction* actNewWhite;
    QAction* actNewBlack;
    QAction* actMoveBack;
    QAction* actMove;
    QAction* actStop;
    QAction* actReverse;
    QAction* actTime;
    QAction* actHint;
    QAction* actResign;
    QAction* actDraw;
    QAction* actBook;
    QAction* actTargets;
    QAction* actAnalysis;
    QAction* tlbGioca;
    QAction* cmdEdit;
    QAction* tlbAutoPlay;

  private:
    // An action with a glyph for the tool bar and a short caption under it.
    QAction* GlyphAction(const char* glyph, const QString& text, const QString& icon_text,
                         const QString& tip);
    void CreateFileActions();
    void CreateGameActions();
    void CreatePlayActions();
    void CreateModeActions();
    void CreateStepActions();
    void CreateHelpActions();
    // Pastes a FEN or a PGN game from the clipboard.
    void Paste();
    // Marks the preset in use in the Tempo menu.
    void MarkTimeControl();
    QMenu* CreateTimeMenu();
    void CreateMenus();
    void CreateToolBar();
    void AskForFen();
    void AskForTimeControl();

    QMainWindow& window_;
    TGame& game_;
    TPersonGame& person_;
    TGamePage& page_;
    TBoardPanel& panel_;
    QToolBar* tools_ = nullptr;
    QMenu* time_menu_ = nullptr;
    int text_tools_width_ = 0;
};

} // namespace galvetta
