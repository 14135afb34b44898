// SPDX-License-Identifier: GPL-3.0-or-later
// galvetta-tool: the engine on the command line, for users and for tests.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine_run.h"
#include "engine/loader.h"
#include "engine/movegen.h"
#include "engine/perft.h"
#include "notation/Book.h"
#include "notation/Pgn.h"
#include "notation/PositionText.h"
#include "notation/Rules.h"
#include "tools/bench.h"
#include "tools/talk.h"

using namespace galvetta;

namespace {

constexpr const char* USAGE = R"(usage: galvetta-tool COMMAND [ARGUMENTS]

POSITION is a FEN (recognised by its slashes; quote it, as it holds spaces),
or a 70-character position text: squares a8..h1 ('-' empty, White in
lower case, Black in upper case), side to move ('B' White, 'N' Black), the
en-passant file or '-', and four castling flags (White short, White long,
Black short, Black long: '+' or '-'). The start position is
  RNBQKBNRPPPPPPPP--------------------------------pppppppprnbqkbnrB+++++

Commands:
  perft POSITION DEPTH [--divide]
      Counts the legal move sequences of DEPTH plies. With --divide, first
      prints each root move with its count. Prints the time and moves per
      second; the last line is the count.
  moves POSITION
      The root's generated move records in order: move, kind, gain in hex;
      the generator's pick is marked with '*'.
  show POSITION
      The loaded board, rank 8 first, and the state the engine loaded.
  fen FEN
      Converts a FEN position to a position text.
  tofen POSITION
      Converts a position text to FEN.
  search POSITION [--start N] [--max N] [--step N]
      Runs the engine (default depths 4, 4, 4) and prints the move, the score,
      the counters, the error flag and the time in milliseconds.
  legal POSITION MOVE
      Prints "legal" or "illegal" for a move such as e2e4 or e7e8q.
  pgn FILE
      Replays every game of a PGN file with the engine's legality test and
      prints, a line a game: White, Black, the result, the number of moves
      and the final position as FEN. A move that is not legal, or text that
      is not PGN, is reported with its game and move (status 2).
  book FILE POSITION
      The Polyglot book's entries for the position: its key, then each move
      with its weight and learn value, the heaviest first.
  bench [--json]
      The project's benchmark: fixed positions at fixed depths; prints speed
      figures and a signature that changes only with the search's behaviour.
  talk [--server NAME] [--count N] [--timeout S] REQUEST
      Talks to a running galvetta's conversation server (default name
      "galvetta"; a second instance adds its process id). REQUEST is one of
        execute LINE      run LINE as a command, as if typed in
        macro LINE...     run several lines in order
        poke TEXT         write TEXT to galvetta's output
        request           print the item "Command" (the last line either way)
        advise            print the next N (--count, 1) values of the item
  --help
      This text.

Bad input is reported on standard error with exit status 2.
)";

struct UsageError {
    std::string message;
};

[[noreturn]] void fail(const std::string& message) {
    throw UsageError{message};
}

int parse_number(std::string_view text, const char* what, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        fail(std::string("bad ") + what + " '" + std::string(text) + "' (expected " + std::to_string(low) +
             ".." + std::to_string(high) + ")");
    return value;
}

// A POSITION argument: a FEN when it has slashes, else a position text; in
// either form a position that a game could reach.
std::string checked_position(std::string_view text) {
    if (text.find('/') != std::string_view::npos) {
        Parsed<FenPosition> fen = ReadPlayableFen(text);
        if (!fen)
            fail(fen.error + " (expected a FEN, such as \"" + PositionTextToFen(STARTING_POSITION) + "\")");
        return fen.value->text;
    }
    Parsed<std::string> parsed = ValidatePositionText(text);
    if (!parsed)
        fail(parsed.error + " (expected a 70-character position text such as " + STARTING_POSITION +
             ", or a FEN)");
    Parsed<std::string> playable = PlayablePosition(text);
    if (!playable) fail(playable.error + " (in the position text '" + std::string(text) + "')");
    return *playable.value;
}

std::unique_ptr<StateBlock> block_with(const std::string& position) {
    auto block = std::make_unique<StateBlock>();
    new_header(block.get(), position);
    return block;
}

