#include "game/UciControl.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/state_block.h"

#ifndef GALVETTA_VERSION
#define GALVETTA_VERSION "0.0.0"
#endif

namespace galvetta {

namespace {

using Words = std::vector<std::string>;

Words split(const std::string& line) {
    Words words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        const size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// The value after `name` in a "go" line, or `fallback`.
int64_t go_value(const Words& words, std::string_view name, int64_t fallback) {
    for (size_t i = 1; i + 1 < words.size(); ++i) {
        if (words[i] != name) continue;
        try {
            return std::stoll(words[i + 1]);
        } catch (...) {
            return fallback;
        }
    }
    return fallback;
}

bool has_word(const Words& words, std::string_view name) {
    return std::find(words.begin() + 1, words.end(), name) != words.end();
}

// The project version's first three parts: 0.11.0.125 is 0.11.0.
std::string short_version() {
    std::string version = GALVETTA_VERSION;
    if (std::count(version.begin(), version.end(), '.') >= 3) version.erase(version.rfind('.'));
    return version;
}

constexpr int64_t MATE_AT_ROOT = -static_cast<int64_t>(VALUE_ILLEGAL); // mate found at ply 0
constexpr int64_t LONGEST_MATE = 512;                                  // plies

} // namespace

TUciControl::TUciControl(TGame& game, GameView& view, std::function<void(const std::string&)> write_line)
    : game_(game), view_(view), write_line_(std::move(write_line)) {}

TUciControl::~TUciControl() {
    alarm_.Cancel();
}

std::string TUciControl::UciMove(std::string_view m) {
    if (m.size() < 4) return "0000";
    const size_t to = (m[2] == '-' || m[2] == 'x') ? 3 : 2;
    if (m.size() < to + 2) return "0000";
    std::string uci{m.substr(0, 2)};
    uci += m.substr(to, 2);
    size_t letter = to + 2;
    if (letter < m.size() && m[letter] == '=') ++letter;
    if (letter < m.size() && std::strchr("qrbnQRBN", m[letter]) != nullptr)
        uci += static_cast<char>(std::tolower(static_cast<unsigned char>(m[letter])));
    return uci;
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

void TUciControl::Interpret(const std::string& line) {
    const Words words = split(line);
    if (words.empty()) return;
    const std::string& command = words[0];
    if (command == "uci")
        OnUci();
    else if (command == "isready")
        Write("readyok");
    else if (command == "ucinewgame")
        OnNewGame();
    else if (command == "position")
        OnPosition(words);
    else if (command == "go")
        OnGo(words);
    else if (command == "stop")
        OnStop();
    else if (command == "quit")
        view_.CloseRequested();
    else if (command != "setoption" && command != "ponderhit" && command != "debug" && command != "register")
        Write("info string unknown command: " + line);
}

void TUciControl::OnUci() {
    Write("id name Galvetta " + short_version());
    Write("id author the Galvetta developers");
    Write("uciok");
}

void TUciControl::OnNewGame() {
    alarm_.Cancel();
    searching_ = false;
    held_answer_.clear();
    game_.NewGame();
    game_.SetHold(true);
    start_.clear();
    moves_.clear();
}

void TUciControl::OnPosition(const Words& words) {
    if (words.size() < 2) return;
    size_t next = 2;
    std::string start;
    if (words[1] == "startpos") {
        start = game_.Board().StartingPosition;
    } else if (words[1] == "fen") {
        std::string fen;
        for (; next < words.size() && words[next] != "moves"; ++next)
            fen += (fen.empty() ? "" : " ") + words[next];
        const Parsed<std::string> parsed = FenToPositionText(fen);
        if (!parsed) {
            Write("info string bad position: " + parsed.error);
            return;
        }
        start = *parsed.value;
    } else {
        Write("info string bad position: " + words[1]);
        return;
    }
    const Words moves(words.begin() + std::min(next + 1, words.size()), words.end());

    if (searching_) {
        // The interface moved on without "stop": the search is of no use now.
        alarm_.Cancel();
        game_.AbandonSearch();
        searching_ = false;
    }
    const bool goes_on = start == start_ && moves.size() >= moves_.size() &&
                         std::equal(moves_.begin(), moves_.end(), moves.begin());
    if (!goes_on) {
        game_.NewGameFrom(start);
        start_ = start;
        moves_.clear();
    }
    game_.SetHold(true); // the moves are played, not answered
    for (size_t i = moves_.size(); i < moves.size(); ++i) {
        if (!game_.PlayMove(moves[i])) {
            Write("info string illegal move " + moves[i]);
            break;
        }
        moves_.push_back(moves[i]);
    }
}

void TUciControl::OnGo(const Words& words) {
    if (searching_) {
        alarm_.Cancel();
        game_.AbandonSearch();
    }
    const bool white = game_.Board().Pezzo(SIDE_TO_MOVE) == WHITE_ON_MOVE;
    const int64_t wtime = go_value(words, "wtime", -1), btime = go_value(words, "btime", -1);
    const int64_t my_time = white ? wtime : btime;
    const int64_t movetime = go_value(words, "movetime", 0);
    const int64_t depth = go_value(words, "depth", 0);
    node_limit_ = static_cast<uint64_t>(std::max<int64_t>(go_value(words, "nodes", 0), 0));
    infinite_ = has_word(words, "infinite");
    reported_ = 0;
    held_answer_.clear();

    // On a clock the game's own planning sets depth and budget; otherwise the
    // search goes to the depth asked for, or as deep as it can until stopped.
    const bool on_clock = my_time >= 0 && movetime <= 0 && depth <= 0 && node_limit_ == 0 && !infinite_;
    SearchLimits limits;
    if (!on_clock)
        limits = {static_cast<int>(std::clamp<int64_t>(depth > 0 ? depth : MAX_DEPTH, 1, MAX_DEPTH)), 0.0};
    if (my_time >= 0) {
        game_.SetClocks(static_cast<int>(std::max<int64_t>(wtime, 0) / 1000),
                        static_cast<int>(std::max<int64_t>(btime, 0) / 1000));
        // The planning counts the moves left as MovesPerControl less the moves
        // played, plus one.
        const int64_t to_go = go_value(words, "movestogo", 0);
        const int moves = to_go > 0 ? static_cast<int>(to_go) + game_.Driver().MoveNumber() - 1 : 0;
        game_.SetTimeControl(moves, std::nullopt, std::nullopt);
    }

    const GameOutcome outcome = game_.Go(on_clock ? nullptr : &limits);
    if (outcome != GameOutcome::None) {
        if (outcome == GameOutcome::TooManyPieces) Write("info string too many pieces");
        reported_ = game_.Driver().IterationsFinished(); // those are an earlier search's
        searching_ = true;
        infinite_ = false;
        Answer("0000");
        return;
    }
    searching_ = true;

    // The hard end: the move time less a margin for the stop to take effect,
    // or on a clock the planned budget itself (an eighth of the clock at most):
    // the planning ends a search only after an iteration, and the next one
    // often takes many budgets, which a clock shared by 40 moves cannot bear.
    int64_t hard_ms = 0;
    if (movetime > 0)
        hard_ms = std::max<int64_t>(movetime - std::min<int64_t>(50, movetime / 5), 1);
    else if (on_clock)
        hard_ms = std::max<int64_t>(
            std::min<int64_t>(static_cast<int64_t>(game_.Driver().BudgetMs), my_time / 8), 1);
    if (hard_ms > 0) {
        TEngineDriver* driver = &game_.Driver();
        alarm_.Set(std::chrono::steady_clock::now() + std::chrono::milliseconds(hard_ms),
                   [driver] { driver->RequestStop(); });
    }
}

void TUciControl::OnStop() {
    if (!searching_) return;
    if (!held_answer_.empty()) {
        const std::string answer = held_answer_;
        held_answer_.clear();
        Answer(answer);
        return;
    }
    // The search ends within a few milliseconds; it is answered at once, so
    // that whatever the interface sends next finds the "go" settled.
    game_.AbandonSearch();
    Answer(StoppedMove());
}

void TUciControl::OnTick() {
    if (!searching_) return;
    ReportIterations();
    if (node_limit_ != 0 && game_.Driver().NodesSoFar() >= node_limit_) game_.Driver().RequestStop();
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
    alarm_.Cancel();
    ReportIterations();
    searching_ = false;
    infinite_ = false;
    game_.SetHold(true);
    Write("bestmove " + uci_move);
}

void TUciControl::OnEngineMoved(const std::string& move, GameOutcome) {
    if (!searching_) return;
    const std::string uci = move.empty() ? "0000" : UciMove(move);
    if (!move.empty()) moves_.push_back(uci); // the board has played it
    if (infinite_) {
        held_answer_ = uci;
        return;
    }
    Answer(uci);
}

std::string TUciControl::StoppedMove() {
    TEngineDriver& driver = game_.Driver();
    const uint32_t finished = driver.IterationsFinished();
    if (finished > 0) return UciMove(driver.Iteration(finished - 1).move);
    const std::string quick = TEngineDriver::QuickMove(game_.Board().GetPosition());
    return quick.empty() ? "0000" : UciMove(quick);
}

void TUciControl::OnSearchStopped() {
    if (!searching_) return;
    Answer(StoppedMove());
}

} // namespace galvetta
