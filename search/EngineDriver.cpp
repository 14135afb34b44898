// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/EngineDriver.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/engine_run.h"
#include "engine/loader.h"
#include "engine/perft.h"
#include "notation/Move.h"
#include "notation/PositionText.h"
#include "notation/San.h"
#include "notation/Score.h"
#include "notation/Words.h"

namespace galvetta {

namespace {

constexpr const char* PLACEHOLDER_POSITION =
    "TCADRACTOOOOOOOO--------------------------------ooooooootcadractB-++++";

uint32_t load_relaxed(uint32_t& word) {
    return std::atomic_ref<uint32_t>(word).load(std::memory_order_relaxed);
}
void store_relaxed(uint32_t& word, uint32_t value) {
    std::atomic_ref<uint32_t>(word).store(value, std::memory_order_relaxed);
}

// A line as the engine published it, cut at the first move that is not legal
// from `position` (a leaf's pick is generated, not tried).
std::vector<Move> legal_line(const std::string& position, const LineMove* moves, uint32_t length) {
    std::vector<Move> line;
    std::string now = position;
    for (uint32_t i = 0; i < length; ++i) {
        const Move move = Move::FromLine(moves[i]);
        const std::vector<LegalMove> legal = LegalMoves(now);
        const auto found = std::find_if(legal.begin(), legal.end(), [&move](const LegalMove& m) {
            return m.from == move.from && m.to == move.to && m.promotion == move.promotion;
        });
        if (found == legal.end()) break;
        line.push_back(move);
        now = PositionAfter(now, *found);
    }
    return line;
}

} // namespace

namespace {

// Each statistics report starts so; the statistics keep about this many
// characters of the newest reports.
constexpr const char* REPORT_START = "\r\n---------------------";
constexpr size_t STATISTICS_LIMIT = 32 * 1024;

} // namespace

TEngineDriver::TEngineDriver() : Block(std::make_unique<StateBlock>()), watch_(*Block) {
    new_header(Block.get(), PLACEHOLDER_POSITION);
}

TEngineDriver::~TEngineDriver() {
    watch_.Drop();
    JoinSearch();
}

void TEngineDriver::JoinSearch() {
    if (thread_.joinable()) thread_.join();
    watch_.End();
    Block->header.thread_handle = 0;
}

void TEngineDriver::SetPosition(std::string_view position) {
    write_position_text(Block.get(), position);
}

std::string TEngineDriver::PositionText() const {
    return std::string(Block->header.position_text,
                       strnlen(Block->header.position_text, sizeof Block->header.position_text));
}

std::optional<Move> TEngineDriver::LeftMove() const {
    return Move::Parse(std::string_view(Block->header.move_text,
                                        strnlen(Block->header.move_text, sizeof Block->header.move_text)));
}

void TEngineDriver::ClearMoveText() {
    Block->header.move_text[0] = '\0';
}

int32_t TEngineDriver::PositionScore() const {
    return ScoreOfPosition(Block->header.best_score, root_value_);
}

bool TEngineDriver::FoundMate() const {
    return Block->header.best_score >= Block->header.mate_score;
}

void TEngineDriver::SetSearchEnded(std::function<void()> search_ended) {
    std::lock_guard<std::mutex> lock(ended_mutex_);
    search_ended_ = std::move(search_ended);
}

void TEngineDriver::StopSearch() {
    watch_.Drop();
}

bool TEngineDriver::AbandonSearch() {
    StopSearch();
    if (!thread_.joinable()) return false;
    JoinSearch();
    collected_end_ = SearchEnd::Dropped;
    return true;
}

void TEngineDriver::CutSearch() {
    watch_.Cut();
}

void TEngineDriver::CutWithin(double ms) {
    if (SearchRunning())
        watch_.CutBy(std::chrono::steady_clock::now() +
                     std::chrono::microseconds(static_cast<int64_t>(ms * 1000)));
}

void TEngineDriver::ResetSearchFlags() {
    watch_.Clear();
}

void TEngineDriver::SetSearchLimits(const SearchLimits& limits) {
    limits_ = limits;
    book_move_.clear();
    std::vector<LineMove> only;
    for (const Move& move : limits.search_moves)
        only.push_back(move.ToLine());
    SetRootFilter(only, true);
    BudgetMs = limits.budget_ms;
    Header& header = Block->header;
    const int step = limits.depth_step > 0 ? limits.depth_step : PLANNED_DEPTH_STEP;
    header.max_depth = limits.depth;
    header.depth_step = step;
    header.start_depth = std::min(limits.depth, step);
    // The engine keeps the node limit itself, to the node.
    header.node_limit = static_cast<uint32_t>(std::min<uint64_t>(limits.nodes, UINT32_MAX));
    header.nodes = 1;
    store_relaxed(header.generated_moves[0], 1);
    store_relaxed(header.generated_moves[1], 0);
}

void TEngineDriver::StartSearch() {
    if (thread_.joinable()) {
        // The old search's position is gone: end it and drop its result.
        const bool stop = watch_.StopRequested();
        watch_.Drop();
        JoinSearch();
        if (!stop) watch_.Clear();
    }
    start_time_ = std::chrono::steady_clock::now();
    std::atomic_ref<uint32_t>(Block->iteration_log.count).store(0, std::memory_order_relaxed);
    thread_done_.store(false, std::memory_order_relaxed);
    collected_end_ = SearchEnd::Complete;
    Block->header.thread_handle = 1;
    root_position_ = Block->header.position_text;
    root_value_ = PositionValue(root_position_);
    reported_ = 0;
    {
        std::lock_guard<std::mutex> lock(lines_mutex_);
        line_reports_.clear();
        taken_ = 0;
    }
    watch_.Begin(limits_, start_time_);
    thread_ = std::thread([this] {
        // A higher priority where the system allows it (quietly none where it
        // does not), the search, then the wake-up.
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), -5);
        RunSearch();
        thread_done_.store(true, std::memory_order_release);
        std::lock_guard<std::mutex> lock(ended_mutex_);
        if (search_ended_) search_ended_();
    });
}

