// SPDX-License-Identifier: GPL-3.0-or-later
// The game as the board shows it: the position text, the histories for
// take-back and the last move; moves in coordinate text executed with
// castling, en passant and promotion; the protocol's edit mode. The board
// widgets derive from these classes and redraw through the virtual hooks.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "notation/PositionText.h"

namespace galvetta {

class TBoardModel {
  public:
    TBoardModel();
    virtual ~TBoardModel() = default;

    static int Casa(int col, int row) { return row * 8 + col; }
    // The character of square `index` (0..63) or the side to move (64); a
    // spare character for anything else.
    char& Pezzo(int index);
    char& Pezzo(int col, int row) { return Pezzo(Casa(col, row)); }
    // Square index of a square name; no check: "i1" gives 64, "" gives 351.
    static int IndiceCasa(const std::string& text);
    static std::string Coordinate(int index);

    void ImpostaPezzo(char piece, int index);
    void CancellaPezzo(int index);
    void SpostaPezzo(int from, int to);
    void SpostaPezzo(const std::string& text);

    void SetPosition(const std::string& text);
    const std::string& GetPosition() const { return FPosition; }
    void SetLastMove(const std::string& text) { LastMove = text; }
    const std::string& GetLastMove() const { return LastMove; }
    void StorePosition();
    std::string GetMove(int n) const;
    void ResetGame();
    // A new game from `position` (a position text): the histories start there.
    void StartFrom(const std::string& position);
    virtual void MoveBack(int n);
    void SetLocked(bool locked);
    bool GetLocked() const { return Locked; }
    void ClearPosition();
    bool SetSquare(const std::string& token);
    // After a set-up: no en-passant file, and each castling right granted
    // exactly where that side's king and that rook stand on their home squares.
    void RightsFromPlacement();
    bool Move(const std::string& text);

    // The game's positions: where it started, then one after each move.
    const std::vector<std::string>& Positions() const { return FPositionHistory; }
    // Plays a position onto the histories with no validation and no event,
    // as a game read from a file is put on the board.
    void AppendPosition(const std::string& position);
    // The current position becomes the game's start (after a set-up).
    void RestartHistoryHere();
    // Takes away a castling right (WHITE_SHORT ... BLACK_LONG).
    void DropRight(int flag);
    // No pawn has just gone two squares (a set-up's en-passant file).
    void ClearEnPassant();

    int MoveHistorySize() const { return static_cast<int>(FMoveHistory.size()); }
    int PositionHistorySize() const { return static_cast<int>(FPositionHistory.size()); }

    std::string EngineInitials{PIECE_LETTERS};
    std::string StartingPosition;
    bool BlackAtBottom = false;

    std::function<void()> AfterMove;
    std::function<void(bool& moveIsLegal)> OnValidateMove;
    std::function<void()> OnGameRestarted;
    // The positions of the game changed: a move, a take-back, a new start.
    std::function<void()> OnHistoryChanged;
    // A move has been played and its position stored.
    std::function<void()> OnMoveStored;

  protected:
    // Redraw hooks for the widgets.
    virtual void SquareChanged(int) {}
    virtual void PositionReplaced() {}
    virtual void BoardInvalidated() {}
    virtual void LockChanged() {}
    virtual void Beep() {}
    // Sets LastMove and asks the owner whether the move is legal; a refused
    // move leaves LastMove empty.
    bool Validate(const std::string& text);
    // Removes up to n history entries and shows the position then current.
    void TakeBack(int n);
    void HistoryChanged() {
        if (OnHistoryChanged) OnHistoryChanged();
    }

    std::string FPosition;
    std::string LastMove;
    std::vector<std::string> FMoveHistory;
    std::vector<std::string> FPositionHistory;
    bool Locked = false;
    int FEditColor = 0;
    char FScratch = 0;
};

// The plain board: moves without castling, en passant, promotion or flags.
class TPlainBoardModel : public TBoardModel {
  public:
    bool ExecMove(const std::string& text);
    void ChangeColor(char side);
    void MoveBack(int n) override;
    std::function<void(const std::string& move)> OnMove;
};

} // namespace galvetta
