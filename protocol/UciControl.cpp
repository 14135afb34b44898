// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/UciControl.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "engine/state_block.h"
#include "notation/Move.h"
#include "notation/Rules.h"
#include "notation/Score.h"
#include "notation/Version.h"

namespace galvetta {

namespace {

// Kept back from "go movetime T" for the stop to take effect and the answer
// to reach the interface on a loaded machine (several threads must each get
// the processor once more): MOVETIME_MARGIN_MS milliseconds and
// MOVETIME_MARGIN of T, never more than half of T.
constexpr double MOVETIME_MARGIN = 0.1;
constexpr double MOVETIME_MARGIN_MS = 50;

double movetime_limit(int64_t movetime) {
    const double t = static_cast<double>(movetime);
    return t - std::min(MOVETIME_MARGIN_MS + t * MOVETIME_MARGIN, t / 2);
}

// The value after `name` in a "go" line: nothing when the name is missing,
// and `unreadable` when the value is not a 64-bit number.
std::optional<int64_t> go_value(const Words& words, std::string_view name, int64_t unreadable) {
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] != name) continue;
        if (i + 1 >= words.size()) return unreadable;
        return ParseInteger(words[i + 1]).value_or(unreadable);
    }
    return std::nullopt;
}

// How far a "position" may differ from the game at its end (the engine's own
// answers taken back) and still be the same game: the reply it expected.
constexpr size_t PONDER_MISS_PLIES = 1;

bool has_word(const Words& words, std::string_view name) {
    return std::find(words.begin() + 1, words.end(), name) != words.end();
}

} // namespace

TUciControl::TUciControl(TFrontEndLink& link) : link_(link), game_(link.Game()) {
    game_.SetHold(true); // the engine moves on "go" only
    game_.SetControlUnknown();
}

void TUciControl::Write(const std::string& line) {
    link_.SendToInterface(line);
}

std::string TUciControl::UciMove(std::string_view engine_move) {
    const std::optional<Move> move = Move::Parse(engine_move);
    return move ? move->Coordinate() : "0000";
}

