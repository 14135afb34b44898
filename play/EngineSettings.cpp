// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/EngineSettings.h"

#include <algorithm>

#include "search/SearchLimits.h"

namespace galvetta {

std::string TEngineSettings::Set(const EngineOptions& options) {
    EngineOptions next = options;
    std::string error;
    if (next.lines < 1 || next.lines > MAX_LINES) {
        error = "MultiPV takes a number from 1 to " + std::to_string(MAX_LINES);
        next.lines = options_.lines;
    }
    if (next.move_overhead_ms < 0 || next.move_overhead_ms > MAX_OVERHEAD_MS) {
        error = "Move Overhead takes milliseconds from 0 to " + std::to_string(MAX_OVERHEAD_MS);
        next.move_overhead_ms = options_.move_overhead_ms;
    }
    next.depth_cap = std::clamp(next.depth_cap, 0, MAX_SEARCH_DEPTH);
    // The file is checked when it changes or the book is turned on: a file
    // refused leaves the wish, so that the order of the options never
    // decides whether the book is used.
    const bool file_changed = next.book_file != options_.book_file;
    if (file_changed) {
        book_.Close();
        book_refused_.clear();
    }
    if (file_changed || (next.use_book && !options_.use_book)) {
        if (const std::string why = book_.IsOpen() ? std::string() : TBook::Check(next.book_file);
            !why.empty())
            error = book_refused_ = why; // said by the caller: not again at the first move
    }
    options_ = next;
    return error;
}

void TEngineSettings::Refuse(const std::string& why) {
    if (why == book_refused_) return;
    book_refused_ = why;
    if (Refused) Refused(why);
}

bool TEngineSettings::BookReady() {
    if (!options_.use_book) return false;
    // The book is opened when its first move is wanted, not at the start,
    // and a file that changed since is checked again.
    const std::string why = book_.IsOpen() && book_.Path() == options_.book_file
                                ? book_.Refresh()
                                : book_.Open(options_.book_file);
    if (why.empty()) {
        book_refused_.clear();
        return true;
    }
    Refuse(why);
    return false;
}

std::vector<BookEntry> TEngineSettings::BookEntries(std::string_view position) {
    if (!BookReady()) return {};
    std::vector<BookEntry> entries = book_.Entries(position);
    if (!book_.Problem().empty()) Refuse(book_.Problem());
    return entries;
}

std::optional<Move> TEngineSettings::BookMove(std::string_view position, const std::vector<Move>& allowed) {
    if (!BookReady()) return std::nullopt;
    const std::optional<Move> move = book_.Pick(position, random_, allowed);
    if (book_.Problem().empty()) return move;
    Refuse(book_.Problem());
    return std::nullopt;
}

} // namespace galvetta
