// SPDX-License-Identifier: GPL-3.0-or-later
// The page "Partita / Game": the moves of the game in numbered pairs of
// standard algebraic notation and its result, and the game's files: saved as
// PGN, opened from PGN or FEN, printed with a diagram of the position.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <functional>

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
    // The game score and `diagram`, a picture of the position.
    void PrintGame(QPrinter& printer, const QImage& diagram);

    // The actions, with their dialogs.
    // A name without an extension gets ".pgn".
    void SaveExecute();
    // Returns "White - Black" of the game opened, or empty.
    QString OpenExecute();
    void PrintExecute(const QImage& diagram);

    // The game on the board is now in a file: saved, or read from one.
    std::function<void()> Filed;

  private:
    TGame& game_;
    bool move_list_due_ = false;
};

} // namespace galvetta
