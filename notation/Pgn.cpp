// SPDX-License-Identifier: GPL-3.0-or-later
#include "notation/Pgn.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "notation/PositionText.h"
#include "notation/San.h"
#include "notation/Words.h"

namespace galvetta {

namespace {

constexpr const char* SEVEN_TAGS[] = {"Event", "Site", "Date", "Round", "White", "Black", "Result"};
constexpr size_t LINE_WIDTH = 80;
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
// An annotation written apart from its move ("1. e4 !").
constexpr std::string_view ANNOTATION_SIGNS = "!?";

bool is_result(std::string_view token) {
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*";
}

bool black_starts(const std::string& position) {
    return position.size() > SIDE_TO_MOVE && position[SIDE_TO_MOVE] == BLACK_ON_MOVE;
}

// The FEN's full-move counter, 1 when it has none or cannot be read.
int64_t first_move_number(const PgnGame& game) {
    const std::string fen = game.Tag("FEN");
    if (fen.empty()) return 1;
    const Parsed<FenPosition> position = ReadFen(fen);
    return position ? position.value->move_number : 1;
}

// A character as an error message shows it: printable ones quoted, others in hex.
std::string describe(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isprint(byte)) return std::string("'") + c + "'";
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", byte);
    return hex;
}

std::string quoted(const std::string& value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

// Reads a text one token at a time, keeping the line number for errors.
class PgnScanner {
  public:
    explicit PgnScanner(std::string_view text) : text_(text) {
        // Editors on some systems begin a UTF-8 file with a byte-order mark.
        if (text_.substr(0, UTF8_BOM.size()) == UTF8_BOM) pos_ = UTF8_BOM.size();
        if (pos_ < text_.size() && text_[pos_] == '%') SkipLine();
    }

    // Skips blanks, comments, escape lines, NAGs and variations. False at the
    // end of the text or on an error (then `error` says why).
    bool SkipToToken() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n' || LoneCarriageReturn()) {
                ++line_;
                ++pos_;
                if (pos_ < text_.size() && text_[pos_] == '%') SkipLine();
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == ';') {
                SkipLine();
            } else if (c == '{') {
                const size_t start = pos_ + 1;
                if (!SkipComment()) return false;
                // A comment between moves is kept for the move before it.
                comment.assign(text_.substr(start, pos_ - 1 - start));
            } else if (c == '(') {
                if (!SkipVariation()) return false;
            } else if (c == ')') {
                return Fail("')' without a variation");
            } else if (c == '$') {
                ++pos_;
                if (!Digit()) return Fail("'$' without a number");
                while (Digit())
                    ++pos_;
            } else {
                return true;
            }
        }
        return false;
    }

    char Peek() const { return text_[pos_]; }

    // A tag pair "[Name "value"]"; the scanner stands on '['.
    bool ReadTag(std::string& name, std::string& value) {
        ++pos_;
        SkipBlanks();
        while (pos_ < text_.size() && (std::isalnum(Byte()) || text_[pos_] == '_'))
            name += text_[pos_++];
        if (name.empty()) return Fail("a tag without a name");
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != '"') return Fail("tag " + name + " has no quoted value");
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size() || text_[pos_] == '\n' || LoneCarriageReturn())
                return Fail("tag " + name + ": unterminated value");
            const char c = text_[pos_++];
            if (c == '"') break;
            if (c == '\\' && pos_ < text_.size() && text_[pos_] != '\n') {
                value += text_[pos_++];
                continue;
            }
            value += c;
        }
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != ']') return Fail("tag " + name + " has no closing ']'");
        ++pos_;
        return true;
    }

    // A movetext token: a move number with its dots, a move or a result.
    std::string ReadSymbol() {
        std::string token;
        constexpr std::string_view SIGNS = "+#=:-/!?_.*";
        while (pos_ < text_.size() &&
               (std::isalnum(Byte()) || SIGNS.find(text_[pos_]) != std::string_view::npos)) {
            token += text_[pos_++];
            // "12." ends a move number even when a move follows without a space.
            if (token.back() == '.' && std::isdigit(static_cast<unsigned char>(token[0]))) {
                while (pos_ < text_.size() && text_[pos_] == '.')
                    token += text_[pos_++];
                break;
            }
        }
        return token;
    }

    bool Fail(const std::string& why) {
        if (error.empty()) error = "line " + std::to_string(line_) + ": " + why;
        return false;
    }
    // "line L: `why`", for a warning.
    std::string AtLine(const std::string& why) const { return "line " + std::to_string(line_) + ": " + why; }
    // Skips a run of annotation signs; false when none stands here.
    bool SkipAnnotation() {
        const size_t start = pos_;
        while (pos_ < text_.size() && ANNOTATION_SIGNS.find(text_[pos_]) != std::string_view::npos)
            ++pos_;
        return pos_ > start;
    }

    std::string error;
    std::string comment; // the last comment between moves, until it is taken

  private:
    unsigned char Byte() const { return static_cast<unsigned char>(text_[pos_]); }
    bool Digit() const { return pos_ < text_.size() && std::isdigit(Byte()); }
    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'))
            ++pos_;
    }
    // A carriage return alone ends a line, as in files of old Macintosh
    // programs; before a line feed it is part of that line's end.
    bool LoneCarriageReturn() const {
        return text_[pos_] == '\r' && (pos_ + 1 >= text_.size() || text_[pos_ + 1] != '\n');
    }
    void SkipLine() {
        while (pos_ < text_.size() && text_[pos_] != '\n' && !LoneCarriageReturn())
            ++pos_;
    }
    bool SkipComment() {
        const int start = line_;
        for (++pos_; pos_ < text_.size() && text_[pos_] != '}'; ++pos_)
            if (text_[pos_] == '\n' || LoneCarriageReturn()) ++line_;
        if (pos_ >= text_.size()) {
            line_ = start;
            return Fail("comment not closed");
        }
        ++pos_;
        return true;
    }
    bool SkipVariation() {
        const int start = line_;
        int depth = 0;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '{') {
                if (!SkipComment()) return false;
                continue;
            }
            if (c == ';') {
                SkipLine();
                continue;
            }
            if (c == '\n' || LoneCarriageReturn()) ++line_;
            if (c == '(') ++depth;
            if (c == ')' && --depth == 0) {
                ++pos_;
                return true;
            }
            ++pos_;
        }
        line_ = start;
        return Fail("variation not closed");
    }

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
};

} // namespace

