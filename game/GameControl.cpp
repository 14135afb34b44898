#include "game/GameControl.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "engine/loader.h"
#include "game/StandardInputThread.h"

namespace galvetta {

namespace {

using Words = std::vector<std::string>;

// A protocol line cut into words at every blank; a blank that ends the line
// stays in the last word ("go " is not "go").
Words split_words(const std::string& line) {
    Words words(1);
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ' ' && i + 1 < line.size())
            words.emplace_back();
        else
            words.back() += line[i];
    }
    return words;
}

struct MissingArgument {};

const std::string& word(const Words& words, size_t index) {
    if (index >= words.size()) throw MissingArgument{};
    return words[index];
}

// The result line of a mate, from the side to move in the mated position.
const char* MateLine(char side_to_move) {
    return side_to_move == BLACK_ON_MOVE ? "1-0 {White mates}" : "0-1 {Black mates}";
}

void write_stdout(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

TGameControl::TGameControl(TBoardModel& board, ChessClock& white, ChessClock& black, GameView& view,
                           TStandardInputThread* reader)
    : WriteLine(write_stdout), board_(board), white_(white), black_(black), view_(view), reader_(reader),
      driver_(&white) {
    board_.AfterMove = [this] { scacchieraAfterMove(); };
    board_.OnValidateMove = [this](bool& legal) { scacchieraValidateMove(legal); };
    board_.OnGameRestarted = [this] { scacchieraGameRestarted(); };
    CopyBoardToEngine();
}

TGameControl::~TGameControl() {
    board_.AfterMove = nullptr;
    board_.OnValidateMove = nullptr;
    board_.OnGameRestarted = nullptr;
}

int TGameControl::StrToIntDef(const std::string& text, int fallback) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (i == text.size()) return fallback;
    long long value = 0;
    for (size_t j = i; j < text.size(); ++j) {
        if (text[j] < '0' || text[j] > '9') return fallback;
        value = value * 10 + (text[j] - '0');
        if (value > 2147483648LL) return fallback;
    }
    if (text[0] == '-') value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return fallback;
    return static_cast<int>(value);
}

int TGameControl::ParseMinutes(const std::string& text) {
    const size_t colon = text.find(':');
    long long seconds;
    if (colon == std::string::npos)
        seconds = StrToIntDef(text, 0) * 60LL;
    else
        seconds = StrToIntDef(text.substr(0, colon), 0) * 60LL + StrToIntDef(text.substr(colon + 1), 0);
    if (seconds > INT32_MAX || seconds < INT32_MIN) return 0;
    return static_cast<int>(seconds);
}

void TGameControl::SetStatusPanel(const std::string& text, int index) {
    view_.SetStatusPanel(index, text);
}

void TGameControl::SendToInterface(const std::string& line) {
    view_.CommandItemChanged(line);
    if (WriteLine) WriteLine(line);
    view_.SentLineAdded(line);
}

void TGameControl::SetHold(bool on) {
    hold_ = on;
    view_.ModesChanged();
}
void TGameControl::SetEditMode(bool on) {
    // An interface sends no rights with a set-up: they follow from the board.
    if (edit_mode_ && !on) board_.RightsFromPlacement();
    edit_mode_ = on;
    view_.ModesChanged();
}
void TGameControl::SetAutoPlay(bool on) {
    autoplay_ = on;
    view_.ModesChanged();
}

void TGameControl::CopyBoardToEngine() {
    char* text = driver_.Block->header.position_text;
    const std::string& position = board_.GetPosition();
    const size_t n = std::min(position.size(), sizeof driver_.Block->header.position_text - 1);
    std::memcpy(text, position.data(), n);
    text[n] = '\0';
}