void TEngineDriver::SetRootFilter(const std::vector<LineMove>& moves, bool only) {
    RootFilter& filter = Block->root_filter;
    filter.count = static_cast<uint32_t>(std::min<size_t>(moves.size(), ROOT_FILTER_MOVES));
    filter.only = only ? 1 : 0;
    std::copy_n(moves.begin(), filter.count, filter.moves);
}

void TEngineDriver::StartBookMove(const Move& move) {
    planning_generated_[0] = load_relaxed(Block->header.generated_moves[0]);
    planning_generated_[1] = load_relaxed(Block->header.generated_moves[1]);
    planning_elapsed_ = ElapsedMs;
    SetSearchLimits(SearchLimits{});
    book_move_ = move.EngineText();
    StartSearch();
}

void TEngineDriver::RunSearch() {
    if (!book_move_.empty()) {
        Header& header = Block->header;
        std::memcpy(header.move_text, book_move_.c_str(), book_move_.size() + 1);
        header.best_score = 0;
        header.nodes = 0;
        header.error_flag = 0;
        header.score_unit = SCORE_UNIT;
        header.mate_score = MATE_SCORE;
        std::atomic_ref<uint32_t>(header.generated_moves[0]).store(0, std::memory_order_relaxed);
        std::atomic_ref<uint32_t>(header.generated_moves[1]).store(0, std::memory_order_relaxed);
        header.played_moves[0] = header.played_moves[1] = 0;
        return;
    }
    if (limits_.lines <= 1)
        engine_thread(Block.get());
    else
        SearchLines();
}