std::string PgnGame::Tag(std::string_view name) const {
    for (const auto& [key, value] : tags)
        if (key == name) return value;
    return {};
}

void PgnGame::SetTag(const std::string& name, const std::string& value) {
    for (auto& [key, old] : tags)
        if (key == name) {
            old = value;
            return;
        }
    tags.emplace_back(name, value);
}

std::string PgnGame::StartPosition() const {
    const std::string fen = Tag("FEN");
    if (fen.empty()) return STARTING_POSITION;
    Parsed<std::string> position = FenToPositionText(fen);
    return position ? *position.value : std::string();
}

std::vector<MovePair> MovePairs(const PgnGame& game) {
    std::vector<MovePair> pairs;
    if (game.moves.empty()) return pairs;
    int64_t number = first_move_number(game);
    // A game that Black begins leaves White's first move empty.
    size_t i = black_starts(game.StartPosition()) ? 1 : 0;
    for (size_t white = 0; white < game.moves.size() + i; white += 2, ++number) {
        MovePair pair{number, white >= i ? game.moves[white - i] : std::string(), {}};
        if (white + 1 - i < game.moves.size()) pair.black = game.moves[white + 1 - i];
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

std::string WritePgn(const PgnGame& game) {
    std::string out;
    for (const char* name : SEVEN_TAGS) {
        const std::string value = name == std::string_view("Result") ? game.result : game.Tag(name);
        out += std::string("[") + name + " " + quoted(value.empty() ? std::string(1, '?') : value) + "]\n";
    }
    for (const auto& [name, value] : game.tags) {
        bool seven = false;
        for (const char* known : SEVEN_TAGS)
            seven |= name == known;
        if (!seven) out += "[" + name + " " + quoted(value) + "]\n";
    }
    out += '\n';

    std::string line;
    const auto put = [&](const std::string& token) {
        if (!line.empty() && line.size() + 1 + token.size() > LINE_WIDTH) {
            out += line + '\n';
            line.clear();
        }
        if (!line.empty()) line += ' ';
        line += token;
    };
    // Each move with its comment, if any; after a comment Black's move
    // is numbered again, as readers expect. The last move's comment and the
    // game's ending go in one comment: some readers (chess.js) take no two
    // comments in a row, and a reader of evaluations reads the first word.
    // A brace would end a comment early; the words go on without it.
    const size_t first_black = black_starts(game.StartPosition()) ? 1 : 0;
    const auto braced = [](std::string words) {
        std::replace(words.begin(), words.end(), '}', ')');
        return "{" + words + "}";
    };
    bool ending_written = false;
    const auto comment_of = [&](size_t pair_index, bool black) -> std::string {
        const size_t ply = 2 * pair_index + (black ? 1 : 0) - first_black;
        if (ply >= game.comments.size() || game.comments[ply].empty()) return {};
        if (ply + 1 == game.moves.size() && !game.ending.empty()) {
            ending_written = true;
            return braced(game.comments[ply] + " " + game.ending);
        }
        return braced(game.comments[ply]);
    };
    const std::vector<MovePair> pairs = MovePairs(game);
    for (size_t i = 0; i < pairs.size(); ++i) {
        const MovePair& pair = pairs[i];
        put(std::to_string(pair.number) + (pair.white.empty() ? "..." : "."));
        std::string after_white;
        if (!pair.white.empty()) {
            put(pair.white);
            after_white = comment_of(i, false);
            if (!after_white.empty()) put(after_white);
        }
        if (!pair.black.empty()) {
            if (!after_white.empty()) put(std::to_string(pair.number) + "...");
            put(pair.black);
            if (const std::string after_black = comment_of(i, true); !after_black.empty()) put(after_black);
        }
    }
    if (!game.ending.empty() && !ending_written) put(braced(game.ending));
    put(game.result);
    return out + line + "\n\n";
}

namespace {

// Whether `token` is a move number ("12.", "12..."): nothing when it is none,
// else whether it is `expected`.
std::optional<bool> move_number_is(const std::string& token, int64_t expected) {
    const size_t digits = token.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string::npos ||
        token.find_first_not_of('.', digits) != std::string::npos)
        return std::nullopt;
    int64_t number = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + digits, number);
    return error == std::errc() && number == expected;
}

} // namespace