int TGameControl::InterpretCommand(const std::string& line) {
    if (line.empty()) return 0;
    const Words words = split_words(line);
    const std::string& command = words[0];
    try {
        if (edit_mode_) {
            if (command == ".")
                SetEditMode(false);
            else
                board_.SetSquare(command);
            return 0;
        }
        if (command == "?") return 0;
        // A move word: its second character sorts before 'A' (a digit, '-', ...).
        if (command.size() < 2 || static_cast<unsigned char>(command[1]) < 'A') {
            if (!board_.Move(command)) SendToInterface("Illegal move: " + command);
            return 0;
        }
        using Handler = void (TGameControl::*)(const Words&);
        static const std::unordered_map<std::string_view, Handler> handlers = {
            {"xboard", &TGameControl::OnXboard},   {"name", &TGameControl::OnName},
            {"rating", &TGameControl::OnRating},   {"computer", &TGameControl::OnComputer},
            {"new", &TGameControl::OnNew},         {"force", &TGameControl::OnForce},
            {"white", &TGameControl::OnSide},      {"black", &TGameControl::OnSide},
            {"go", &TGameControl::OnGo},           {"quit", &TGameControl::OnQuit},
            {"undo", &TGameControl::OnUndo},       {"remove", &TGameControl::OnRemove},
            {"otim", &TGameControl::OnOtim},       {"time", &TGameControl::OnTime},
            {"st", &TGameControl::OnSt},           {"level", &TGameControl::OnLevel},
            {"edit", &TGameControl::OnEdit},       {"draw", &TGameControl::OnIgnored},
            {"hard", &TGameControl::OnIgnored},    {"easy", &TGameControl::OnIgnored},
            {"random", &TGameControl::OnIgnored},  {"sd", &TGameControl::OnIgnored},
            {"result", &TGameControl::OnIgnored},  {"hint", &TGameControl::OnIgnored},
            {"post", &TGameControl::OnIgnored},    {"nopost", &TGameControl::OnIgnored},
            {"analyze", &TGameControl::OnIgnored},
        };
        const auto handler = handlers.find(command);
        if (handler == handlers.end()) {
            SendToInterface("Error (unknown command): " + command);
            return 1;
        }
        (this->*handler->second)(words);
    } catch (const MissingArgument&) {
        // A command without its arguments stops where it was, silently.
    }
    return 0;
}

void TGameControl::OnXboard(const Words&) {
    SetStatusPanel("WinBoard", 0);
}
void TGameControl::OnName(const Words& words) {
    SetStatusPanel(word(words, 1), 1);
}
void TGameControl::OnRating(const Words& words) {
    SetStatusPanel(word(words, 1), 2);
}
void TGameControl::OnComputer(const Words&) {
    SetStatusPanel("computer", 3);
}

void TGameControl::OnNew(const Words&) {
    view_.SentLinesCleared();
    AbandonSearch();
    board_.ResetGame();
    SetHold(false);
    SetEditMode(false);
    EngineWhite = false;
    for (int panel : {1, 2, 3})
        SetStatusPanel("?", panel);
    Planning.ResetPlanning();
    SendToInterface(GREETING);
}

void TGameControl::OnForce(const Words&) {
    AbandonSearch();
    SetHold(true);
    white_.Stop();
}

void TGameControl::OnSide(const Words& words) {
    // As the protocol has it, "white" and "black" also put that side on move;
    // the interface sends them when it sets up a position.
    const bool white = words[0] == "white";
    SetHold(false);
    EngineWhite = white;
    white_.Stop();
    if (board_.GetPosition().size() > SIDE_TO_MOVE && !board_.GetLocked())
        board_.Pezzo(SIDE_TO_MOVE) = white ? WHITE_ON_MOVE : BLACK_ON_MOVE;
}

void TGameControl::OnGo(const Words&) {
    white_.Stop();
    if (!GameCanGoOn()) return;
    SetHold(false);
    EngineWhite = board_.Pezzo(SIDE_TO_MOVE) == WHITE_ON_MOVE;
    white_.Start(!EngineWhite);
    MoveExecute(false);
}

void TGameControl::OnQuit(const Words&) {
    view_.CloseRequested();
}
void TGameControl::OnUndo(const Words&) {
    MoveBackExecute();
}
void TGameControl::OnRemove(const Words&) {
    MoveBackExecute();
    MoveBackExecute();
}