// A block prepared and loaded with `position`, ready for generation.
std::unique_ptr<StateBlock> loaded(const std::string& position) {
    auto block = std::make_unique<StateBlock>();
    if (!load_block(block.get(), position)) fail("the engine cannot load this position");
    perft_begin(block.get());
    return block;
}

// The text of a generated (not yet made) move: its from-square is where its piece stands.
std::string root_move_text(StateBlock* block, uint32_t move) {
    MoveRecord* record = at<MoveRecord>(block, move);
    record->from = at<PieceRecord>(block, record->piece)->cell;
    char text[16];
    char* end = write_move(block, move, text);
    return std::string(text, end);
}

const char* kind_name(uint32_t kind) {
    switch (kind) {
    case MOVE_PLAIN: return "plain";
    case MOVE_DOUBLE_STEP: return "double-step";
    case MOVE_CASTLE_SHORT: return "castle-short";
    case MOVE_CASTLE_LONG: return "castle-long";
    case MOVE_PROMOTION: return "promotion";
    case MOVE_ROOK_LOSES_CASTLING: return "rook-loses-castling";
    case MOVE_KING_LOSES_CASTLING: return "king-loses-castling";
    case MOVE_EN_PASSANT: return "en-passant";
    default: return "?";
    }
}

int command_perft(const std::vector<std::string_view>& args) {
    if (args.size() < 2 || args.size() > 3) fail("perft needs POSITION DEPTH [--divide]");
    const bool divide = args.size() == 3;
    if (divide && args[2] != "--divide") fail("unknown perft option '" + std::string(args[2]) + "'");
    const std::string position = checked_position(args[0]);
    const int depth = parse_number(args[1], "depth", 1, 20);
    auto block = loaded(position);
    StateBlock* b = block.get();
    Frame* root = b->root();

    const auto start = std::chrono::steady_clock::now();
    uint64_t total = 0;
    if (divide) {
        const uint32_t count = generate_node(b, root);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t move = root->first_move + i * static_cast<uint32_t>(sizeof(MoveRecord));
            const std::string text = root_move_text(b, move);
            const bool legal = perft_make(b, root, move);
            if (legal) {
                const uint64_t n = perft(b, root + 1, depth - 1);
                std::printf("%s %llu\n", text.c_str(), static_cast<unsigned long long>(n));
                total += n;
            }
            perft_take_back(b, root, legal);
        }
    } else {
        total = perft(b, root, depth);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("time %.3f s, %.0f moves per second\n", seconds, seconds > 0 ? total / seconds : 0.0);
    std::printf("%llu\n", static_cast<unsigned long long>(total));
    return 0;
}

int command_moves(const std::vector<std::string_view>& args) {
    if (args.size() != 1) fail("moves needs POSITION");
    auto block = loaded(checked_position(args[0]));
    StateBlock* b = block.get();
    Frame* root = b->root();
    const uint32_t count = generate_node(b, root);
    if (count == 0) std::printf("no moves (the side to move has none, or can take the king)\n");
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t move = root->first_move + i * static_cast<uint32_t>(sizeof(MoveRecord));
        const MoveRecord* record = at<MoveRecord>(b, move);
        const std::string text = root_move_text(b, move);
        std::printf("%-8s %-20s %08X%s\n", text.c_str(), kind_name(record->kind),
                    static_cast<uint32_t>(record->gain), move == root->pick ? " *" : "");
    }
    return 0;
}