PgnFile ReadPgn(std::string_view text) {
    PgnFile file;
    PgnScanner scanner(text);
    PgnGame game;
    bool in_game = false, in_moves = false;
    int64_t expected_number = 1;
    bool black_to_move = false;
    const auto take_comment = [&] {
        if (!scanner.comment.empty() && !game.moves.empty()) {
            game.comments.resize(game.moves.size());
            if (game.comments.back().empty()) game.comments.back() = scanner.comment;
        }
        scanner.comment.clear();
    };
    const auto finish = [&] {
        if (in_game) game.comments.resize(game.moves.size());
        if (in_game) file.games.push_back(std::move(game));
        game = PgnGame();
        in_game = in_moves = false;
    };
    while (scanner.SkipToToken()) {
        take_comment();
        const char c = scanner.Peek();
        if (c == '[') {
            if (in_moves) finish(); // a game that ended without a result
            std::string name, value;
            if (!scanner.ReadTag(name, value)) break;
            game.SetTag(name, value);
            in_game = true;
            continue;
        }
        if (in_moves && scanner.SkipAnnotation()) continue;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '*' && c != '-') {
            scanner.Fail("unexpected character " + describe(c));
            break;
        }
        if (!in_moves) {
            const std::string start = game.StartPosition();
            if (start.empty()) {
                scanner.Fail("bad FEN tag '" + game.Tag("FEN") + "'");
                break;
            }
            black_to_move = black_starts(start);
            expected_number = first_move_number(game);
            in_game = in_moves = true;
        }
        const std::string token = scanner.ReadSymbol();
        if (token.empty()) {
            scanner.Fail("unexpected character");
            break;
        }
        if (is_result(token)) {
            game.result = token;
            finish();
            continue;
        }
        if (const std::optional<bool> right = move_number_is(token, expected_number)) {
            // A wrong number is a slip of the writer: the moves say which
            // move it is, as other readers take it.
            if (!*right)
                file.warnings.push_back("game " + std::to_string(file.games.size() + 1) + ", " +
                                        scanner.AtLine("move number " + token + " where " +
                                                       std::to_string(expected_number) + " was expected"));
            continue;
        }
        // Castling written with zeros, as many files have it, is a move.
        if (std::isdigit(static_cast<unsigned char>(token[0])) && token.rfind("0-0", 0) != 0) {
            scanner.Fail("bad move number '" + token + "'");
            break;
        }
        game.moves.push_back(token);
        if (black_to_move) ++expected_number;
        black_to_move = !black_to_move;
    }
    if (!scanner.error.empty())
        file.error = scanner.error;
    else
        finish();
    return file;
}

