#include "game/GameControl.h"

#include <cstdio>
#include <string_view>
#include <unordered_map>

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

void write_stdout(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

TGameControl::TGameControl(TBoardModel& board, ChessClock& white, ChessClock& black, GameView& view,
                           TStandardInputThread* reader)
    : WriteLine(write_stdout), board_(board), view_(view), reader_(reader), game_(board, white, black, view) {
    game_.EngineMoved = [this](const std::string& move, GameOutcome outcome) {
        OnEngineMoved(move, outcome);
    };
}

TGameControl::~TGameControl() = default;

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

void TGameControl::SpeakUci() {
    if (uci_) return;
    uci_ = std::make_unique<TUciControl>(game_, view_,
                                         [this](const std::string& line) { SendToInterface(line); });
    game_.EngineMoved = [this](const std::string& move, GameOutcome outcome) {
        uci_->OnEngineMoved(move, outcome);
    };
    game_.SearchStopped = [this] { uci_->OnSearchStopped(); };
    game_.SetHold(true); // the engine moves on "go" only
}

int TGameControl::InterpretCommand(const std::string& line) {
    if (uci_) {
        uci_->Interpret(line);
        return 0;
    }
    if (line.empty()) return 0;
    const Words words = split_words(line);
    const std::string& command = words[0];
    try {
        if (game_.EditMode()) {
            if (command == ".")
                SetEditMode(false);
            else
                board_.SetSquare(command);
            return 0;
        }
        if (command == "?") return 0;
        // A move word: its second character sorts before 'A' (a digit, '-', ...).
        if (command.size() < 2 || static_cast<unsigned char>(command[1]) < 'A') {
            if (!game_.PlayMove(command)) SendToInterface("Illegal move: " + command);
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
            {"result", &TGameControl::OnResult},   {"hint", &TGameControl::OnIgnored},
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
    game_.OpponentName = word(words, 1);
}
void TGameControl::OnRating(const Words& words) {
    SetStatusPanel(word(words, 1), 2);
}
void TGameControl::OnComputer(const Words&) {
    SetStatusPanel("computer", 3);
}

void TGameControl::OnNew(const Words&) {
    view_.SentLinesCleared();
    game_.NewGame();
    for (int panel : {1, 2, 3})
        SetStatusPanel("?", panel);
    SendToInterface(GREETING);
}

void TGameControl::OnForce(const Words&) {
    game_.Force();
}

void TGameControl::OnSide(const Words& words) {
    // As the protocol has it, "white" and "black" also put that side on move;
    // the interface sends them when it sets up a position.
    game_.SetEngineSide(words[0] == "white");
}

void TGameControl::OnGo(const Words&) {
    const GameOutcome outcome = game_.Go();
    // Rather than stay silent, say why the engine does not move.
    if (outcome != GameOutcome::None) SendToInterface(OutcomeLine(outcome));
}

void TGameControl::OnQuit(const Words&) {
    view_.CloseRequested();
}
void TGameControl::OnUndo(const Words&) {
    game_.TakeBack();
}
void TGameControl::OnRemove(const Words&) {
    game_.TakeBack();
    game_.TakeBack();
}

void TGameControl::OnOtim(const Words& words) {
    game_.SetOpponentClock(StrToIntDef(word(words, 1), 0) / 100);
}
void TGameControl::OnTime(const Words& words) {
    game_.SetEngineClock(StrToIntDef(word(words, 1), 0) / 100);
}

void TGameControl::OnSt(const Words& words) {
    // Seconds per move, as every interface sends it; "m:ss" also works.
    const std::string& t = word(words, 1);
    game_.SetSecondsPerMove(t.find(':') != std::string::npos ? ParseMinutes(t) : StrToIntDef(t, 0));
}

void TGameControl::OnLevel(const Words& words) {
    // Each argument counts as soon as it is read: "level 40" sets the moves only.
    const int moves = StrToIntDef(word(words, 1), 0);
    std::optional<int> base, increment;
    if (words.size() > 2) base = ParseMinutes(words[2]);
    if (words.size() > 3) increment = StrToIntDef(words[3], 0);
    game_.SetTimeControl(moves, base, increment);
}

void TGameControl::OnEdit(const Words&) {
    game_.AbandonSearch();
    game_.SetEditMode(true);
}

void TGameControl::OnResult(const Words& words) {
    // Not answered; the game's record keeps it.
    game_.InterfaceResult = word(words, 1);
}

void TGameControl::OnIgnored(const Words&) {
    // Accepted and ignored; a draw offer is never accepted and not answered.
}

void TGameControl::ResetGameExecute() {
    if (uci_) {
        uci_->Interpret("ucinewgame");
        return;
    }
    for (const char* line : {"new", "random", "level 0 120 0", "hard"})
        InterpretCommand(line);
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

const char* TGameControl::OutcomeLine(GameOutcome outcome) {
    switch (outcome) {
    case GameOutcome::TooManyPieces: return "Error (too many pieces): go";
    case GameOutcome::WhiteMates: return "1-0 {White mates}";
    case GameOutcome::BlackMates: return "0-1 {Black mates}";
    case GameOutcome::Stalemate: return "1/2-1/2 {Stalemate}";
    case GameOutcome::None: break;
    }
    return "";
}

void TGameControl::OnEngineMoved(const std::string& move, GameOutcome outcome) {
    if (!move.empty()) SendToInterface("move " + move);
    if (outcome != GameOutcome::None) SendToInterface(OutcomeLine(outcome));
    if (game_.AutoPlay()) InterpretCommand("go");
}

void TGameControl::OnMoveTimer() {
    const bool second_passed = game_.Tick();
    if (uci_) uci_->OnTick();
    if (TakeInputLine()) return;
    if (second_passed) game_.ShowGeneratedMoves();
    game_.CollectFinishedSearch();
}

bool TGameControl::TakeInputLine() {
    if (reader_ == nullptr || !reader_->NewData()) return false;
    const std::string line = reader_->PopString();
    if (first_line_) {
        first_line_ = false;
        if (line == "uci") SpeakUci();
    }
    view_.CommandItemChanged(line);
    view_.ReceivedLineAdded(line);
    if (InterpretCommand(line) != 0) view_.ReceivedLineAdded("???");
    return true;
}

} // namespace galvetta