void TGameControl::OnOtim(const Words& words) {
    OpponentClock().Set(StrToIntDef(word(words, 1), 0) / 100, false);
}
void TGameControl::OnTime(const Words& words) {
    EngineClock().Set(StrToIntDef(word(words, 1), 0) / 100, false);
}

void TGameControl::OnSt(const Words& words) {
    // Seconds per move, as every interface sends it; "m:ss" also works.
    const std::string& t = word(words, 1);
    const int seconds = t.find(':') != std::string::npos ? ParseMinutes(t) : StrToIntDef(t, 0);
    driver_.IncrementSeconds = 0;
    driver_.BaseSeconds = 0;
    driver_.MovesPerControl = 0;
    driver_.SecondsPerMove = seconds;
    white_.Set(seconds, true);
}

void TGameControl::OnLevel(const Words& words) {
    // Each argument is stored as it is read: "level 40" sets the moves only.
    driver_.MovesPerControl = StrToIntDef(word(words, 1), 0);
    driver_.BaseSeconds = ParseMinutes(word(words, 2));
    driver_.IncrementSeconds = StrToIntDef(word(words, 3), 0);
    driver_.SecondsPerMove = 0;
    white_.Set(driver_.BaseSeconds, true);
}

void TGameControl::OnEdit(const Words&) {
    AbandonSearch();
    SetEditMode(true);
}

void TGameControl::OnIgnored(const Words&) {
    // Accepted and ignored; a draw offer is never accepted and not answered.
}

void TGameControl::ResetGameExecute() {
    for (const char* line : {"new", "random", "level 0 120 0", "hard"})
        InterpretCommand(line);
}

void TGameControl::AbandonSearch() {
    if (driver_.AbandonSearch()) board_.SetLocked(false);
}

bool TGameControl::GameCanGoOn() {
    const std::string& position = board_.GetPosition();
    if (!position_fits(position.c_str())) {
        // The engine cannot hold the position: say so rather than stay silent.
        SetHold(true);
        SetAutoPlay(false);
        SendToInterface("Error (too many pieces): go");
        return false;
    }
    const TEngineDriver::GameEnd end = TEngineDriver::EndOfGame(position);
    if (end == TEngineDriver::GameEnd::None) return true;
    SetAutoPlay(false);
    if (end == TEngineDriver::GameEnd::Stalemate)
        SendToInterface("1/2-1/2 {Stalemate}");
    else
        SendToInterface(MateLine(board_.Pezzo(SIDE_TO_MOVE)));
    return false;
}

void TGameControl::MoveBackExecute() {
    AbandonSearch();
    --driver_.Block->header.move_number;
    white_.Switch(0);
    board_.MoveBack(1);
    position_memo_ = board_.GetPosition();
    view_.PositionShown(position_memo_);
}

void TGameControl::StopExecute() {
    driver_.StopSearch();
}

void TGameControl::MoveExecute(bool from_board) {
    board_.SetLocked(true);
    // A search still running belongs to a position that is gone.
    if (driver_.SearchRunning()) {
        driver_.StopSearch();
        while (!driver_.SearchFinished())
            std::this_thread::yield();
    }
    driver_.ResetSearchFlags();
    CopyBoardToEngine();
    Header& header = driver_.Block->header;
    if (from_board) {
        std::strncpy(header.move_text, board_.GetLastMove().c_str(), sizeof header.move_text - 1);
        header.move_text[sizeof header.move_text - 1] = '\0';
        board_.Move(header.move_text); // refused: the move is already on the board
        white_.Switch(0);
    }
    header.move_text[0] = '\0';
    const PlanOutcome plan =
        PlanSearch(Planning, driver_, EngineClock().GetValue(), OpponentClock().GetValue());
    view_.PlanningShown(plan.predicted_moves, plan.predicted_ms, plan.depth);
    if (hold_ || edit_mode_) {
        board_.SetLocked(false);
        return;
    }
    driver_.StartSearch();
}