namespace {

// Whether a Variant tag's value names standard chess (as programs write it,
// "From Position" for a set-up among them).
bool standard_chess(std::string_view variant) {
    std::string name;
    for (char c : variant)
        if (c != ' ' && c != '-' && c != '_')
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* standard : {"", "standard", "chess", "normal", "regular", "classical", "fromposition"})
        if (name == standard) return true;
    return false;
}

bool null_move(std::string_view san) {
    return san == "--" || san == "Z0";
}

} // namespace

PgnReplay ReplayPgn(const PgnGame& game) {
    PgnReplay replay;
    if (const std::string variant = game.Tag("Variant"); !standard_chess(variant)) {
        replay.variant = variant;
        replay.error = "a game of " + variant + ", not of standard chess, is not read";
        return replay;
    }
    const std::string start = game.StartPosition();
    if (start.empty()) {
        replay.error = "bad FEN tag '" + game.Tag("FEN") + "'";
        return replay;
    }
    replay.positions.push_back(start);
    int64_t number = first_move_number(game);
    bool black = black_starts(start);
    for (const std::string& san : game.moves) {
        const Parsed<LegalMove> move =
            null_move(san)
                ? Parsed<LegalMove>::fail("a null move ('" + san + "'), which no game of chess plays")
                : ParseSan(replay.positions.back(), san);
        if (!move) {
            replay.error =
                "move " + std::to_string(number) + (black ? "... " : ". ") + san + ": " + move.error;
            return replay;
        }
        replay.coordinates.push_back(move.value->Coordinate());
        replay.positions.push_back(PositionAfter(replay.positions.back(), *move.value));
        if (black) ++number;
        black = !black;
    }
    return replay;
}