void TEngineDriver::SearchLines() {
    // For each depth, a run for each line, the first moves of the lines
    // before it left out: each run deepens from 1 to that depth, so that its
    // root moves are ordered as in any search.
    Header& header = Block->header;
    const int deepest = header.max_depth;
    std::vector<LineMove> searched;
    for (const Move& move : limits_.search_moves)
        searched.push_back(move.ToLine());
    uint64_t nodes = 0;
    std::optional<SearchReport> best;
    for (int depth = 1; depth <= deepest; ++depth) {
        std::vector<LineMove> firsts;
        std::vector<SearchReport> lines;
        for (int number = 1; number <= limits_.lines; ++number) {
            std::vector<LineMove> allowed = searched;
            if (!searched.empty())
                std::erase_if(allowed, [&firsts](LineMove m) {
                    return std::find(firsts.begin(), firsts.end(), m) != firsts.end();
                });
            if (!searched.empty() && allowed.empty()) break;
            SetRootFilter(searched.empty() ? firsts : allowed, !searched.empty());
            // Each run counts its nodes afresh: it gets what the limit leaves.
            if (limits_.nodes > 0) {
                if (nodes >= limits_.nodes) break;
                header.node_limit =
                    static_cast<uint32_t>(std::min<uint64_t>(limits_.nodes - nodes, UINT32_MAX));
            }
            header.start_depth = 1;
            header.depth_step = 1;
            header.max_depth = depth;
            engine_run(Block.get());
            if (watch_.StopRequested() || header.move_text[0] == '\0') break;
            const uint32_t count = IterationsFinished();
            if (count == 0) break;
            SearchReport report = ReportOf(Iteration(count - 1), nodes);
            nodes += header.nodes;
            report.nodes = nodes;
            report.line_number = number;
            if (report.line.empty()) break;
            firsts.push_back(report.line.front().ToLine());
            lines.push_back(std::move(report));
        }
        if (watch_.StopRequested() || lines.empty()) break;
        best = lines.front();
        {
            std::lock_guard<std::mutex> lock(lines_mutex_);
            line_reports_.insert(line_reports_.end(), lines.begin(), lines.end());
        }
        if (std::atomic_ref<uint32_t>(header.finish_request).load(std::memory_order_relaxed) & 1) break;
    }
    SetRootFilter({}, false);
    // The answer is the deepest finished depth's first line.
    header.move_text[0] = '\0';
    if (best) {
        const std::string move = best->line.front().EngineText();
        std::memcpy(header.move_text, move.c_str(), move.size() + 1);
        header.best_score = ScoreFromRoot(best->score, root_value_); // the block counts from the root
    }
}

SearchReport TEngineDriver::ReportOf(const IterationRecord& record, uint64_t nodes_before) const {
    SearchReport report;
    report.depth = record.depth;
    report.seldepth = record.seldepth;
    report.score = ScoreOfPosition(record.score, root_value_);
    report.nodes = nodes_before + record.nodes;
    const std::chrono::steady_clock::time_point finished{std::chrono::nanoseconds(record.finished)};
    report.ms = std::chrono::duration<double, std::milli>(finished - start_time_).count();
    report.line = legal_line(root_position_, record.line, std::min<uint32_t>(record.line_length, LINE_MOVES));
    // The line starts with the iteration's move, whatever the table kept.
    const std::optional<Move> move = Move::Parse(record.move);
    if (move && (report.line.empty() || !(report.line.front() == *move))) report.line = {*move};
    return report;
}

std::vector<SearchReport> TEngineDriver::TakeReports() {
    std::vector<SearchReport> reports;
    if (limits_.lines > 1) {
        std::lock_guard<std::mutex> lock(lines_mutex_);
        reports.assign(line_reports_.begin() + static_cast<std::ptrdiff_t>(taken_), line_reports_.end());
        taken_ = line_reports_.size();
        return reports;
    }
    const uint32_t finished = IterationsFinished();
    if (finished > reported_ + ITERATION_RECORDS) reported_ = finished - ITERATION_RECORDS;
    for (; reported_ < finished; ++reported_)
        reports.push_back(ReportOf(Iteration(reported_), 0));
    return reports;
}

std::optional<SearchReport> TEngineDriver::LastReport() const {
    if (limits_.lines > 1) {
        std::lock_guard<std::mutex> lock(lines_mutex_);
        for (auto it = line_reports_.rbegin(); it != line_reports_.rend(); ++it)
            if (it->line_number == 1) return *it;
        return std::nullopt;
    }
    const uint32_t finished = IterationsFinished();
    if (finished == 0) return std::nullopt;
    return ReportOf(Iteration(finished - 1), 0);
}