namespace {

bool same_letters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::string TUciControl::ScoreText(int32_t score) {
    const int mate = MateMoves(score);
    return mate != 0 ? "mate " + std::to_string(mate) : "cp " + std::to_string(Centipawns(score));
}

int TUciControl::Interpret(const std::string& line) {
    const Words words = SplitWords(line);
    if (words.empty()) return 0;
    using Handler = void (TUciControl::*)(const Words&);
    static const std::unordered_map<std::string_view, Handler> handlers = {
        {"uci", &TUciControl::OnUci},
        {"isready", &TUciControl::OnIsReady},
        {"ucinewgame", &TUciControl::OnNewGame},
        {"position", &TUciControl::OnPosition},
        {"go", &TUciControl::OnGo},
        {"stop", &TUciControl::OnStop},
        {"quit", &TUciControl::OnQuit},
        {"setoption", &TUciControl::OnSetOption},
        {"ponderhit", &TUciControl::OnPonderHit},
        {"debug", &TUciControl::OnIgnored},
        {"register", &TUciControl::OnIgnored},
    };
    const auto handler = handlers.find(words[0]);
    if (handler == handlers.end()) {
        Write("info string unknown command: " + line);
        return 0;
    }
    (this->*handler->second)(words);
    return 0;
}

void TUciControl::OnUci(const Words&) {
    Write("id name Galvetta " + ShortVersion());
    Write("id author the Galvetta developers");
    Write("option name Ponder type check default false");
    Write("option name MultiPV type spin default 1 min 1 max " + std::to_string(MAX_LINES));
    Write("option name OwnBook type check default false");
    Write(std::string("option name BookFile type string default ") + TBook::DEFAULT_FILE);
    Write("option name Move Overhead type spin default " + std::to_string(DEFAULT_OVERHEAD_MS) +
          " min 0 max " + std::to_string(MAX_OVERHEAD_MS));
    Write("uciok");
}

void TUciControl::OnSetOption(const Words& words) {
    // "setoption name NAME [value VALUE]"; names may hold blanks.
    const auto value_at = std::find(words.begin(), words.end(), "value");
    // The name's words lie between "name" and "value"; "value" may come first.
    const auto name_at = std::min(words.begin() + std::min<size_t>(2, words.size()), value_at);
    const std::string name = JoinWords(Words(name_at, value_at), 0);
    const std::string value =
        value_at == words.end() ? std::string() : JoinWords(Words(value_at + 1, words.end()), 0);
    const auto is = [&name](std::string_view option) { return same_letters(name, option); };
    // Each option's syntax is read here; the game checks and keeps its value.
    const std::optional<int64_t> number = ParseInteger(value);
    const bool check = value == "true" || value == "false";
    std::string error;
    if (is("MultiPV")) {
        error = number ? game_.ChangeOptions([&](EngineOptions& o) {
            o.lines = static_cast<int>(std::clamp<int64_t>(*number, INT32_MIN, INT32_MAX));
        })
                       : "MultiPV takes a number from 1 to " + std::to_string(MAX_LINES);
        if (!error.empty()) error += ", not '" + value + "'";
    } else if (is("Ponder")) {
        if (check)
            game_.ChangeOptions([&](EngineOptions& o) { o.ponder = value == "true"; });
        else
            error = "Ponder takes true or false, not '" + value + "'";
    } else if (is("OwnBook")) {
        error = check ? game_.ChangeOptions([&](EngineOptions& o) { o.use_book = value == "true"; })
                      : "OwnBook takes true or false, not '" + value + "'";
        if (check && !error.empty()) error += "; the engine plays without a book";
    } else if (is("BookFile")) {
        error = game_.ChangeOptions([&](EngineOptions& o) { o.book_file = value; });
        if (!error.empty()) error += "; the engine plays without a book";
    } else if (is("Move Overhead")) {
        error = number ? game_.ChangeOptions([&](EngineOptions& o) {
            o.move_overhead_ms = static_cast<int>(std::clamp<int64_t>(*number, -1, INT32_MAX));
        })
                       : "Move Overhead takes milliseconds from 0 to " + std::to_string(MAX_OVERHEAD_MS);
        if (!error.empty()) error += ", not '" + value + "'";
    } else {
        error = "unknown option: " + name;
    }
    if (!error.empty()) Write("info string " + error);
}

void TUciControl::OnIsReady(const Words&) {
    Write("readyok");
}

void TUciControl::OnQuit(const Words&) {
    link_.View().CloseRequested();
}

void TUciControl::OnIgnored(const Words&) {}

void TUciControl::OnNewGame(const Words&) {
    searching_ = false;
    held_answer_.reset();
    game_.NewGame();
    game_.SetHold(true);
    start_.clear();
    moves_.clear();
    played_.clear();
    position_ok_ = true;
}

void TUciControl::OnPosition(const Words& words) {
    if (words.size() < 2) return;
    size_t next = 2;
    FenPosition start{STARTING_POSITION, 0, 1};
    if (words[1] == "fen") {
        for (; next < words.size() && words[next] != "moves"; ++next) {
        }
        const Parsed<FenPosition> parsed =
            ReadPlayableFen(JoinWords(Words(words.begin() + 2, words.begin() + next), 0));
        if (!parsed) {
            Write("info string bad position: " + parsed.error);
            position_ok_ = false;
            return;
        }
        start = *parsed.value;
    } else if (words[1] != "startpos") {
        Write("info string bad position: " + words[1]);
        position_ok_ = false;
        return;
    }
    const Words moves(words.begin() + std::min(next + 1, words.size()), words.end());

    if (searching_) {
        // The interface moved on without "stop": the search is of no use now.
        game_.AbandonSearch();
        searching_ = false;
    }
    const auto shared_with = [&moves](const std::vector<std::string>& game) {
        size_t shared = 0;
        while (shared < game.size() && shared < moves.size() && game[shared] == moves[shared])
            ++shared;
        return shared;
    };
    // The board's game goes on when the line repeats it with more moves, or
    // differs from the last "position" only after it (the engine's own
    // answers) or in its last move (a ponder miss: the reply the engine
    // expected); those are taken back. Anything else is a new game.
    const size_t shared = shared_with(played_), shared_position = shared_with(moves_);
    const bool goes_on =
        position_ok_ && start.text == start_ &&
        (shared == played_.size() || shared_position == moves_.size() ||
         (shared_position + PONDER_MISS_PLIES >= moves_.size() && moves.size() > shared_position));
    if (!goes_on) {
        game_.NewGameFrom(start.text, start.halfmove_clock, start.move_number);
        start_ = start.text;
        played_.clear();
    }
    for (; goes_on && played_.size() > shared; played_.pop_back())
        game_.TakeBack();
    position_ok_ = true;
    game_.SetHold(true); // the moves are played, not answered
    for (size_t i = played_.size(); i < moves.size(); ++i) {
        if (!game_.PlayMove(moves[i])) {
            Write("info string illegal move " + moves[i]);
            break;
        }
        played_.push_back(moves[i]);
    }
    moves_ = played_;
}

void TUciControl::BackToPosition() {
    // The engine's moves since the last "position" are taken back.
    while (played_.size() > moves_.size()) {
        game_.TakeBack();
        played_.pop_back();
    }
    game_.SetHold(true);
}

SearchLimits TUciControl::ParseGo(const Words& words) {
    const bool white = game_.WhiteToMove();
    // An unreadable number counts as nothing left: the answer comes at once.
    const std::optional<int64_t> wtime = go_value(words, "wtime", 0), btime = go_value(words, "btime", 0);
    const std::optional<int64_t> movetime = go_value(words, "movetime", 0);
    const std::optional<int64_t> depth = go_value(words, "depth", 1);
    const std::optional<int64_t> nodes = go_value(words, "nodes", 0);
    const std::optional<int64_t> mate = go_value(words, "mate", 1);
    infinite_ = has_word(words, "infinite");
    // Only one side's clock given: the other's is empty.
    // The interface's lag, kept back from every timed move.
    const auto kept = [this](std::optional<int64_t> ms) {
        return std::max<int64_t>(ms.value_or(0), INT32_MIN) - game_.Options().move_overhead_ms;
    };
    const std::optional<int64_t> my_time =
        wtime || btime ? std::optional<int64_t>(kept(white ? wtime : btime)) : std::nullopt;

    SearchLimits limits;
    // Every depth is searched and reported, on a clock too.
    limits.depth_step = 1;
    limits.lines = game_.Options().lines;
    // On a clock the game's own planning sets the budget, and the depth
    // unless one is asked for: every limit given bounds the search, and the
    // first reached ends it. Without a clock the search goes to the depth
    // asked for, or as deep as it can until stopped.
    limits.planned = my_time && !movetime && !infinite_;
    if (depth || !limits.planned)
        limits.depth =
            static_cast<int>(std::clamp<int64_t>(depth.value_or(MAX_SEARCH_DEPTH), 1, MAX_SEARCH_DEPTH));
    if (mate) {
        limits.mate = static_cast<int>(std::clamp<int64_t>(*mate, 1, MAX_SEARCH_DEPTH / 2));
        limits.depth = limits.depth > 0 ? std::min(limits.depth, 2 * limits.mate) : 2 * limits.mate;
    }
    if (my_time) {
        const auto shown = [&kept](std::optional<int64_t> ms) {
            return std::clamp<int64_t>(kept(ms), 0, INT32_MAX * 1000LL);
        };
        game_.SetTimes(shown(wtime), shown(btime));
        const std::optional<int64_t> winc = go_value(words, "winc", 0), binc = go_value(words, "binc", 0);
        const int64_t to_go = go_value(words, "movestogo", 0).value_or(0);
        limits.clock = ClockLimits{
            .time_ms = static_cast<double>(std::max<int64_t>(*my_time, 0)),
            .increment_ms = static_cast<double>(std::max<int64_t>((white ? winc : binc).value_or(0), 0)),
            .moves_to_go = static_cast<int>(std::clamp<int64_t>(to_go, 0, 10000))};
    }
    if (movetime) limits.hard_ms = kept(movetime) > 0 ? movetime_limit(kept(movetime)) : 0;
    if (nodes) {
        if (*nodes > 0)
            limits.nodes = static_cast<uint64_t>(std::min<int64_t>(*nodes, UINT32_MAX));
        else
            limits.hard_ms = 0; // nothing to search: the answer comes at once
    }
    // "searchmoves" and the moves after it, up to the next word that is none.
    const auto listed = std::find(words.begin(), words.end(), "searchmoves");
    if (listed != words.end())
        for (auto word = listed + 1; word != words.end(); ++word) {
            const std::optional<Move> move = Move::Parse(*word);
            if (!move) break;
            limits.search_moves.push_back(*move);
        }
    return limits;
}

void TUciControl::OnGo(const Words& words) {
    if (searching_) game_.AbandonSearch();
    link_.DeliverReports(); // an earlier search's, if any were left
    held_answer_.reset();
    searching_ = true;
    pondering_ = has_word(words, "ponder");
    if (!position_ok_) {
        // The last "position" was refused: there is no position to search.
        infinite_ = false;
        Hold(std::nullopt);
        return;
    }
    BackToPosition();
    SearchLimits limits = ParseGo(words);
    node_limit_ = limits.nodes;
    if (pondering_) {
        // Until the hit the search has no end of its own but the node limit,
        // which counts the nodes searched before the hit too: a search that
        // reaches it waits for the hit or "stop" with its answer.
        ponder_limits_ = limits;
        limits = SearchLimits::Analysis();
        limits.lines = game_.Options().lines;
        limits.search_moves = ponder_limits_.search_moves;
        limits.nodes = ponder_limits_.nodes;
    }
    if (infinite_) {
        game_.Analyze(limits);
        return;
    }
    const GameOutcome outcome = game_.Go(limits);
    if (outcome != GameOutcome::None) {
        if (outcome == GameOutcome::TooManyPieces) Write("info string too many pieces");
        if (outcome == GameOutcome::IllegalPosition) Write("info string illegal position");
        infinite_ = false;
        Hold(std::nullopt);
    }
}

void TUciControl::Hold(std::optional<Move> move) {
    // A ponder search is answered on "ponderhit" or "stop" only, whatever
    // it found and however early.
    if (pondering_)
        held_answer_ = move;
    else
        Answer(move);
}

void TUciControl::OnPonderHit(const Words&) {
    if (!searching_ || !pondering_) return;
    pondering_ = false;
    if (held_answer_) {
        Answer(*held_answer_);
        return;
    }
    // The expected move was played: the search goes on, now on the clock.
    game_.Retarget(ponder_limits_);
}

void TUciControl::OnStop(const Words&) {
    if (!searching_) return;
    const bool ponder_ended = pondering_;
    pondering_ = false;
    if (held_answer_) {
        Answer(*held_answer_);
    } else if (infinite_) {
        Answer(game_.StopAnalysis());
    } else {
        // The search ends within a few milliseconds and is answered before this
        // returns, so that whatever the interface sends next finds the "go" settled.
        game_.MoveNow();
    }
    if (ponder_ended) ForgetPonderLine();
}

void TUciControl::ForgetPonderLine() {
    // A ponder search stopped without a hit: the reply it expected and its
    // answer were never played, and the game's record must not keep them.
    BackToPosition();
    if (searching_ || moves_.empty()) return;
    game_.TakeBack();
    played_.pop_back();
    moves_ = played_;
    game_.SetHold(true);
}

void TUciControl::InputEnded() {
    if (!searching_) return;
    if (infinite_ || pondering_ || held_answer_)
        OnStop({});
    else
        game_.AnswerWithin(INPUT_END_GRACE_MS);
}

void TUciControl::Reported(const std::vector<SearchReport>& reports) {
    if (!searching_) return;
    for (const SearchReport& report : reports) {
        const int64_t ms = std::max<int64_t>(static_cast<int64_t>(report.ms), 1);
        std::string line = "info depth " + std::to_string(report.depth) + " seldepth " +
                           std::to_string(std::max(report.seldepth, report.depth));
        if (game_.Options().lines > 1) line += " multipv " + std::to_string(report.line_number);
        line += " score " + ScoreText(report.score) + " nodes " + std::to_string(report.nodes) + " nps " +
                std::to_string(static_cast<int64_t>(report.nodes) * 1000 / ms) + " time " +
                std::to_string(ms) + " pv";
        for (const Move& move : report.line) {
            line += ' ';
            line += move.Coordinate();
        }
        Write(line);
    }
}

void TUciControl::Answer(std::optional<Move> move) {
    link_.DeliverReports();
    searching_ = false;
    infinite_ = false;
    pondering_ = false;
    held_answer_.reset();
    game_.SetHold(true);
    if (!move) {
        Write("bestmove 0000");
        return;
    }
    // Under a node limit, how many nodes the search took, for the tester.
    if (node_limit_ > 0 && game_.Options().lines == 1)
        Write("info nodes " + std::to_string(game_.NodesSearched()));
    std::string answer = "bestmove " + move->Coordinate();
    // The reply the search expects, where its line says.
    const std::optional<SearchReport> last = game_.LastReport();
    if (last && last->line.size() > 1 && last->line[0] == *move)
        answer += " ponder " + last->line[1].Coordinate();
    Write(answer);
}

void TUciControl::EngineMoved(const std::optional<Move>& move, GameOutcome) {
    if (!searching_) return;
    if (move) played_.push_back(move->Coordinate()); // the board has played it
    Hold(move);
}

void TUciControl::SearchStopped() {
    // The window's Stop: the answer is the best move so far.
    if (!searching_) return;
    Answer(game_.BestMoveSoFar());
}

void TUciControl::BookRefused(const std::string& why) {
    Write("info string " + why + "; the engine plays without a book");
}

} // namespace galvetta
