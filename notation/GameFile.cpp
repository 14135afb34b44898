// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/GameFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

OpenedGame ReadGameText(std::string_view text, int index) {
    OpenedGame opened;
    if (text.find('[') == std::string_view::npos && text.find('/') != std::string_view::npos) {
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
    const std::string game_name = "Game " + std::to_string(index + 1);
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
    opened.white = game.Tag("White");
    opened.black = game.Tag("Black");
    return opened;
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
