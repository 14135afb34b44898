// SPDX-License-Identifier: GPL-3.0-or-later
#include "play/Game.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "engine/loader.h"
#include "notation/Score.h"
#include "notation/Words.h"

namespace galvetta {

namespace {

std::string user_name() {
    const char* name = std::getenv("USER");
    return name != nullptr && *name != '\0' ? name : "Player";
}

std::string host_name() {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 && name[0] != '\0' ? name : "?";
}

} // namespace

TGame::TGame(TBoardModel& board, ChessClock& white, ChessClock& black, GameView& view)
    : board_(board), view_(view), clock_(white, black) {
    board_.AfterMove = [this] { scacchieraAfterMove(); };
    board_.OnValidateMove = [this](bool& legal) { scacchieraValidateMove(legal); };
    board_.OnGameRestarted = [this] { scacchieraGameRestarted(); };
    board_.OnMoveStored = [this] { CheckGameEnd(); };
    settings_.Refused = [this](const std::string& why) {
        view_.NoticeShown(why + "; Galvetta plays without a book");
        if (BookRefused) BookRefused(why);
    };
    CopyBoardToEngine();
}

TGame::~TGame() {
    SaveGame();
    board_.AfterMove = nullptr;
    board_.OnValidateMove = nullptr;
    board_.OnGameRestarted = nullptr;
    board_.OnMoveStored = nullptr;
}

void TGame::SetHold(bool on) {
    hold_ = on;
    view_.ModesChanged();
}
void TGame::SetEditMode(bool on) {
    // An interface sends no rights with a set-up: they follow from the board.
    if (on) {
        AbandonSearch(); // the position it searches is being changed
        clock_.Stop();   // no clock runs while a position is edited
        // A set-up has no pawn that has just gone two squares.
        board_.ClearEnPassant();
    }
    if (edit_mode_ && !on) {
        board_.RightsFromPlacement();
        board_.RestartHistoryHere(); // the game's record starts from the set-up
        record_.Begin();
    }
    edit_mode_ = on;
    view_.ModesChanged();
}
void TGame::SetAutoPlay(bool on) {
    autoplay_ = on;
    view_.ModesChanged();
}

void TGame::CopyBoardToEngine() {
    driver_.SetPosition(board_.GetPosition());
}

void TGame::NewGame() {
    AbandonSearch();
    SaveGame();
    // The next game is a game of its own, saved even when it repeats this one.
    record_.Begin();
    if (result_) {
        result_.reset();
        view_.GameEnded("", "", GameEnd::None);
    }
    board_.ResetGame();
    clock_.Restart();
    SetHold(false);
    SetEditMode(false);
    engine_white_ = false;
    planning_.ResetPlanning();
}

void TGame::NewGameFrom(const std::string& position, int halfmove_clock, int64_t move_number) {
    NewGame();
    record_.Begin(halfmove_clock, move_number);
    board_.StartFrom(position);
}

void TGame::LoadGame(const OpenedGame& opened) {
    const std::vector<std::string>& positions = opened.positions;
    if (positions.empty()) return;
    NewGameFrom(positions.front(), opened.halfmove_clock, opened.move_number);
    for (size_t i = 1; i < positions.size(); ++i)
        board_.AppendPosition(positions[i]);
    record_.BeginRead(opened.header, board_.Positions(), opened.halfmove_clock, opened.move_number);
    const std::string engine = "Galvetta";
    if (opened.white == engine || opened.black == engine)
        engine_white_ = opened.white == engine;
    else
        engine_white_ = board_.Pezzo(SIDE_TO_MOVE) != WHITE_ON_MOVE;
    driver_.GameLoaded(static_cast<int>(positions.size() - 1) / 2);
    CopyBoardToEngine();
    position_memo_ = board_.GetPosition();
    view_.PositionShown(position_memo_);
    CheckGameEnd();
}

PgnGame TGame::Record() const {
    // A game that has ended ends there, whatever was played after.
    // Under an interface the interface is the arbiter: every move it played
    // is kept, and the rule's end counts only where the game stopped there.
    std::vector<std::string> positions = board_.Positions();
    if (result_ && stop_at_game_end_ && result_->plies < positions.size()) positions.resize(result_->plies);
    const std::string& told = record_.InterfaceResult();
    std::string result = told.empty() ? "*" : told, ending = record_.InterfaceComment(), termination;
    const bool ended_here = result_ && (stop_at_game_end_ || result_->plies >= positions.size());
    if (ended_here && told.empty()) {
        result = result_->result;
        ending = result_->reason;
        termination = result_->termination;
    }
    const std::string opponent = record_.OpponentName().empty() ? user_name() : record_.OpponentName();
    const TimeControl& control = clock_.Control();
    return record_.Write(
        positions, result, ending, termination,
        {{"Event", "Galvetta game"},
         {"Site", host_name()},
         {"Date", record_.Date()},
         {"Round", "-"},
         {"White", engine_white_ ? "Galvetta" : opponent},
         {"Black", engine_white_ ? opponent : "Galvetta"},
         {"TimeControl", clock_.ControlKnown()
                             ? TimeControlTag(control.moves, control.base_seconds, control.increment_seconds,
                                              control.seconds_per_move)
                             : "?"}});
}

std::vector<std::optional<MoveEvaluation>> TGame::Evaluations() const {
    return record_.Evaluations(board_.Positions().size());
}

namespace {

// A score (engine units, from the view of White when `for_white`, else
// Black's) as White's evaluation at `depth`.
MoveEvaluation white_view(int32_t score, bool for_white, int depth) {
    const int sign = for_white ? 1 : -1;
    return MoveEvaluation{sign * Centipawns(score), sign * MateMoves(score), depth};
}

} // namespace

void TGame::NoteAnalysis(const SearchReport& report) {
    const std::vector<std::string>& positions = board_.Positions();
    if (positions.empty() || report.line_number > 1 || positions.back() != driver_.RootPosition()) return;
    // The score is the side to move's; the position is after the last ply.
    record_.NoteEvaluation(positions.size() - 1, white_view(report.score, WhiteToMove(), report.depth));
}

std::string TGame::FenAt(size_t index) const {
    const std::vector<std::string>& all = board_.Positions();
    if (all.empty())
        return PositionTextToFen(board_.GetPosition(), record_.StartHalfmoveClock(),
                                 record_.StartMoveNumber());
    return record_.FenAt(all, index);
}

bool TGame::SaveGame() {
    if (!games_file_.IsOpen() || !record_.NeedsAppending(board_.Positions())) return true;
    record_.MarkAppended(board_.Positions(), result_.has_value() && stop_at_game_end_);
    const std::string error = games_file_.Append(WritePgn(Record()));
    if (error.empty()) return true;
    const std::string notice = "The game could not be saved: " + error;
    std::fprintf(stderr, "galvetta: %s\n", notice.c_str());
    view_.NoticeShown(notice);
    return false;
}

bool TGame::PlayMove(const std::string& move) {
    return board_.Move(move);
}

void TGame::TakeBack() {
    AbandonSearch();
    // Nothing to take back: the game stays where it started, set-up or not.
    if (board_.Positions().size() < 2) return;
    driver_.MoveTakenBack();
    board_.MoveBack(1);
    record_.KeepEvaluations(board_.Positions().size());
    clock_.TakenBack(WhiteToMove());
    position_memo_ = board_.GetPosition();
    view_.PositionShown(position_memo_);
    if (result_ && board_.Positions().size() < result_->plies) ReopenGame();
}

void TGame::TakeBackToPerson() {
    // The engine has the move: the person's last move goes; else the
    // engine's reply too.
    const bool engine_to_move = (board_.Pezzo(SIDE_TO_MOVE) == WHITE_ON_MOVE) == engine_white_;
    const int plies = engine_to_move || driver_.SearchRunning() ? 1 : 2;
    for (int ply = 0; ply < plies && board_.Positions().size() > 1; ++ply)
        TakeBack();
    clock_.Wait();
}

void TGame::ReopenGame() {
    result_.reset();
    record_.Reopen();
    view_.GameEnded("", "", GameEnd::None);
}

Verdict TGame::Judge() const {
    // The board stores a move's position only after its after-move event.
    std::vector<std::string> positions = board_.Positions();
    if (positions.empty() || positions.back() != board_.GetPosition())
        positions.push_back(board_.GetPosition());
    // No game reaches a position whose side not to move is in check (a
    // set-up with the wrong side on move): nothing is claimed there.
    if (!PlayablePosition(positions.back())) return {};
    return JudgeGame(positions, record_.StartHalfmoveClock());
}

bool TGame::CheckGameEnd() {
    if (result_) return true;
    const Verdict verdict = Judge();
    if (!verdict) return false;
    EndGame({verdict.result, verdict.reason, "normal", verdict.end, board_.Positions().size()});
    return true;
}

void TGame::EndGame(GameResult result) {
    result_ = std::move(result);
    if (stop_at_game_end_) {
        AbandonSearch();
        clock_.Stop();
        SetAutoPlay(false);
        SaveGame();
    }
    view_.GameEnded(result_->result, result_->reason, result_->end);
    if (Ended) Ended();
}

void TGame::Resign(bool white) {
    if (result_) return;
    EndGame({white ? "0-1" : "1-0", white ? "White resigns" : "Black resigns", "normal", GameEnd::None,
             board_.Positions().size()});
}

bool TGame::OfferDraw() {
    if (result_) return false;
    const Verdict verdict = Judge();
    const bool by_rule = verdict && verdict.result == "1/2-1/2";
    // The engine's last search: a draw or worse for itself.
    const bool engine_content = driver_.MoveNumber() > 0 && driver_.PositionScore() <= 0;
    if (!by_rule && !engine_content) return false;
    if (by_rule) {
        CheckGameEnd();
        return true;
    }
    EndGame({"1/2-1/2", "Draw agreed", "normal", GameEnd::None, board_.Positions().size()});
    return true;
}

void TGame::SetEngineSide(bool white) {
    SetHold(false);
    engine_white_ = white;
    clock_.Stop();
    if (board_.GetPosition().size() > SIDE_TO_MOVE && !board_.GetLocked())
        board_.Pezzo(SIDE_TO_MOVE) = white ? WHITE_ON_MOVE : BLACK_ON_MOVE;
}

void TGame::Force() {
    AbandonSearch();
    SetHold(true);
    clock_.Stop();
}

GameOutcome TGame::MateOutcome() {
    return board_.Pezzo(SIDE_TO_MOVE) == BLACK_ON_MOVE ? GameOutcome::WhiteMates : GameOutcome::BlackMates;
}

GameOutcome TGame::Go(const SearchLimits& limits) {
    clock_.Stop();
    if (GameOver() && stop_at_game_end_) return GameOutcome::None;
    const std::string& position = board_.GetPosition();
    if (!position_fits(position.c_str())) {
        SetHold(true);
        SetAutoPlay(false);
        return GameOutcome::TooManyPieces;
    }
    // The engine's mate test would read such a position as a stalemate.
    if (!PlayablePosition(position)) {
        SetHold(true);
        SetAutoPlay(false);
        return GameOutcome::IllegalPosition;
    }
    const TEngineDriver::GameEnd end = TEngineDriver::EndOfGame(position);
    if (end != TEngineDriver::GameEnd::None) {
        SetAutoPlay(false);
        CheckGameEnd();
        return end == TEngineDriver::GameEnd::Stalemate ? GameOutcome::Stalemate : MateOutcome();
    }
    SetHold(false);
    engine_white_ = board_.Pezzo(SIDE_TO_MOVE) == WHITE_ON_MOVE;
    // Only a game on the clock runs the clocks.
    ShowPersonsClock();
    if (limits.planned) clock_.Start(engine_white_);
    Think(false, limits);
    return GameOutcome::None;
}

PlanOutcome TGame::Plan(const SearchLimits& limits) {
    // A UCI clock has its own share; everything else, the design's planning.
    if (limits.clock) return PlanClock(*limits.clock);
    const PlanInput input{.move_number = driver_.MoveNumber(),
                          .generated = driver_.GeneratedMoves(),
                          .elapsed_ms = driver_.ElapsedMs,
                          .moves_per_control = clock_.Control().moves,
                          .seconds_per_move = clock_.Control().seconds_per_move,
                          .my_seconds = static_cast<int>(clock_.Remaining(engine_white_) / 1000),
                          .opponent_seconds = static_cast<int>(clock_.Remaining(!engine_white_) / 1000)};
    return PlanSearch(planning_, input);
}

SearchLimits TGame::PlanLimits(const SearchLimits& given, bool started) {
    SearchLimits limits = given;
    if (!limits.planned) return limits;
    // A person's untimed game: the engine searches to the depth chosen.
    const int cap = settings_.Options().depth_cap;
    if (stop_at_game_end_ && clock_.Control().Untimed() && !limits.clock) {
        if (!started && limits.depth <= 0) limits.depth = cap > 0 ? cap : UNTIMED_DEPTH;
        limits.budget_ms = 0;
        limits.hard_ms = -1;
        return limits;
    }
    const PlanOutcome plan = Plan(limits);
    if (!started) {
        if (limits.depth <= 0) limits.depth = plan.depth;
        if (cap > 0) limits.depth = std::min(limits.depth, cap);
        // The depth shown is the one searched.
        view_.PlanningShown(plan.predicted_moves, plan.predicted_ms, limits.depth);
    }
    limits.budget_ms = plan.budget_ms;
    // Whatever the planning chose, the engine's clock is a hard floor.
    limits.hard_ms = limits.hard_ms >= 0 ? std::min(limits.hard_ms, plan.hard_ms) : plan.hard_ms;
    return limits;
}

void TGame::Think(bool from_board, const SearchLimits& limits) {
    board_.SetLocked(true);
    // A search still running belongs to a position that is gone.
    analyzing_ = false;
    if (driver_.SearchRunning()) driver_.AbandonSearch();
    driver_.ResetSearchFlags();
    CopyBoardToEngine();
    if (from_board) {
        const std::string played = board_.GetLastMove();
        board_.Move(played); // refused: the move is already on the board
        ClockAfterMove();
    }
    driver_.ClearMoveText();
    // A game that is over has no move left to find.
    if (GameOver() && stop_at_game_end_) {
        board_.SetLocked(false);
        return;
    }
    // Held back, the engine plans nothing: a plan without its search would
    // count a search that never ran in the planning's statistics, and the
    // next plan, seeing no moves generated, would go far too deep.
    if (hold_ || edit_mode_) {
        board_.SetLocked(false);
        return;
    }
    // Several lines asked for are an analysis of their own: no book then.
    if (limits.lines <= 1)
        if (const std::optional<Move> move = settings_.BookMove(board_.GetPosition(), limits.search_moves)) {
            driver_.StartBookMove(*move);
            return;
        }
    driver_.SetSearchLimits(PlanLimits(limits));
    driver_.StartSearch();
}

void TGame::Stop() {
    clock_.Stop();
    driver_.StopSearch();
}

void TGame::Analyze(const SearchLimits& limits) {
    if (driver_.SearchRunning()) AbandonSearch();
    driver_.ResetSearchFlags();
    CopyBoardToEngine();
    driver_.ClearMoveText();
    SearchLimits analysis = limits;
    analysis.planned = false;
    driver_.SetSearchLimits(analysis);
    analyzing_ = true;
    driver_.StartSearch();
}

std::optional<Move> TGame::StopAnalysis() {
    if (!analyzing_) return std::nullopt;
    driver_.CutSearch();
    driver_.SearchFinished(true);
    analyzing_ = false;
    // A search that ended by itself left its move; a cut one has its last iteration's.
    const std::optional<Move> finished = driver_.LeftMove();
    return finished ? finished : driver_.BestMoveSoFar();
}

void TGame::Retarget(const SearchLimits& limits) {
    if (!driver_.SearchRunning()) return;
    driver_.RetargetSearch(PlanLimits(limits, true));
}

void TGame::MoveNow() {
    if (!driver_.SearchRunning()) return;
    driver_.CutSearch();
    if (driver_.SearchFinished(true)) CollectSearch();
}

void TGame::AbandonSearch() {
    analyzing_ = false;
    if (driver_.AbandonSearch()) board_.SetLocked(false);
}

void TGame::SetTimeControl(int moves, std::optional<int> base_seconds, std::optional<int> increment_seconds) {
    TimeControl control = clock_.Control();
    control.moves = moves;
    if (base_seconds) {
        control.base_seconds = *base_seconds;
        if (increment_seconds) {
            control.increment_seconds = *increment_seconds;
            control.seconds_per_move = 0;
        }
    }
    clock_.SetControl(control);
}

void TGame::SetSecondsPerMove(double seconds) {
    clock_.SetControl(TimeControl{.seconds_per_move = seconds});
}

bool TGame::WhiteToMove() const {
    const std::string& position = board_.GetPosition();
    return position.size() > SIDE_TO_MOVE && position[SIDE_TO_MOVE] == WHITE_ON_MOVE;
}

bool TGame::SideToMoveCanMove() const {
    return TEngineDriver::EndOfGame(board_.GetPosition()) == TEngineDriver::GameEnd::None;
}

void TGame::ClockAfterMove() {
    ShowPersonsClock();
    clock_.Moved(!WhiteToMove());
}

void TGame::ShowPersonsClock() {
    // In a person's game a time a move is the engine's: the person plays
    // on no clock.
    const bool per_move = clock_.Control().seconds_per_move > 0;
    clock_.SetUntimedSide(stop_at_game_end_ && per_move ? std::optional<bool>(!engine_white_) : std::nullopt);
}

void TGame::ClearStatistics() {
    statistics_.clear();
    view_.StatisticsChanged(statistics_);
}

void TGame::ResumeClocks() {
    if (!GameOver()) clock_.Resume(WhiteToMove());
}

void TGame::SetTimeControl(const TimeControl& control) {
    clock_.SetControl(control);
    ShowPersonsClock();
}

bool TGame::ValidPromotion(const std::string& move) {
    // Only a pawn reaching its last rank promotes, and only to Q, R, B or N.
    const int from = TBoardModel::IndiceCasa(move);
    const int to = TBoardModel::IndiceCasa(move.size() > 2 ? move.substr(2) : std::string());
    if (from < 0 || from > 63 || to < 0 || to > 63) return true; // the engine refuses these
    const char piece = board_.Pezzo(from);
    const bool pawn_to_last_rank = (piece == 'p' && to < 8) || (piece == 'P' && to >= 56);
    if (move.size() < 5) return !pawn_to_last_rank;
    return pawn_to_last_rank && std::strchr("qrbnQRBN", move[4]) != nullptr;
}

void TGame::scacchieraValidateMove(bool& move_is_legal) {
    // An analysis runs on the engine's block: the person's move ends it.
    if (analyzing_) AbandonSearch();
    // A game over stays as it ended.
    if (GameOver() && stop_at_game_end_) {
        move_is_legal = false;
        return;
    }
    CopyBoardToEngine();
    const std::string& move = board_.GetLastMove();
    move_is_legal = ValidPromotion(move) && driver_.IsLegalMove(move) != 0;
}

void TGame::scacchieraAfterMove() {
    // A move that ends the game gets no answer; the game ends once the board
    // has stored it.
    if (stop_at_game_end_ && Judge()) {
        board_.SetLocked(false);
        return;
    }
    Think(true);
}

void TGame::scacchieraGameRestarted() {
    driver_.GameRestarted();
}

void TGame::CollectSearch() {
    if (analyzing_) {
        analyzing_ = false;
        board_.SetLocked(false);
        if (AnalysisEnded) AnalysisEnded();
        return;
    }
    const TEngineDriver::SearchEnd end = driver_.LastSearchEnd();
    if (end == TEngineDriver::SearchEnd::Dropped) {
        // A stopped search leaves no move worth playing: drop it.
        board_.SetLocked(false);
        if (SearchStopped) SearchStopped();
        return;
    }
    // Cut short at a limit: the last finished iteration answers.
    if (end == TEngineDriver::SearchEnd::Cut) driver_.TakeLastIteration();
    const auto [move, score] = driver_.ReportMove(statistics_, position_memo_);
    view_.EngineMoveShown(move);
    view_.StatisticsChanged(statistics_);
    view_.PositionShown(position_memo_);
    if (score < -1000 || score > 1000) SetAutoPlay(false);
    board_.SetPosition(driver_.PositionText());
    board_.StorePosition();
    // The engine's evaluation after its move, its own view made White's.
    if (const std::optional<SearchReport> last = driver_.LastReport(); last && !driver_.LastWasBook())
        record_.NoteEvaluation(board_.Positions().size() - 1,
                               white_view(driver_.PositionScore(), !WhiteToMove(), last->depth));
    board_.SetLocked(false);
    GameOutcome outcome = GameOutcome::None;
    ClockAfterMove();
    if (driver_.FoundMate()) {
        statistics_ += "\r\n*** MATE ***";
        view_.StatisticsChanged(statistics_);
        SetAutoPlay(false);
        clock_.Stop();
        outcome = MateOutcome();
    }
    CheckGameEnd();
    if (EngineMoved) EngineMoved(move, outcome);
}

bool TGame::Tick() {
    // The flag falls: in a game of its own the window ends it; under an
    // interface the interface judges.
    if (clock_.Tick() && stop_at_game_end_ && !result_) {
        const bool white = *clock_.Fallen();
        EndGame({white ? "0-1" : "1-0", white ? "White loses on time" : "Black loses on time", "time forfeit",
                 GameEnd::None, board_.Positions().size()});
    }
    const bool second = --tick_counter_ <= 0;
    if (second) {
        tick_counter_ = 10;
        // The planning reads the last search's time; a search that is never
        // reported still counts for as long as it ran.
        if (driver_.SearchRunning()) driver_.MeasureElapsed();
    }
    return second;
}

void TGame::ShowGeneratedMoves() {
    if (driver_.SearchRunning()) view_.GeneratedMovesShown(FormatFloat(driver_.GeneratedMoves()));
}

void TGame::CollectFinishedSearch() {
    if (driver_.SearchFinished()) CollectSearch();
}

} // namespace galvetta
