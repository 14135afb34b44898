// SPDX-License-Identifier: GPL-3.0-or-later
// The page "Partita / Game": the moves of the game in numbered pairs of
// standard algebraic notation and its result, and the game's files: saved as
// PGN, opened from PGN or FEN, printed with a diagram of the position.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <functional>

#include "notation/GameFile.h"

class QPrinter;

namespace galvetta {

class TGame;

class TGamePage : public QPlainTextEdit {
    Q_OBJECT
  public:
    TGamePage(TGame& game, QWidget* parent);

    // The move list again, once the events in hand are done.
    void ScheduleMoveList();
    void ShowMoveList();
    QString MoveListText() const;
    // How a game ended, as the window says it:
    // "1/2-1/2 Patta per ripetizione / Draw by repetition".
    static QString ResultCaption(const std::string& result, const std::string& reason);

    // The game as PGN into `path`, replacing it only once the whole text is
    // written; false when it cannot be written.
    bool SaveGameTo(const QString& path);
    // Reads a PGN file (its game `index`, from 0) or a FEN line into a new
    // game, with no search. Returns empty, or what stopped the replay; the
    // board then shows the last good position. `names` gets "White - Black".
    QString OpenGameFrom(const QString& path, int index, QString& names);
    // The same from a text (a pasted PGN or FEN).
    QString OpenGameText(const std::string& text, int index = 0);
    // A game was opened: "White - Black" when the file names the sides.
    std::function<void(const QString& names)> Opened;
    // The game score under a diagram of the game's position (White at the
    // bottom, with coordinates), and its evaluation graph where it has one.
    void PrintGame(QPrinter& printer);

    // The actions, with their dialogs.
    // A name without an extension gets ".pgn".
    bool SaveExecute();
    void OpenExecute();
    void PrintExecute();

    // The game on the board is now in a file: saved, or read from one.
    std::function<void()> Filed;
    // A move of the list was clicked: the position after it (its ply, 1 for
    // the first move of the record).
    std::function<void(int ply)> MoveClicked;
    // Marks the move that led to position `ply` (0 or less: none).
    void HighlightPly(int ply);
    // The ply of the move at a place in the list's text, or 0.
    int PlyAt(int line, int column) const;

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    OpenedGame ReadChosenGame(const std::string& text, int index);
    // Puts a game read on the board; its names, "White - Black" or empty.
    QString Load(const OpenedGame& opened);
    // The list's first pair begins with Black's move.
    bool BlackBegins() const;
    TGame& game_;
    bool move_list_due_ = false;
};

} // namespace galvetta
