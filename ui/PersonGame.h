// SPDX-License-Identifier: GPL-3.0-or-later
// A person's game in the window: new games with either colour, the time
// control and the deepest search chosen, take-back to the person's move,
// resignation and a draw offer, a hint and an analysis that follows the game,
// a position from a FEN, the marks on the board, the result in the status
// bar, and a question before a game nobody saved is thrown away. Under an
// interface the interface rules the game: nothing here interferes.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "notation/Rules.h"
#include "play/ChessClock.h"
#include "play/TimeControl.h"
#include "search/EngineDriver.h"

class QLabel;

namespace galvetta {

class TBoardModel;
class TBoardPanel;
class TGame;
class TInterface;
class TPages;

class TPersonGame : public QObject {
    Q_OBJECT
  public:
    TPersonGame(TGame& game, TInterface& link, TBoardPanel& panel, TPages& pages, QLabel& result);

    // The time controls offered, as "level" and "st" lines.
    struct TimePreset {
        const char* caption;
        const char* line;
    };
    static const std::vector<TimePreset>& TimePresets();
    // Sets the time control, for this game and the next ones; why the line
    // was refused, or empty.
    QString ChooseTimeControl(const std::string& line);
    // The person's deepest search (the slider moved), for this game and the
    // next ones.
    void ChooseDepth(int depth);
    int ChosenDepth() const { return depth_; }

    // A new game, the person playing White or Black; as Black the engine
    // opens at once. False when the person kept the old game.
    bool NewGame(bool person_white);
    // Back to the person's move.
    void TakeBack();
    void Resign();
    void OfferDraw();
    // Searches the position for the side to move and marks the move found on
    // the board; the game does not change.
    void Hint();
    // The analysis page's switch: the engine analyses whenever it is not playing.
    void SetAnalysis(bool on);
    // Edit mode on, or off when the board holds a position a game can reach;
    // leaving it, the palette's side to move and castling rights count.
    void SetEditMode(bool on);
    // A move typed in SAN or coordinates, played on the board; why it was
    // refused, or empty.
    QString PlayTyped(const QString& text);
    // A new game from a FEN (after the question about the old game); why it
    // was refused, or empty.
    QString SetUpFen(const QString& fen);

    // True when nothing would be lost: no moves, saved, kept by --save-games,
    // an interface's game, or the person agrees (or saves it first).
    bool MayDiscardGame();
    // What the person says of an unsaved game: save it, throw it away, or
    // keep playing it. Tests answer in its place.
    enum class Unsaved { Save, Discard, Cancel };
    std::function<Unsaved(const QString& question)> AskUnsaved;
    // Saves the game through the Save dialog; true when it was saved.
    std::function<bool()> SaveGame;

    // Stepping through the game: the board shows position `index` of the
    // game's positions (0: the start) while the clocks and the engine wait;
    // the last position is the game itself again. False when the engine is
    // thinking (nothing changes then).
    bool StepTo(int index);
    bool StepBy(int plies);
    bool StepToEnd();
    // The position shown, or -1 when the board shows the game as it stands.
    int Shown() const { return shown_; }
    // The FEN of the position on the board (the one stepped to, if any).
    std::string ShownFen() const;
    // A press on the board while it shows an earlier position: the person
    // is asked whether to go on from there, dropping the later moves. True
    // when the game goes on from there.
    bool SteppedPress();
    // True to go on from the position shown; false to return to the end.
    std::function<bool(const QString& question)> ContinueFromHere;
    // Told each time the shown position changes (-1: the game itself).
    std::function<void(int index)> ShownChanged;

    // A game begun afresh (new, from a FEN, opened from a file): the clocks
    // from the time control, the old figures, names and messages gone, a
    // position already over by rule ended at once.
    void FreshStart();
    // The game as it stands is in a file.
    void GameSaved();
    bool KeepsGames = false; // --save-games appends every game
    // Asks the person; true to go on. Tests answer in its place.
    std::function<bool(const QString& question)> Confirm;
    // A message for the status bar.
    std::function<void(const QString& text)> Tell;

    // What the window passes on.
    void HistoryChanged();
    void SearchReported(const std::vector<SearchReport>& reports, const std::string& position);
    void GameEnded(const std::string& result, const std::string& reason);
    void DropRefused(const std::string& move);
    void LockedPress();

  private:
    // The window's own board, which the game plays on.
    TBoardModel& Board() const;
    bool PersonPlays() const;
    // Back to the game as it stands; `resume` restarts the clock that waited.
    void LeaveStepping(bool resume);
    void ShowMarks(const std::string& before, const std::string& now);
    void ApplyChoices();
    void ShowBoardState();
    // Starts the analysis again when it is on and the engine is free.
    void FollowWithAnalysis();
    void AnalysisEnded();

    TGame& game_;
    TInterface& link_;
    TBoardPanel& panel_;
    TPages& pages_;
    QLabel& result_;
    int depth_ = 0;
    bool analysis_on_ = false;
    bool hint_pending_ = false;
    int shown_ = -1; // the position stepped to, or -1
};

} // namespace galvetta
