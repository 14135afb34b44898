// SPDX-License-Identifier: GPL-3.0-or-later
// The record of the game being played, in one place: the FEN counters of its
// start, its date, the tags and result a file gave it (kept when the game is
// written again), what an interface said of the opponent and the result, the
// evaluations of its positions, and whether it is saved: in a file a person
// chose or read it from, and appended to the games file. The moves are the
// board's positions; the record turns them into PGN and FEN.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "notation/Pgn.h"

namespace galvetta {

class TGameRecord {
  public:
    // A game begun here, today, from a start with these FEN counters. The
    // opponent's name stays: it names the interface's player, not a game.
    void Begin(int halfmove_clock = 0, int64_t move_number = 1);
    // A game read from a file: its tags and result (`header`, without
    // moves) and its `positions`, which are in that file already.
    void BeginRead(const PgnGame& header, const std::vector<std::string>& positions, int halfmove_clock,
                   int64_t move_number);
    int StartHalfmoveClock() const { return start_halfmove_; }
    int64_t StartMoveNumber() const { return start_move_number_; }
    const std::string& Date() const { return date_; }
    // A tag the file gave, or empty.
    std::string FileTag(std::string_view name) const { return header_.Tag(name); }
    // The FEN of position `index` of `positions` (clamped to the last), with
    // the counters the game had reached there.
    std::string FenAt(const std::vector<std::string>& positions, size_t index) const;

    // The opponent's name as an interface sent it (empty: the user's name).
    void SetOpponentName(const std::string& name) { opponent_ = name; }
    const std::string& OpponentName() const { return opponent_; }
    // A result an interface sent ("1-0", "1/2-1/2"..., or "*" for words that
    // are no PGN result, which go into the comment) and its comment, without braces.
    void SetInterfaceResult(const std::string& result, const std::string& comment);
    const std::string& InterfaceResult() const { return interface_result_; }
    const std::string& InterfaceComment() const { return interface_comment_; }

    // The evaluations of the positions (index: the ply after which), from
    // White's view; the deeper one is kept. Evaluations(n): one entry for
    // each of n positions, none where nothing evaluated it.
    void NoteEvaluation(size_t ply, const MoveEvaluation& evaluation);
    std::vector<std::optional<MoveEvaluation>> Evaluations(size_t positions) const;
    // Moves taken back: the evaluations past `positions` go.
    void KeepEvaluations(size_t positions);

    // The game's PGN from the board's `positions` and what the game knows of
    // its end (`result`, `ending`, `termination`) and its players and
    // control (`tags`, used where no file gave one). A game read from a
    // file keeps the file's tags, and its result while no move was added.
    // The evaluations go with the moves as comments, from the mover's view.
    PgnGame Write(const std::vector<std::string>& positions, const std::string& result,
                  const std::string& ending, const std::string& termination,
                  const std::vector<std::pair<std::string, std::string>>& tags) const;

    // Saved by a person (or read from the file): `positions` as they stand.
    void MarkFiled(const std::vector<std::string>& positions) { filed_ = positions; }
    bool Filed(const std::vector<std::string>& positions) const { return positions == filed_; }
    // Appended to the games file as it stands; `ended`: as a finished game,
    // never to be appended again.
    void MarkAppended(const std::vector<std::string>& positions, bool ended);
    bool NeedsAppending(const std::vector<std::string>& positions) const;
    // A finished game goes on after a take-back: it may be appended again.
    void Reopen() { appended_ended_ = false; }

  private:
    int start_halfmove_ = 0;
    int64_t start_move_number_ = 1;
    std::string date_;
    PgnGame header_;            // the file's tags and result; empty for a game begun here
    size_t read_positions_ = 0; // the positions the file held
    std::vector<std::string> filed_, appended_;
    bool appended_ended_ = false;
    std::string opponent_, interface_result_, interface_comment_;
    std::vector<std::optional<MoveEvaluation>> evaluations_; // White's view, by ply
};

// The file each game is appended to as PGN: a descriptor open for
// appending, owned from Open on and closed with the object.
class TGamesFile {
  public:
    TGamesFile() = default;
    ~TGamesFile();
    TGamesFile(const TGamesFile&) = delete;
    TGamesFile& operator=(const TGamesFile&) = delete;
    void Open(int fd);
    bool IsOpen() const { return fd_ >= 0; }
    // Appends `text` whole, or, when the system refuses any of it, cuts away
    // what was written (so that the file stays a list of whole games) and
    // returns why; empty when written.
    std::string Append(const std::string& text);

  private:
    int fd_ = -1;
};

} // namespace galvetta