PgnGame RecordGame(const std::vector<std::string>& positions, const std::string& result, int halfmove_clock,
                   int64_t move_number) {
    PgnGame game;
    if (positions.empty()) return game;
    std::string start = positions.front();
    for (size_t i = 1; i < positions.size(); ++i) {
        // A search that found no move leaves the position as it was.
        if (positions[i].compare(0, SIDE_TO_MOVE + 1, positions[i - 1], 0, SIDE_TO_MOVE + 1) == 0) continue;
        const std::vector<LegalMove> moves = LegalMoves(positions[i - 1]);
        const LegalMove* played = nullptr;
        for (const LegalMove& move : moves)
            if (PositionAfter(positions[i - 1], move)
                    .compare(0, SIDE_TO_MOVE + 1, positions[i], 0, SIDE_TO_MOVE + 1) == 0)
                played = &move;
        if (played == nullptr) {
            start = positions[i];
            game.moves.clear();
            halfmove_clock = 0;
            move_number = 1;
            continue;
        }
        game.moves.push_back(SanOf(*played, moves));
    }
    if (start.compare(0, SIDE_TO_MOVE + 1, STARTING_POSITION, 0, SIDE_TO_MOVE + 1) != 0 ||
        start.compare(WHITE_SHORT, 4, "++++") != 0 || halfmove_clock != 0 || move_number != 1) {
        game.SetTag("SetUp", "1");
        game.SetTag("FEN", PositionTextToFen(start, halfmove_clock, move_number));
    }
    const std::string shown = ResultOfPosition(positions.back());
    game.result = shown.empty() ? result : shown;
    return game;
}

std::string ResultOfPosition(std::string_view position) {
    const std::vector<LegalMove> moves = LegalMoves(position);
    if (!moves.empty() || !ValidatePositionText(position)) return {};
    if (!SideToMoveInCheck(position)) return "1/2-1/2";
    return position[SIDE_TO_MOVE] == WHITE_ON_MOVE ? "0-1" : "1-0";
}

std::string EvaluationComment(const MoveEvaluation& evaluation) {
    char text[48];
    if (evaluation.mate != 0)
        std::snprintf(text, sizeof text, "%sM%d/%d", evaluation.mate > 0 ? "+" : "-",
                      std::abs(evaluation.mate), evaluation.depth);
    else
        std::snprintf(text, sizeof text, "%+.2f/%d", evaluation.centipawns / 100.0, evaluation.depth);
    return text;
}

std::optional<MoveEvaluation> ReadEvaluationComment(std::string_view comment) {
    // "+0.35/8", "-M3/12", and what programs add after a blank ("0.51s").
    const size_t blank = comment.find(' ');
    const std::string_view head = comment.substr(0, blank);
    const size_t slash = head.find('/');
    if (slash == std::string_view::npos || head.size() < 3 || (head[0] != '+' && head[0] != '-'))
        return std::nullopt;
    MoveEvaluation evaluation;
    const std::optional<int64_t> depth = ParseInteger(head.substr(slash + 1));
    if (!depth || *depth < 0 || *depth > 999) return std::nullopt;
    evaluation.depth = static_cast<int>(*depth);
    const std::string_view value = head.substr(1, slash - 1);
    const int sign = head[0] == '-' ? -1 : 1;
    if (!value.empty() && value[0] == 'M') {
        const std::optional<int64_t> moves = ParseInteger(value.substr(1));
        if (!moves || *moves <= 0 || *moves > 999) return std::nullopt;
        evaluation.mate = sign * static_cast<int>(*moves);
        return evaluation;
    }
    const std::optional<double> pawns = ParseDecimal(value);
    if (!pawns || *pawns > 1000) return std::nullopt;
    evaluation.centipawns = sign * static_cast<int>(std::lround(*pawns * 100));
    return evaluation;
}

std::string TimeControlTag(int moves, int base_seconds, int increment_seconds, double seconds_per_move) {
    if (seconds_per_move > 0) {
        return "1/" + FormatDecimal(seconds_per_move, 6);
    }
    if (base_seconds <= 0) return "-";
    if (moves > 0) return std::to_string(moves) + "/" + std::to_string(base_seconds);
    if (increment_seconds > 0) return std::to_string(base_seconds) + "+" + std::to_string(increment_seconds);
    return std::to_string(base_seconds);
}

} // namespace galvetta