int command_show(const std::vector<std::string_view>& args) {
    if (args.size() != 1) fail("show needs POSITION");
    auto block = loaded(checked_position(args[0]));
    StateBlock* b = block.get();
    static constexpr uint32_t WORDS[12] = {WHITE_KING,   WHITE_QUEEN,  WHITE_ROOK,   WHITE_BISHOP,
                                           WHITE_KNIGHT, WHITE_PAWN,   BLACK_KING,   BLACK_QUEEN,
                                           BLACK_ROOK,   BLACK_BISHOP, BLACK_KNIGHT, BLACK_PAWN};
    for (int row = 0; row < 8; ++row) {
        std::printf("%d ", 8 - row);
        for (int column = 0; column < 8; ++column) {
            const uint32_t occupant = cell_at(b, square_cell(row, column))->occupant;
            char c = '-';
            for (int i = 0; i < 12; ++i)
                if (WORDS[i] == occupant) c = PIECE_LETTERS[i];
            std::printf(" %c", c);
        }
        std::printf("\n");
    }
    std::printf("   a b c d e f g h\n");
    const uint32_t mover = b->vars.enemy_side ^ 12;
    std::printf("side to move: %s\n", mover == WHITE ? "White" : "Black");
    const uint32_t ep = b->frames[1].ep_target;
    char square[3] = "-";
    if (ep != 0) write_square(b, ep, square)[0] = '\0';
    std::printf("en passant: %s\n", square);
    std::string rights;
    const auto has = [&](uint32_t record) {
        return record != 0 && at<PieceRecord>(b, record)->routine == gen_castling_rook;
    };
    const auto king_can = [&](int side) {
        const uint32_t king = b->vars.castle_king[side];
        return king != 0 && at<PieceRecord>(b, king)->routine == gen_castling_king;
    };
    if (king_can(0) && has(b->vars.castle_rook[1])) rights += 'K';
    if (king_can(0) && has(b->vars.castle_rook[0])) rights += 'Q';
    if (king_can(1) && has(b->vars.castle_rook[3])) rights += 'k';
    if (king_can(1) && has(b->vars.castle_rook[2])) rights += 'q';
    std::printf("castling: %s\n", rights.empty() ? "-" : rights.c_str());
    return 0;
}

int command_fen(const std::vector<std::string_view>& args) {
    if (args.empty()) fail("fen needs FEN");
    std::string fen;
    for (auto arg : args)
        fen += std::string(arg) + ' ';
    Parsed<FenPosition> parsed = ReadPlayableFen(fen);
    if (!parsed) fail(parsed.error);
    std::printf("%s\n", parsed.value->text.c_str());
    return 0;
}

int command_tofen(const std::vector<std::string_view>& args) {
    if (args.size() != 1) fail("tofen needs POSITION");
    std::printf("%s\n", PositionTextToFen(checked_position(args[0])).c_str());
    return 0;
}

int command_search(const std::vector<std::string_view>& args) {
    if (args.empty()) fail("search needs POSITION");
    const std::string position = checked_position(args[0]);
    int start = 4, max = 4, step = 4;
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) fail("option '" + std::string(args[i]) + "' needs a number");
        const int value = parse_number(args[i + 1], "depth", 1, 64);
        if (args[i] == "--start")
            start = value;
        else if (args[i] == "--max")
            max = value;
        else if (args[i] == "--step")
            step = value;
        else
            fail("unknown search option '" + std::string(args[i]) + "'");
    }
    auto block = block_with(position);
    Header& h = block->header;
    h.start_depth = start;
    h.max_depth = max;
    h.depth_step = step;
    const auto t0 = std::chrono::steady_clock::now();
    engine_run(block.get());
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    std::printf("move %s\n", h.move_text);
    std::printf("score %d\n", h.best_score);
    std::printf("nodes %u\n", h.nodes);
    std::printf("generated %llu\n", static_cast<unsigned long long>(read_u64(h.generated_moves)));
    std::printf("played %llu\n", static_cast<unsigned long long>(read_u64(h.played_moves)));
    std::printf("error %d\n", h.error_flag);
    std::printf("ms %lld\n", static_cast<long long>(ms));
    return 0;
}

int command_legal(const std::vector<std::string_view>& args) {
    if (args.size() != 2) fail("legal needs POSITION MOVE");
    const std::string position = checked_position(args[0]);
    const std::string_view move = args[1];
    if (move.size() < 4 || move.size() >= sizeof(Header::move_text))
        fail("bad move '" + std::string(move) + "'");
    auto block = block_with(position);
    std::memcpy(block->header.move_text, move.data(), move.size());
    std::printf("%s\n", is_legal_move(block.get()) ? "legal" : "illegal");
    return 0;
}

