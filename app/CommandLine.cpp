// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <algorithm>

#include "notation/Book.h"
#include "notation/GameFile.h"
#include "notation/Version.h"
#include "notation/Words.h"

namespace galvetta {

namespace {

constexpr const char* USAGE = R"(usage: galvetta [OPTION]... [/LDEPTH]

Galvetta plays chess in its own window and, at the same time, as an engine
for any interface that speaks the xboard/WinBoard protocol (version 1) on its
standard input and output; with --uci, or a first input line "uci", it speaks
UCI instead. Without a display it runs without a window.

Options:
  --uci               speak UCI from the start
  --save-games FILE   append each game to FILE as PGN when it ends
  --book FILE         play from the Polyglot opening book FILE
  --no-window         run as an engine alone: no window, even with a
                      display (give it under every interface)
  /LDEPTH             show DEPTH (2-40) on the level slider at start-up
  --help              print this help and exit
  --version           print the version and exit

Examples:
  xboard -fcp galvetta
  polyglot -noini -ec galvetta        (an xboard engine made of the UCI mode)
)";

// The slider's position when the argument text is not "/L" and a number.
constexpr int OTHER_ARGUMENT_LEVEL = 6;

CommandLine stop(int status, std::string output, std::string error = {}) {
    CommandLine line;
    line.exit_status = status;
    line.output = std::move(output);
    line.error = std::move(error);
    return line;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::vector<std::string> rest; // the design's argument text, in words
    std::optional<std::string> save_games;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") return stop(0, USAGE);
        if (option == "--version") return stop(0, "Galvetta " + FullVersion() + "\n");
        if (option == "--uci") {
            line.options.uci = true;
        } else if (option == "--save-games") {
            if (++i >= arguments.size())
                return stop(2, {}, "galvetta: --save-games needs a FILE (try --help)\n");
            save_games = arguments[i];
        } else if (option == "--book") {
            if (++i >= arguments.size()) return stop(2, {}, "galvetta: --book needs a FILE (try --help)\n");
            line.options.book = arguments[i];
        } else if (option == "--no-window") {
            line.options.no_window = true;
        } else if (option.rfind("--", 0) == 0) {
            return stop(2, {}, "galvetta: unknown option '" + option + "' (try --help)\n");
        } else {
            rest.push_back(option);
        }
    }
    const std::string argument = JoinWords(rest, 0);
    if (argument.size() > 2) {
        if (argument.rfind("/L", 0) == 0) {
            const Words words = SplitWords(argument.substr(2));
            const std::optional<int64_t> level = words.size() == 1 ? ParseInteger(words[0]) : std::nullopt;
            if (level)
                line.options.level = static_cast<int>(std::clamp<int64_t>(*level, -1000, 1000));
            else
                line.options.notice = "Ignored argument: " + argument;
        } else {
            line.options.level = OTHER_ARGUMENT_LEVEL;
        }
    }
    if (!line.options.book.empty()) {
        if (const std::string why = TBook::Check(line.options.book); !why.empty())
            return stop(2, {}, "galvetta: " + why + "\n");
    }
    if (save_games) {
        std::string why;
        line.options.save_games_fd = OpenGamesFile(*save_games, why);
        if (line.options.save_games_fd < 0)
            return stop(2, {}, "galvetta: cannot save games to '" + *save_games + "': " + why + "\n");
    }
    return line;
}

} // namespace galvetta
