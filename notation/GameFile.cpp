// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/GameFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "notation/Rules.h"

namespace galvetta {

namespace {

std::string trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

} // namespace

OpenedGame ReadGameText(std::string_view text, int index, int first_number) {
    OpenedGame opened;
    // A FEN's board is its first word, eight ranks between seven slashes; a
    // PGN's movetext may have slashes too ("1/2-1/2", "{+0.35/8}").
    const std::string first = trimmed(text).substr(0, trimmed(text).find_first_of(" \t\r\n"));
    if (text.find('[') == std::string_view::npos && std::count(first.begin(), first.end(), '/') == 7) {
        const Parsed<FenPosition> position = ReadPlayableFen(trimmed(text));
        if (!position) {
            opened.error = position.error;
            return opened;
        }
        opened.positions = {position.value->text};
        opened.halfmove_clock = position.value->halfmove_clock;
        opened.move_number = position.value->move_number;
        return opened;
    }
    const PgnFile pgn = ReadPgn(text);
    if (index < 0 || index >= static_cast<int>(pgn.games.size())) {
        opened.error = pgn.error; // empty: the file holds no such game
        return opened;
    }
    const PgnGame& game = pgn.games[index];
    const std::string game_name = "Game " + std::to_string(index + first_number);
    PgnReplay replay = ReplayPgn(game);
    if (replay.positions.empty()) {
        opened.error = game_name + ": " + replay.error;
        return opened;
    }
    if (!replay.error.empty()) opened.error = game_name + ", " + replay.error;
    opened.positions = std::move(replay.positions);
    if (const std::string fen = game.Tag("FEN"); !fen.empty()) {
        const Parsed<FenPosition> start = ReadFen(fen);
        opened.halfmove_clock = start.value->halfmove_clock; // the replay has read it already
        opened.move_number = start.value->move_number;
    }
    opened.header = game;
    opened.header.moves.clear();
    opened.white = game.Tag("White");
    opened.black = game.Tag("Black");
    return opened;
}

namespace {

// A tag line's name and value: [Name "Value"], with \" and \\ inside.
std::pair<std::string_view, std::string> read_tag(std::string_view line) {
    const size_t space = line.find_first_of(" \t", 1);
    const size_t open = line.find('"');
    if (space == std::string_view::npos || open == std::string_view::npos) return {};
    std::string value;
    for (size_t i = open + 1; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        value += line[i];
    }
    return {line.substr(1, space - 1), value};
}

} // namespace

std::vector<PgnEntry> ListPgnGames(std::string_view text, const std::function<bool(size_t)>& progress) {
    std::vector<PgnEntry> games;
    bool in_moves = true; // a tag line after movetext (or at the start) begins a game
    bool in_comment = false;
    // A UTF-8 byte-order mark is no text; a carriage return alone ends a
    // line as a line feed does (before a line feed, the line after it is empty).
    constexpr std::string_view BOM = "\xEF\xBB\xBF";
    for (size_t at = text.substr(0, BOM.size()) == BOM ? BOM.size() : 0; at < text.size();) {
        const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (!in_comment && !line.empty() && line[0] == '[') {
            if (in_moves) {
                if (!games.empty()) games.back().end = at;
                if (progress && !games.empty() && games.size() % PROGRESS_STEP == 0 && !progress(at)) {
                    games.back().end = at;
                    return games;
                }
                games.emplace_back();
                games.back().begin = at;
                in_moves = false;
            }
            const auto [name, value] = read_tag(line);
            PgnEntry& game = games.back();
            if (name == "White") game.white = value;
            if (name == "Black") game.black = value;
            if (name == "Result") game.result = value;
            if (name == "Date") game.date = value;
        } else if (!line.empty() && line[0] != '%' &&
                   line.find_first_not_of(" \t\r") != std::string_view::npos) {
            in_moves = true;
            // A comment may hold a '[' at the start of a line: it is no tag.
            for (const char c : line) {
                if (in_comment) {
                    in_comment = c != '}';
                } else if (c == ';') {
                    break;
                } else if (c == '{') {
                    in_comment = true;
                }
            }
        }
        at = end + 1;
    }
    if (!games.empty()) games.back().end = text.size();
    return games;
}

int OpenGamesFile(const std::string& path, std::string& error) {
    // Not blocking: a FIFO that nobody reads must not hang the start. Only a
    // regular file is kept, and it then blocks as any file does.
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        error = "not a regular file";
        return -1;
    }
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || fcntl(fd, F_SETFL, O_WRONLY | O_APPEND) != 0) {
        error = "not a regular file";
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace galvetta