void TGameControl::ExecuteMacro(const std::vector<std::string>& lines) {
    try {
        for (const std::string& line : lines) {
            SendToInterface(line);
            InterpretCommand(line);
        }
    } catch (...) {
        view_.SentLineAdded("*** dde error ***");
    }
}

void TGameControl::PokeCommand(const std::string& text) {
    SendToInterface(text);
}

bool TGameControl::ValidPromotion(const std::string& move) {
    // Only a pawn reaching its last rank promotes, and only to Q, R, B or N.
    const int from = TBoardModel::IndiceCasa(move);
    const int to = TBoardModel::IndiceCasa(move.size() > 2 ? move.substr(2) : std::string());
    if (from < 0 || from > 63 || to < 0 || to > 63) return true; // the engine refuses these
    const char piece = board_.Pezzo(from);
    const bool pawn_to_last_rank = (piece == 'p' && to < 8) || (piece == 'P' && to >= 56);
    if (move.size() < 5) return !pawn_to_last_rank;
    return pawn_to_last_rank && std::strchr("qrbnQRBN", move[4]) != nullptr;
}

void TGameControl::scacchieraValidateMove(bool& move_is_legal) {
    CopyBoardToEngine();
    const std::string& move = board_.GetLastMove();
    move_is_legal = ValidPromotion(move) && driver_.IsLegalMove(move) != 0;
}

void TGameControl::scacchieraAfterMove() {
    MoveExecute(true);
}

void TGameControl::scacchieraGameRestarted() {
    driver_.StopSearch();
    driver_.Block->header.move_number = 0;
}

void TGameControl::CollectSearch() {
    if (driver_.StopWasRequested()) {
        // A stopped search leaves no move worth playing: drop it.
        board_.SetLocked(false);
        return;
    }
    const int score = driver_.ReportMove(move_text_, statistics_, position_memo_);
    view_.EngineMoveShown(move_text_);
    view_.StatisticsChanged(statistics_);
    view_.PositionShown(position_memo_);
    if (score < -1000 || score > 1000) SetAutoPlay(false);
    if (!move_text_.empty()) SendToInterface("move " + move_text_);
    board_.SetPosition(driver_.Block->header.position_text);
    board_.StorePosition();
    board_.SetLocked(false);
    const Header& header = driver_.Block->header;
    if (header.best_score >= header.mate_score) {
        statistics_ += "\r\n*** MATE ***";
        view_.StatisticsChanged(statistics_);
        SetAutoPlay(false);
        white_.Stop();
        SendToInterface(MateLine(board_.Pezzo(SIDE_TO_MOVE)));
    }
    if (autoplay_) InterpretCommand("go");
}

void TGameControl::OnMoveTimer() {
    if (--tick_counter_ <= 0) {
        white_.Tick();
        tick_counter_ = 10;
    }
    // The budget is watched on every tick, so that a short budget is not
    // overrun by up to a second.
    if (driver_.BudgetMs != 0 && driver_.SearchRunning()) {
        driver_.MeasureElapsed();
        if (driver_.ElapsedMs >= driver_.BudgetMs) driver_.RequestFinish();
    }
    if (TakeInputLine()) return;
    if (tick_counter_ == 10 && driver_.SearchRunning())
        view_.GeneratedMovesShown(FormatFloat(driver_.GeneratedMoves()));
    CollectFinishedSearch();
}

bool TGameControl::TakeInputLine() {
    if (reader_ == nullptr || !reader_->NewData()) return false;
    const std::string line = reader_->PopString();
    view_.CommandItemChanged(line);
    view_.ReceivedLineAdded(line);
    if (InterpretCommand(line) != 0) view_.ReceivedLineAdded("???");
    return true;
}

void TGameControl::CollectFinishedSearch() {
    if (driver_.SearchFinished()) CollectSearch();
}

} // namespace galvetta