void TEngineDriver::RetargetSearch(const SearchLimits& limits) {
    // The search thread reads limits_ (its lines and moves), which a ponder
    // hit leaves as they are: only the watch learns the new limits, the
    // depth among them, since the engine's own depth was set at the start.
    watch_.Retarget(limits, std::chrono::steady_clock::now(), true);
}

bool TEngineDriver::SearchFinished(bool wait) {
    if (!thread_.joinable()) return false;
    if (!wait && !thread_done_.load(std::memory_order_acquire)) return false;
    JoinSearch();
    switch (watch_.StopCause()) {
    case TSearchWatch::Cause::Dropped: collected_end_ = SearchEnd::Dropped; break;
    case TSearchWatch::Cause::Cut: collected_end_ = SearchEnd::Cut; break;
    case TSearchWatch::Cause::None:
        // A stop request from before the search (the design's StopSearch) drops
        // it too; a search that stopped at its node limit is answered with its
        // last finished iteration.
        if (watch_.StopRequested())
            collected_end_ = SearchEnd::Dropped;
        else if (limits_.nodes > 0 && Block->header.move_text[0] == '\0')
            collected_end_ = SearchEnd::Cut;
        else
            collected_end_ = SearchEnd::Complete;
        break;
    }
    return true;
}

std::optional<Move> TEngineDriver::BestMoveSoFar() const {
    const std::optional<SearchReport> last = LastReport();
    if (last && !last->line.empty()) return last->line.front();
    return QuickMove(root_position_);
}

bool TEngineDriver::TakeLastIteration() {
    Header& header = Block->header;
    // A search that completed after all left its own result.
    if (header.move_text[0] != '\0') return true;
    const std::optional<SearchReport> last = LastReport();
    std::optional<Move> move;
    if (last && !last->line.empty()) {
        move = last->line.front();
        header.best_score = ScoreFromRoot(last->score, root_value_); // the block counts from the root
    } else {
        move = QuickMove(header.position_text);
        header.best_score = 0;
    }
    // The block holds the move as the engine writes it.
    const std::string text = move ? move->EngineText() : std::string();
    std::memset(header.move_text, 0, sizeof header.move_text);
    std::memcpy(header.move_text, text.data(), std::min(text.size(), sizeof header.move_text - 1));
    return move.has_value();
}

int TEngineDriver::IsLegalMove(const std::string& move) {
    auto copy = std::make_unique<StateBlock>();
    new_header(copy.get(), Block->header.position_text);
    std::strncpy(copy->header.move_text, move.c_str(), sizeof copy->header.move_text - 1);
    return is_legal_move(copy.get());
}

std::optional<Move> TEngineDriver::QuickMove(const std::string& position) {
    auto block = std::make_unique<StateBlock>();
    new_header(block.get(), position);
    block->header.max_depth = block->header.start_depth = block->header.depth_step = 1;
    engine_run(block.get());
    return Move::Parse(std::string_view(block->header.move_text,
                                        strnlen(block->header.move_text, sizeof block->header.move_text)));
}

TEngineDriver::GameEnd TEngineDriver::EndOfGame(const std::string& position) {
    auto block = std::make_unique<StateBlock>();
    if (!load_block(block.get(), position)) return GameEnd::None;
    const RootStatus status = root_status(block.get());
    if (status.legal_moves != 0) return GameEnd::None;
    return status.in_check ? GameEnd::Checkmate : GameEnd::Stalemate;
}

double TEngineDriver::GeneratedMoves() const {
    uint32_t* halves = Block->header.generated_moves;
    return load_relaxed(halves[0]) + load_relaxed(halves[1]) * 4294967296.0;
}

double TEngineDriver::PlayedMoves() const {
    const uint32_t* halves = Block->header.played_moves;
    return halves[0] + halves[1] * 4294967296.0;
}

void TEngineDriver::MeasureElapsed() {
    ElapsedMs = static_cast<double>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_time_)
            .count());
}

