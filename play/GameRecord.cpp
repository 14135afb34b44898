// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/GameRecord.h"

#include <chrono>
#include <ctime>

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

} // namespace

void TGameRecord::Begin(int halfmove_clock, int64_t move_number) {
    *this = TGameRecord();
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
    return game;
}

void TGameRecord::MarkAppended(const std::vector<std::string>& positions, bool ended) {
    appended_ = positions;
    appended_ended_ = ended;
}

bool TGameRecord::NeedsAppending(const std::vector<std::string>& positions) const {
    return positions.size() >= 2 && positions != appended_ && !appended_ended_;
}

} // namespace galvetta
