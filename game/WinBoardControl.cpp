#include "game/WinBoardControl.h"

#include <string_view>
#include <unordered_map>

#include "game/Interface.h"

namespace galvetta {

namespace {

// A command without its arguments stops where it was, silently.
struct MissingArgument {};

const std::string& word(const Words& words, size_t index) {
    if (index >= words.size()) throw MissingArgument{};
    return words[index];
}

} // namespace

TWinBoardControl::TWinBoardControl(TInterface& link) : link_(link), game_(link.Game()) {}

void TWinBoardControl::Send(const std::string& line) {
    link_.SendToInterface(line);
}

int TWinBoardControl::Interpret(const std::string& line) {
    if (line.empty()) return 0;
    const Words words = SplitAtBlanks(line);
    const std::string& command = words[0];
    if (game_.EditMode()) {
        InterpretSetUp(command);
        return 0;
    }
    if (command == "?") return 0;
    // A move word: its second character sorts before 'A' (a digit, '-', ...).
    if (command.size() < 2 || static_cast<unsigned char>(command[1]) < 'A') {
        if (!game_.PlayMove(command)) Send("Illegal move: " + command);
        return 0;
    }
    using Handler = void (TWinBoardControl::*)(const Words&);
    static const std::unordered_map<std::string_view, Handler> handlers = {
        {"xboard", &TWinBoardControl::OnXboard},   {"name", &TWinBoardControl::OnName},
        {"rating", &TWinBoardControl::OnRating},   {"computer", &TWinBoardControl::OnComputer},
        {"new", &TWinBoardControl::OnNew},         {"force", &TWinBoardControl::OnForce},
        {"white", &TWinBoardControl::OnSide},      {"black", &TWinBoardControl::OnSide},
        {"go", &TWinBoardControl::OnGo},           {"quit", &TWinBoardControl::OnQuit},
        {"undo", &TWinBoardControl::OnUndo},       {"remove", &TWinBoardControl::OnRemove},
        {"otim", &TWinBoardControl::OnOtim},       {"time", &TWinBoardControl::OnTime},
        {"st", &TWinBoardControl::OnSt},           {"level", &TWinBoardControl::OnLevel},
        {"edit", &TWinBoardControl::OnEdit},       {"draw", &TWinBoardControl::OnIgnored},
        {"hard", &TWinBoardControl::OnIgnored},    {"easy", &TWinBoardControl::OnIgnored},
        {"random", &TWinBoardControl::OnIgnored},  {"sd", &TWinBoardControl::OnIgnored},
        {"result", &TWinBoardControl::OnResult},   {"hint", &TWinBoardControl::OnIgnored},
        {"post", &TWinBoardControl::OnIgnored},    {"nopost", &TWinBoardControl::OnIgnored},
        {"analyze", &TWinBoardControl::OnIgnored},
    };
    const auto handler = handlers.find(command);
    if (handler == handlers.end()) {
        Send("Error (unknown command): " + command);
        return 1;
    }
    try {
        (this->*handler->second)(words);
    } catch (const MissingArgument&) {
        // Stopped where the arguments ran out; nothing is answered.
    }
    return 0;
}

void TWinBoardControl::InterpretSetUp(const std::string& command) {
    // "quit" ends the program in every mode; it is no piece code.
    if (command == "quit")
        OnQuit({command});
    else if (command == ".")
        game_.SetEditMode(false);
    else
        game_.Board().SetSquare(command);
}

void TWinBoardControl::OnXboard(const Words&) {
    link_.View().SetStatusPanel(0, "WinBoard");
}
void TWinBoardControl::OnName(const Words& words) {
    link_.View().SetStatusPanel(1, word(words, 1));
    game_.OpponentName = word(words, 1);
}
void TWinBoardControl::OnRating(const Words& words) {
    link_.View().SetStatusPanel(2, word(words, 1));
}
void TWinBoardControl::OnComputer(const Words&) {
    link_.View().SetStatusPanel(3, "computer");
}

void TWinBoardControl::OnNew(const Words&) {
    link_.View().SentLinesCleared();
    game_.NewGame();
    for (int panel : {1, 2, 3})
        link_.View().SetStatusPanel(panel, "?");
    Send(GREETING);
}

void TWinBoardControl::OnForce(const Words&) {
    game_.Force();
}

void TWinBoardControl::OnSide(const Words& words) {
    // As the protocol has it, "white" and "black" also put that side on move;
    // the interface sends them when it sets up a position.
    game_.SetEngineSide(words[0] == "white");
}

void TWinBoardControl::OnGo(const Words&) {
    const GameOutcome outcome = game_.Go();
    // Rather than stay silent, say why the engine does not move.
    if (outcome != GameOutcome::None) Send(OutcomeLine(outcome));
}

void TWinBoardControl::OnQuit(const Words&) {
    link_.View().CloseRequested();
}
void TWinBoardControl::OnUndo(const Words&) {
    game_.TakeBack();
}
void TWinBoardControl::OnRemove(const Words&) {
    game_.TakeBack();
    game_.TakeBack();
}

void TWinBoardControl::OnOtim(const Words& words) {
    game_.SetOpponentClock(StrToIntDef(word(words, 1), 0) / 100);
}
void TWinBoardControl::OnTime(const Words& words) {
    game_.SetEngineClock(StrToIntDef(word(words, 1), 0) / 100);
}

void TWinBoardControl::OnSt(const Words& words) {
    // Seconds per move, as every interface sends it; "m:ss" also works.
    const std::string& t = word(words, 1);
    game_.SetSecondsPerMove(t.find(':') != std::string::npos ? ParseMinutes(t) : StrToIntDef(t, 0));
}

void TWinBoardControl::OnLevel(const Words& words) {
    // Each argument counts as soon as it is read: "level 40" sets the moves only.
    const int moves = StrToIntDef(word(words, 1), 0);
    std::optional<int> base, increment;
    if (words.size() > 2) base = ParseMinutes(words[2]);
    if (words.size() > 3) increment = StrToIntDef(words[3], 0);
    game_.SetTimeControl(moves, base, increment);
}

void TWinBoardControl::OnEdit(const Words&) {
    game_.AbandonSearch();
    game_.SetEditMode(true);
}

void TWinBoardControl::OnResult(const Words& words) {
    // Not answered; the game's record keeps it.
    game_.InterfaceResult = word(words, 1);
}

void TWinBoardControl::OnIgnored(const Words&) {
    // Accepted and ignored; a draw offer is never accepted and not answered.
}

void TWinBoardControl::ResetGame() {
    for (const char* line : {"new", "random", "level 0 120 0", "hard"})
        Interpret(line);
}

void TWinBoardControl::InputEnded() {
    // The engine's move is still written, from what its search has by then.
    game_.SetAutoPlay(false);
    game_.AnswerWithin(INPUT_END_GRACE_MS);
}

const char* TWinBoardControl::OutcomeLine(GameOutcome outcome) {
    switch (outcome) {
    case GameOutcome::TooManyPieces: return "Error (too many pieces): go";
    case GameOutcome::WhiteMates: return "1-0 {White mates}";
    case GameOutcome::BlackMates: return "0-1 {Black mates}";
    case GameOutcome::Stalemate: return "1/2-1/2 {Stalemate}";
    case GameOutcome::None: break;
    }
    return "";
}

void TWinBoardControl::EngineMoved(const std::string& move, GameOutcome outcome) {
    if (!move.empty()) Send("move " + move);
    if (outcome != GameOutcome::None) Send(OutcomeLine(outcome));
    if (game_.AutoPlay()) Interpret("go");
}

} // namespace galvetta