int TEngineDriver::ApplyEngineMove() {
    char* p = Block->header.position_text;
    const std::string_view text(Block->header.move_text,
                                strnlen(Block->header.move_text, sizeof Block->header.move_text));
    const std::optional<Move> move = Move::Parse(text);
    if (!move || strnlen(p, sizeof Block->header.position_text) <= SIDE_TO_MOVE) return 0;
    // The driver writes '-' for "no en-passant file".
    ApplyMove(p, move->from, move->to, move->promotion, '-');
    p[POSITION_TEXT_LENGTH] = '\0';
    SetMoveNumber(MoveNumber() + 1);
    return 1;
}

void TEngineDriver::MoveTakenBack() {
    // Take-backs past the engine's first move (a set-up's, or the
    // opponent's) leave it at none, never below.
    SetMoveNumber(std::max(MoveNumber() - 1, 0));
}

void TEngineDriver::GameRestarted() {
    StopSearch();
    SetMoveNumber(0);
}

void TEngineDriver::SetMoveNumber(int value) {
    Block->header.move_number = value;
}

uint32_t TEngineDriver::IterationsFinished() const {
    return std::atomic_ref<uint32_t>(Block->iteration_log.count).load(std::memory_order_acquire);
}

const IterationRecord& TEngineDriver::Iteration(uint32_t index) const {
    return Block->iteration_log.records[index % ITERATION_RECORDS];
}

uint32_t TEngineDriver::NodesSoFar() const {
    return load_relaxed(Block->header.nodes);
}

TEngineDriver::MoveReport TEngineDriver::ReportMove(std::string& statistics, std::string& position_memo) {
    Header& h = Block->header;
    MeasureElapsed();
    const std::string move_text(h.move_text, strnlen(h.move_text, sizeof h.move_text));
    const MoveReport answer{LeftMove(), MulDiv(PositionScore(), 1, h.score_unit)};
    if (ElapsedMs == 0) ElapsedMs = 1;
    if (h.nodes == 0) h.nodes = 1;
    if (h.generated_moves[0] == 0 && h.generated_moves[1] == 0) h.generated_moves[0] = 1;
    const int score = answer.score;
    const double generated = GeneratedMoves(), played = PlayedMoves();

    std::string report;
    report += REPORT_START;
    report += "move #" + std::to_string(static_cast<uint32_t>(h.move_number));
    report += "\r\nGalvetta's move: " + move_text + (LastWasBook() ? " (book)" : "");
    report += "\r\nPosition score: " + std::to_string(score);
    report += "\r\nMilliseconds: " + FormatFloat(ElapsedMs);
    report += "\r\nGenerated moves: " + FormatFloat(generated);
    report += "\r\nPlayed moves: " + FormatFloat(played);
    report += "\r\nNumber of Nodes: " + std::to_string(h.nodes);
    report += "\r\nGenerated per node: " + FormatFloat(std::ceil(generated / h.nodes));
    report += "\r\nGenerated per second: " + FormatFloat(std::ceil(generated * 1000 / ElapsedMs));
    report += "\r\nPlayed/Generated: " + FormatFloat(played / generated);
    report += "\r\nNodes/second: " +
              std::to_string(MulDiv(static_cast<int>(h.nodes), 1000, static_cast<int>(ElapsedMs)));
    report += "\r\nError flag: " + std::to_string(static_cast<uint32_t>(h.error_flag));
    statistics = report + statistics;
    // The newest reports are kept; a long session must not grow without end.
    if (statistics.size() > STATISTICS_LIMIT) {
        const size_t last = statistics.rfind(REPORT_START, STATISTICS_LIMIT);
        statistics.resize(last == std::string::npos || last == 0 ? STATISTICS_LIMIT : last);
    }

    ApplyEngineMove();
    position_memo = h.position_text;
    if (LastWasBook()) {
        store_relaxed(h.generated_moves[0], planning_generated_[0]);
        store_relaxed(h.generated_moves[1], planning_generated_[1]);
        ElapsedMs = planning_elapsed_;
    }
    if (h.error_flag != 0 && ErrorBeep) ErrorBeep();
    return answer;
}

} // namespace galvetta
