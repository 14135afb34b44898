#include "game/UciControl.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "engine/state_block.h"
#include "game/Interface.h"
#include "game/Move.h"
#include "game/Rules.h"
#include "game/Version.h"

namespace galvetta {

namespace {

constexpr int64_t MATE_AT_ROOT = -static_cast<int64_t>(VALUE_ILLEGAL); // mate found at ply 0
constexpr int64_t LONGEST_MATE = 512;                                  // plies

// The share of the clock a timed move may take at most.
constexpr int64_t CLOCK_SHARE = 8;

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

bool has_word(const Words& words, std::string_view name) {
    return std::find(words.begin() + 1, words.end(), name) != words.end();
}

} // namespace

TUciControl::TUciControl(TInterface& link) : link_(link), game_(link.Game()) {
    game_.SetHold(true); // the engine moves on "go" only
}

void TUciControl::Write(const std::string& line) {
    link_.SendToInterface(line);
}

std::string TUciControl::UciMove(std::string_view engine_move) {
    const std::optional<Move> move = Move::Parse(engine_move);
    return move ? move->Coordinate() : "0000";
}

std::string TUciControl::ScoreText(int32_t score) {
    // A mate reached at ply p is worth MATE_AT_ROOT - p steps to the side that
    // mates (p odd) and its negation to the side mated (p even).
    const int64_t s = score;
    const int64_t winning = MATE_AT_ROOT - s, losing = MATE_AT_ROOT + s;
    if (winning >= 0 && winning % MATE_STEP == 0 && winning / MATE_STEP < LONGEST_MATE)
        return "mate " + std::to_string((winning / MATE_STEP + 1) / 2);
    if (losing >= 0 && losing % MATE_STEP == 0 && losing / MATE_STEP < LONGEST_MATE)
        return "mate -" + std::to_string(losing / MATE_STEP / 2);
    return "cp " + std::to_string(s * 100 / SCORE_UNIT);
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
        {"setoption", &TUciControl::OnIgnored},
        {"ponderhit", &TUciControl::OnIgnored},
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
    Write("uciok");
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
    held_answer_.clear();
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
    FenPosition start{game_.Board().StartingPosition, 0, 1};
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
    const bool goes_on = position_ok_ && start.text == start_ && moves.size() >= played_.size() &&
                         std::equal(played_.begin(), played_.end(), moves.begin());
    if (!goes_on) {
        game_.NewGameFrom(start.text, start.halfmove_clock, start.move_number);
        start_ = start.text;
        played_.clear();
    }
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
    const bool white = game_.Board().Pezzo(SIDE_TO_MOVE) == WHITE_ON_MOVE;
    // An unreadable number counts as nothing left: the answer comes at once.
    const std::optional<int64_t> wtime = go_value(words, "wtime", 0), btime = go_value(words, "btime", 0);
    const std::optional<int64_t> my_time = white ? wtime : btime;
    const std::optional<int64_t> movetime = go_value(words, "movetime", 0);
    const std::optional<int64_t> depth = go_value(words, "depth", 1);
    const std::optional<int64_t> nodes = go_value(words, "nodes", 0);
    infinite_ = has_word(words, "infinite");

    SearchLimits limits;
    // On a clock the game's own planning sets depth and budget; otherwise the
    // search goes to the depth asked for, or as deep as it can until stopped.
    limits.planned = my_time && !movetime && !depth && !nodes && !infinite_;
    if (!limits.planned)
        limits.depth = static_cast<int>(std::clamp<int64_t>(depth.value_or(MAX_DEPTH), 1, MAX_DEPTH));
    if (my_time) {
        const auto seconds = [](std::optional<int64_t> ms) {
            return static_cast<int>(std::clamp<int64_t>(ms.value_or(0), 0, INT32_MAX * 1000LL) / 1000);
        };
        game_.SetClocks(seconds(wtime), seconds(btime));
        // The planning counts the moves left as MovesPerControl less the moves
        // played, plus one.
        const int64_t to_go = go_value(words, "movestogo", 0).value_or(0);
        const int moves =
            to_go > 0 ? static_cast<int>(std::min<int64_t>(to_go, 10000)) + game_.Driver().MoveNumber() - 1
                      : 0;
        game_.SetTimeControl(moves, std::nullopt, std::nullopt);
        // The budget is a hard stop, and so is a share of the clock: the
        // planning ends a search only after an iteration, and the next one
        // often takes many budgets, which a clock shared by 40 moves cannot bear.
        limits.budget_is_hard = true;
        limits.hard_ms = static_cast<double>(std::max<int64_t>(*my_time, 0) / CLOCK_SHARE);
    }
    if (movetime) limits.hard_ms = *movetime > 0 ? movetime_limit(*movetime) : 0;
    if (nodes) {
        if (*nodes > 0)
            limits.nodes = static_cast<uint64_t>(*nodes);
        else
            limits.hard_ms = 0; // nothing to search: the answer comes at once
    }
    return limits;
}

void TUciControl::OnGo(const Words& words) {
    if (searching_) game_.AbandonSearch();
    reported_ = 0;
    held_answer_.clear();
    searching_ = true;
    if (!position_ok_) {
        // The last "position" was refused: there is no position to search.
        infinite_ = false;
        Answer("0000");
        return;
    }
    BackToPosition();
    const SearchLimits limits = ParseGo(words);
    const GameOutcome outcome = game_.Go(limits);
    if (outcome != GameOutcome::None) {
        if (outcome == GameOutcome::TooManyPieces) Write("info string too many pieces");
        reported_ = game_.Driver().IterationsFinished(); // those are an earlier search's
        infinite_ = false;
        Answer("0000");
    }
}

void TUciControl::OnStop(const Words&) {
    if (!searching_) return;
    if (!held_answer_.empty()) {
        const std::string answer = held_answer_;
        held_answer_.clear();
        Answer(answer);
        return;
    }
    // The search ends within a few milliseconds and its move is played and
    // answered before this returns, so that whatever the interface sends next
    // finds the "go" settled.
    infinite_ = false;
    game_.MoveNow();
}

void TUciControl::InputEnded() {
    if (!searching_) return;
    if (infinite_ || !held_answer_.empty())
        OnStop({});
    else
        game_.AnswerWithin(INPUT_END_GRACE_MS);
}

void TUciControl::Tick() {
    if (searching_) ReportIterations();
}

void TUciControl::ReportIterations() {
    TEngineDriver& driver = game_.Driver();
    const uint32_t finished = driver.IterationsFinished();
    if (finished > reported_ + ITERATION_RECORDS) reported_ = finished - ITERATION_RECORDS;
    const int64_t ms = std::max<int64_t>(static_cast<int64_t>(driver.MillisecondsSinceStart()), 1);
    for (; reported_ < finished; ++reported_) {
        const IterationRecord& record = driver.Iteration(reported_);
        Write("info depth " + std::to_string(record.depth) + " score " + ScoreText(record.score) + " nodes " +
              std::to_string(record.nodes) + " nps " + std::to_string(record.nodes * 1000LL / ms) + " time " +
              std::to_string(ms) + " pv " + UciMove(record.move));
    }
}

void TUciControl::Answer(const std::string& uci_move) {
    ReportIterations();
    searching_ = false;
    infinite_ = false;
    game_.SetHold(true);
    Write("bestmove " + uci_move);
}

void TUciControl::EngineMoved(const std::string& move, GameOutcome) {
    if (!searching_) return;
    const std::string uci = move.empty() ? "0000" : UciMove(move);
    if (!move.empty()) played_.push_back(uci); // the board has played it
    if (infinite_) {
        held_answer_ = uci;
        return;
    }
    Answer(uci);
}

void TUciControl::SearchStopped() {
    // The window's Stop: the answer is the best move so far.
    if (!searching_) return;
    const std::string best = game_.Driver().BestMoveSoFar();
    Answer(best.empty() ? "0000" : UciMove(best));
}

} // namespace galvetta
