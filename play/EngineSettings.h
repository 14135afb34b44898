// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's options and its opening book, in one place: the options as
// set (each checked where it is set), the wish for a book apart from the
// state of its file, and the one place a refusal of the book is said.
#pragma once

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "notation/Book.h"
#include "notation/Move.h"

namespace galvetta {

// The engine's options, whichever protocol or the window sets them.
inline constexpr int MAX_LINES = 8;
inline constexpr int DEFAULT_OVERHEAD_MS = 10, MAX_OVERHEAD_MS = 5000;
struct EngineOptions {
    bool use_book = false;
    std::string book_file = TBook::DEFAULT_FILE;
    int move_overhead_ms = DEFAULT_OVERHEAD_MS; // kept back from every timed move (UCI)
    int lines = 1;                              // the best lines searched (MultiPV)
    bool ponder = false;                        // the interface may ask for pondering
    int depth_cap = 0;                          // the deepest a game's search may go (0: no cap)
};

class TEngineSettings {
  public:
    const EngineOptions& Options() const { return options_; }
    // Sets every option at once, each checked: the one place an option is
    // written. Returns why the book cannot be used ("" when it can), or why a
    // number is out of its range (that option then stays as it was). The
    // wish for a book (use_book) and its file are two facts: a file refused
    // leaves the wish as it is, and the next good file is used.
    std::string Set(const EngineOptions& options);

    // The book is on and open (opened now if it was not, and looked at again
    // when its file changed); false when it is off or cannot be used, which
    // is said once (Refused).
    bool BookReady();
    // The book's entries for the position (none when it is not ready).
    std::vector<BookEntry> BookEntries(std::string_view position);
    // A book move for `position`, one of `allowed` (any, when empty), chosen
    // in proportion to the weights; none when the book is not ready, has
    // none, or was found bad while it was read (then said).
    std::optional<Move> BookMove(std::string_view position, const std::vector<Move>& allowed);
    // The book was asked for on the command line: it stays on for an interface.
    void SetBookChosen(bool chosen) { book_chosen_ = chosen; }
    bool BookChosen() const { return book_chosen_; }
    // Why the book, wished for, cannot be used: said once for each cause.
    std::function<void(const std::string& why)> Refused;

  private:
    void Refuse(const std::string& why);

    EngineOptions options_;
    TBook book_;
    std::string book_refused_; // the last refusal said, so that it is said once
    bool book_chosen_ = false;
    std::mt19937 random_{std::random_device{}()};
};

} // namespace galvetta