int command_book(const std::vector<std::string_view>& args) {
    if (args.size() != 2) fail("book needs FILE POSITION");
    TBook book;
    if (const std::string error = book.Open(std::string(args[0])); !error.empty()) fail(error);
    const std::string position = checked_position(args[1]);
    std::printf("key %016llx\n", static_cast<unsigned long long>(TBook::Key(position)));
    std::vector<BookEntry> entries = book.Entries(position);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const BookEntry& a, const BookEntry& b) { return a.weight > b.weight; });
    for (const BookEntry& entry : entries)
        std::printf("%-6s weight %5u learn %u\n", TBook::MoveOf(entry, position).Coordinate().c_str(),
                    entry.weight, entry.learn);
    return 0;
}

int command_pgn(const std::vector<std::string_view>& args) {
    if (args.size() != 1) fail("pgn needs FILE");
    const std::string path(args[0]);
    // A directory opens as a stream that reads nothing: refuse it, as any
    // other file that is not a regular one.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        fail("cannot read '" + path + "': not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot read '" + path + "'");
    std::ostringstream text;
    text << in.rdbuf();
    const PgnFile file = ReadPgn(text.str());
    for (const std::string& warning : file.warnings)
        std::fprintf(stderr, "galvetta-tool: %s: %s\n", path.c_str(), warning.c_str());
    int status = 0;
    for (size_t g = 0; g < file.games.size(); ++g) {
        const PgnGame& game = file.games[g];
        const PgnReplay replay = ReplayPgn(game);
        // A game of another variant is refused by name; the others are read.
        if (!replay.variant.empty()) {
            std::fprintf(stderr, "galvetta-tool: %s: game %zu, %s\n", path.c_str(), g + 1,
                         replay.error.c_str());
            status = 2;
            continue;
        }
        if (!replay.error.empty()) fail("game " + std::to_string(g + 1) + ", " + replay.error);
        const size_t plies = replay.coordinates.size();
        const std::string fen = game.Tag("FEN");
        const std::optional<FenPosition> start = fen.empty() ? std::nullopt : ReadFen(fen).value;
        const int halfmove = start ? start->halfmove_clock : 0;
        const int64_t first = start ? start->move_number : 1;
        const bool black_began = replay.positions.front()[SIDE_TO_MOVE] == BLACK_ON_MOVE;
        const int64_t number = first + (static_cast<int64_t>(plies) + (black_began ? 1 : 0)) / 2;
        std::printf(
            "game %zu: White \"%s\", Black \"%s\", result %s, %zu moves (%zu plies), final %s\n", g + 1,
            game.Tag("White").c_str(), game.Tag("Black").c_str(), game.result.c_str(), (plies + 1) / 2, plies,
            PositionTextToFen(replay.positions.back(), HalfmoveClock(replay.positions, halfmove), number)
                .c_str());
        // Play that went on after the rules had drawn the game is reported, not refused.
        if (const std::optional<RuleDraw> draw = FirstDrawByRule(replay.positions, halfmove))
            std::printf("game %zu: play went on after ply %zu: %s\n", g + 1, draw->ply,
                        draw->verdict.reason.c_str());
    }
    if (!file.error.empty())
        fail(path + ": game " + std::to_string(file.games.size() + 1) + ", " + file.error);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    const std::string_view command = args.front();
    args.erase(args.begin());
    try {
        if (command == "--help" || command == "-h" || command == "help") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (command == "perft") return command_perft(args);
        if (command == "moves") return command_moves(args);
        if (command == "show") return command_show(args);
        if (command == "fen") return command_fen(args);
        if (command == "tofen") return command_tofen(args);
        if (command == "search") return command_search(args);
        if (command == "legal") return command_legal(args);
        if (command == "pgn") return command_pgn(args);
        if (command == "book") return command_book(args);
        if (command == "talk") return run_talk(std::vector<std::string>(args.begin(), args.end()));
        if (command == "bench") {
            if (args.size() > 1 || (args.size() == 1 && args[0] != "--json")) fail("bench takes only --json");
            return run_bench(!args.empty());
        }
        fail("unknown command '" + std::string(command) + "' (try --help)");
    } catch (const UsageError& error) {
        std::fprintf(stderr, "galvetta-tool: %s\n", error.message.c_str());
        return 2;
    }
}
