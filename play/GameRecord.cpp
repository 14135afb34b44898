// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/GameRecord.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "notation/PositionText.h"
#include "notation/Rules.h"

namespace galvetta {

namespace {

std::string today() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y.%m.%d", &local);
    return text;
}

// Tags the record writes from the game itself, whatever a file said.
bool rebuilt(const std::string& name) {
    return name == "Result" || name == "SetUp" || name == "FEN" || name == "Termination";
}

// Writes all of `text` to `fd`; false when the system refuses any of it.
bool write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// An evaluation turned between the view of the side that moved from
// `before` and White's (either way: the same turn).
MoveEvaluation mover_and_white(const MoveEvaluation& evaluation, const std::string& before) {
    if (before[SIDE_TO_MOVE] == WHITE_ON_MOVE) return evaluation;
    return MoveEvaluation{-evaluation.centipawns, -evaluation.mate, evaluation.depth};
}

} // namespace

void TGameRecord::Begin(int halfmove_clock, int64_t move_number) {
    const std::string opponent = opponent_;
    *this = TGameRecord();
    opponent_ = opponent;
    start_halfmove_ = halfmove_clock;
    start_move_number_ = move_number;
    date_ = today();
}

void TGameRecord::BeginRead(const PgnGame& header, const std::vector<std::string>& positions,
                            int halfmove_clock, int64_t move_number) {
    Begin(halfmove_clock, move_number);
    header_ = header;
    header_.moves.clear();
    read_positions_ = positions.size();
    filed_ = appended_ = positions;
    // A file's evaluations are the mover's view: White's are kept.
    for (size_t ply = 1; ply < positions.size() && ply <= header.comments.size(); ++ply)
        if (const std::optional<MoveEvaluation> read = ReadEvaluationComment(header.comments[ply - 1]))
            NoteEvaluation(ply, mover_and_white(*read, positions[ply - 1]));
    header_.comments.clear();
}

std::string TGameRecord::FenAt(const std::vector<std::string>& positions, size_t index) const {
    index = std::min(index, positions.size() - 1);
    const std::vector<std::string> played(positions.begin(),
                                          positions.begin() + static_cast<std::ptrdiff_t>(index) + 1);
    const bool black_began = positions.front()[SIDE_TO_MOVE] == BLACK_ON_MOVE;
    const int64_t number = start_move_number_ + (static_cast<int64_t>(index) + (black_began ? 1 : 0)) / 2;
    return PositionTextToFen(played.back(), HalfmoveClock(played, start_halfmove_), number);
}

void TGameRecord::SetInterfaceResult(const std::string& result, const std::string& comment) {
    std::string reason = comment;
    // PGN knows four results; any other word goes into the comment.
    const bool pgn_result = result == "1-0" || result == "0-1" || result == "1/2-1/2" || result == "*";
    if (!pgn_result) reason = comment.empty() ? result : result + " " + comment;
    std::erase_if(reason, [](char c) { return c == '{' || c == '}'; });
    interface_result_ = pgn_result ? result : "*";
    interface_comment_ = reason;
}

void TGameRecord::NoteEvaluation(size_t ply, const MoveEvaluation& evaluation) {
    if (evaluations_.size() <= ply) evaluations_.resize(ply + 1);
    if (!evaluations_[ply] || evaluations_[ply]->depth <= evaluation.depth) evaluations_[ply] = evaluation;
}

std::vector<std::optional<MoveEvaluation>> TGameRecord::Evaluations(size_t positions) const {
    std::vector<std::optional<MoveEvaluation>> shown = evaluations_;
    shown.resize(positions);
    return shown;
}

void TGameRecord::KeepEvaluations(size_t positions) {
    if (evaluations_.size() > positions) evaluations_.resize(positions);
}

PgnGame TGameRecord::Write(const std::vector<std::string>& positions, const std::string& result,
                           const std::string& ending, const std::string& termination,
                           const std::vector<std::pair<std::string, std::string>>& tags) const {
    PgnGame game = RecordGame(positions, result, start_halfmove_, start_move_number_);
    // The file's result holds while the game is the one it held.
    const bool as_read = !header_.tags.empty() && positions.size() == read_positions_;
    if (as_read && header_.result != "*" && game.result == "*") {
        game.result = header_.result;
        game.ending = header_.ending;
    } else if (!termination.empty() || !ending.empty()) {
        game.ending = ending;
        if (!termination.empty()) game.SetTag("Termination", termination);
    }
    for (const auto& [name, value] : tags)
        game.SetTag(name, value);
    for (const auto& [name, value] : header_.tags)
        if (!rebuilt(name)) game.SetTag(name, value);
    // The evaluations as comments, from the view of the side that moved,
    // where the record's moves are the positions' (no set-up in between).
    if (game.moves.size() + 1 == positions.size()) {
        game.comments.assign(game.moves.size(), std::string());
        for (size_t ply = 1; ply < positions.size() && ply < evaluations_.size(); ++ply) {
            if (!evaluations_[ply]) continue;
            game.comments[ply - 1] =
                EvaluationComment(mover_and_white(*evaluations_[ply], positions[ply - 1]));
        }
    }
    return game;
}

void TGameRecord::MarkAppended(const std::vector<std::string>& positions, bool ended) {
    appended_ = positions;
    appended_ended_ = ended;
}

bool TGameRecord::NeedsAppending(const std::vector<std::string>& positions) const {
    return positions.size() >= 2 && positions != appended_ && !appended_ended_;
}

TGamesFile::~TGamesFile() {
    if (fd_ >= 0) close(fd_);
}

void TGamesFile::Open(int fd) {
    if (fd_ >= 0 && fd_ != fd) close(fd_);
    fd_ = fd;
}

std::string TGamesFile::Append(const std::string& text) {
    struct stat before {};
    const bool sized = fstat(fd_, &before) == 0;
    if (write_all(fd_, text)) return std::string();
    const int error = errno;
    // A device such as /dev/full cannot be cut; the answer is the same.
    [[maybe_unused]] const bool cut = sized && ftruncate(fd_, before.st_size) == 0;
    return std::strerror(error);
}

} // namespace galvetta
