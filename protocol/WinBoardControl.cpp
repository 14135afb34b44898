// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/WinBoardControl.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "notation/Rules.h"
#include "notation/Score.h"
#include "notation/Version.h"

namespace galvetta {

namespace {

// A command without its arguments stops where it was, silently.
struct MissingArgument {};

const std::string& word(const Words& words, size_t index) {
    if (index >= words.size()) throw MissingArgument{};
    return words[index];
}

// Version 2's mate scores: 100000 and the moves to the mate.
constexpr int MATE_SCORE_BASE = 100000;

} // namespace

TWinBoardControl::TWinBoardControl(TFrontEndLink& link) : link_(link), game_(link.Game()) {}

void TWinBoardControl::Send(const std::string& line) {
    link_.SendToInterface(line);
}

TWinBoardControl::Handler TWinBoardControl::FindHandler(const std::string& command, int protocol) {
    static const std::unordered_map<std::string_view, Handler> handlers = {
        {"xboard", &TWinBoardControl::OnXboard},
        {"protover", &TWinBoardControl::OnProtover},
        {"name", &TWinBoardControl::OnName},
        {"rating", &TWinBoardControl::OnRating},
        {"computer", &TWinBoardControl::OnComputer},
        {"new", &TWinBoardControl::OnNew},
        {"force", &TWinBoardControl::OnForce},
        {"white", &TWinBoardControl::OnSide},
        {"black", &TWinBoardControl::OnSide},
        {"go", &TWinBoardControl::OnGo},
        {"quit", &TWinBoardControl::OnQuit},
        {"undo", &TWinBoardControl::OnUndo},
        {"remove", &TWinBoardControl::OnRemove},
        {"otim", &TWinBoardControl::OnOtim},
        {"time", &TWinBoardControl::OnTime},
        {"st", &TWinBoardControl::OnSt},
        {"level", &TWinBoardControl::OnLevel},
        {"edit", &TWinBoardControl::OnEdit},
        {"draw", &TWinBoardControl::OnDraw},
        {"hard", &TWinBoardControl::OnIgnored},
        {"easy", &TWinBoardControl::OnIgnored},
        {"random", &TWinBoardControl::OnIgnored},
        {"sd", &TWinBoardControl::OnSd},
        {"result", &TWinBoardControl::OnResult},
        {"hint", &TWinBoardControl::OnHint},
        {"post", &TWinBoardControl::OnPost},
        {"nopost", &TWinBoardControl::OnPost},
        {"analyze", &TWinBoardControl::OnAnalyze},
    };
    // Commands that an interface sends only to an engine of version 2.
    static const std::unordered_map<std::string_view, Handler> version_2 = {
        {"ping", &TWinBoardControl::OnPing},
        {"setboard", &TWinBoardControl::OnSetBoard},
        {"usermove", &TWinBoardControl::OnUserMove},
        {"accepted", &TWinBoardControl::OnFeatureReply},
        {"rejected", &TWinBoardControl::OnFeatureReply},
        {"exit", &TWinBoardControl::OnExit},
        {"bk", &TWinBoardControl::OnBook},
        {"variant", &TWinBoardControl::OnVariant},
        {"memory", &TWinBoardControl::OnIgnored},
        {"cores", &TWinBoardControl::OnIgnored},
        {"egtpath", &TWinBoardControl::OnIgnored},
        {"option", &TWinBoardControl::OnOption},
        {"ics", &TWinBoardControl::OnIgnored},
    };
    if (const auto found = version_2.find(command); protocol >= 2 && found != version_2.end())
        return found->second;
    const auto found = handlers.find(command);
    return found != handlers.end() ? found->second : nullptr;
}

int TWinBoardControl::Interpret(const std::string& line) {
    const int result = InterpretLine(line);
    // A command may have dropped the search that a ping waited for (force,
    // new, setboard, undo, edit, result...): its pong is due now.
    if (!pongs_.empty() && (!game_.Searching() || game_.Analyzing())) AnswerPings();
    return result;
}

int TWinBoardControl::InterpretLine(const std::string& line) {
    if (line.empty()) return 0;
    const Words words = SplitAtBlanks(line);
    const std::string& command = words[0];
    if (game_.EditMode()) {
        InterpretSetUp(command);
        return 0;
    }
    if (command == "?") {
        if (protocol_ >= 2) OnMoveNow(words);
        return 0;
    }
    // Analyze mode's status request is no move, in any version.
    if (command == ".") return 0;
    // A move word: its second character sorts before 'A' (a digit, '-', ...).
    if (command.size() < 2 || static_cast<unsigned char>(command[1]) < 'A') {
        PlayMove(command);
        return 0;
    }
    const Handler handler = FindHandler(command, protocol_);
    if (handler == nullptr) {
        Send("Error (unknown command): " + command);
        return 1;
    }
    try {
        (this->*handler)(words);
    } catch (const MissingArgument&) {
        // Stopped where the arguments ran out; nothing is answered.
    }
    return 0;
}

void TWinBoardControl::InterpretSetUp(const std::string& command) {
    // "quit" ends the program in every mode; it is no piece code.
    if (command == "quit") {
        OnQuit({command});
    } else if (command == ".") {
        game_.SetEditMode(false);
        position_refused_ = false;
        if (analyzing_) AnalyzeAgain();
    } else {
        game_.EditSquare(command);
    }
}

void TWinBoardControl::PlayMove(const std::string& move) {
    if (position_refused_ || !game_.PlayMove(move)) {
        Send("Illegal move: " + move);
        return;
    }
    if (analyzing_) {
        AnalyzeAgain();
        return;
    }
    // The move ended the game: say so rather than search on.
    if (protocol_ >= 2 && !game_.Hold() && ClaimGameEnd()) game_.AbandonSearch();
}

std::string TWinBoardControl::MoveText(const Move& move) const {
    // Version 1 writes the engine's own form, "e2-e4" and "e7-e8=Q".
    return protocol_ < 2 ? move.EngineText() : move.Coordinate();
}

bool TWinBoardControl::ClaimGameEnd() {
    const Verdict verdict = game_.Judge();
    if (!verdict) return false;
    Send(verdict.result + " {" + verdict.reason + "}");
    return true;
}

void TWinBoardControl::OnXboard(const Words&) {
    link_.View().SetStatusPanel(0, "WinBoard");
}

void TWinBoardControl::OnProtover(const Words& words) {
    if (StrToIntDef(word(words, 1), 1) < 2) return;
    protocol_ = 2;
    // Only what works is declared; "done=1" ends the interface's wait.
    Send("feature done=0");
    Send("feature ping=1 setboard=1 playother=0 san=0 usermove=1 time=1 draw=1 sigint=0 sigterm=0 reuse=1 "
         "analyze=1 colors=0 name=1");
    Send("feature myname=\"Galvetta " + ShortVersion() + "\" variants=\"normal\"");
    Send("feature option=\"OwnBook -check " + std::string(game_.Options().use_book ? "1" : "0") + "\"");
    Send("feature option=\"BookFile -file " + game_.Options().book_file + "\"");
    Send("feature done=1");
}

void TWinBoardControl::OnFeatureReply(const Words&) {
    // Every feature declared is one the interface may refuse: moves come bare
    // when it refuses usermove, set-ups by edit when it refuses setboard, and
    // both are read.
}

void TWinBoardControl::OnName(const Words& words) {
    link_.View().SetStatusPanel(1, word(words, 1));
    game_.SetOpponentName(JoinWords(words, 1));
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
    game_.ChangeOptions([](EngineOptions& o) { o.depth_cap = 0; });
    position_refused_ = false;
    for (int panel : {1, 2, 3})
        link_.View().SetStatusPanel(panel, "?");
    Send(GREETING);
    if (analyzing_) AnalyzeAgain();
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
    if (position_refused_) {
        Send("Error (no position): go");
        return;
    }
    // A game over by rule is claimed, not played on.
    if (protocol_ >= 2 && ClaimGameEnd()) {
        game_.Force();
        return;
    }
    const GameOutcome outcome = game_.Go();
    // Rather than stay silent, say why the engine does not move.
    if (outcome != GameOutcome::None) Send(OutcomeLine(outcome));
}

void TWinBoardControl::OnQuit(const Words&) {
    link_.View().CloseRequested();
}
void TWinBoardControl::OnUndo(const Words&) {
    game_.TakeBack();
    if (analyzing_) AnalyzeAgain();
}
void TWinBoardControl::OnRemove(const Words&) {
    game_.TakeBack();
    game_.TakeBack();
    if (analyzing_) AnalyzeAgain();
}

void TWinBoardControl::OnOtim(const Words& words) {
    game_.SetOpponentTime(static_cast<int64_t>(StrToIntDef(word(words, 1), 0)) * 10); // centiseconds
}
void TWinBoardControl::OnTime(const Words& words) {
    game_.SetEngineTime(static_cast<int64_t>(StrToIntDef(word(words, 1), 0)) * 10); // centiseconds
}

void TWinBoardControl::OnSt(const Words& words) {
    // Seconds per move, as every interface sends it, fractions too; "m:ss" also works.
    const std::string& t = word(words, 1);
    if (t.find(':') != std::string::npos) {
        game_.SetSecondsPerMove(ParseMinutes(t));
        return;
    }
    const double seconds = ParseDecimal(t).value_or(0);
    game_.SetSecondsPerMove(seconds > 0 && seconds < 1e6 ? seconds : 0);
}

void TWinBoardControl::OnLevel(const Words& words) {
    // Each argument counts as soon as it is read: "level 40" sets the moves only.
    const int moves = StrToIntDef(word(words, 1), 0);
    std::optional<int> base, increment;
    if (words.size() > 2) base = ParseMinutes(words[2]);
    if (words.size() > 3) increment = StrToIntDef(words[3], 0);
    game_.SetTimeControl(moves, base, increment);
}

void TWinBoardControl::OnSd(const Words& words) {
    // Version 1 has "sd" too, and some interfaces set their levels with it.
    const int depth = StrToIntDef(word(words, 1), 0);
    game_.ChangeOptions([depth](EngineOptions& o) { o.depth_cap = depth; });
}

void TWinBoardControl::OnEdit(const Words&) {
    game_.AbandonSearch();
    game_.SetEditMode(true);
}

void TWinBoardControl::OnResult(const Words& words) {
    // The game is over: no search goes on, and the record keeps the result.
    if (protocol_ >= 2) game_.Force();
    game_.SetInterfaceResult(word(words, 1), JoinWords(words, 2));
}

void TWinBoardControl::OnDraw(const Words&) {
    // Version 2: a draw offer is accepted only where the rules draw the game.
    if (protocol_ < 2) return;
    const Verdict verdict = game_.Judge();
    if (verdict && verdict.result == "1/2-1/2") Send("offer draw");
}

void TWinBoardControl::OnPost(const Words& words) {
    if (protocol_ >= 2) post_ = words[0] == "post";
}

void TWinBoardControl::OnAnalyze(const Words&) {
    // Accepted and ignored in version 1, as it always was.
    if (protocol_ < 2) return;
    analyzing_ = true;
    AnalyzeAgain();
}

void TWinBoardControl::AnalyzeAgain() {
    game_.Force();
    // A side without a move leaves nothing to analyse; a draw by rule still may be.
    if (position_refused_ || !game_.SideToMoveCanMove()) return;
    game_.Analyze(SearchLimits::Analysis(game_.Options().depth_cap));
}

void TWinBoardControl::OnExit(const Words&) {
    if (!analyzing_) return;
    analyzing_ = false;
    game_.StopAnalysis();
    link_.DeliverReports(); // what it found before the exit
}

void TWinBoardControl::OnMoveNow(const Words&) {
    if (game_.Searching() && !game_.Analyzing()) game_.MoveNow();
}

void TWinBoardControl::OnHint(const Words&) {
    // The reply the last search expected, for the position it expected it
    // in: after a take-back, a set-up or a new game it is no hint.
    if (protocol_ >= 2 && !expected_reply_.empty() && hint_position_ == game_.Position())
        Send("Hint: " + expected_reply_);
}

void TWinBoardControl::OnBook(const Words&) {
    // The answer's lines start with a blank, and an empty line ends it.
    const std::string& position = game_.Position();
    const std::vector<BookEntry> entries = game_.BookEntries(position);
    if (entries.empty()) Send(" No book moves.");
    for (const BookEntry& entry : entries) {
        std::string line(1, ' ');
        line += TBook::MoveOf(entry, position).Coordinate();
        line += ' ';
        line += std::to_string(entry.weight);
        Send(line);
    }
    Send("");
}

void TWinBoardControl::OnPing(const Words& words) {
    // The answer waits for the move of a search that runs now.
    pongs_.push_back("pong " + JoinWords(words, 1));
    if (!game_.Searching() || game_.Analyzing()) AnswerPings();
}

void TWinBoardControl::AnswerPings() {
    for (const std::string& pong : pongs_)
        Send(pong);
    pongs_.clear();
}

void TWinBoardControl::OnSetBoard(const Words& words) {
    const Parsed<FenPosition> position = ReadPlayableFen(JoinWords(words, 1));
    if (!position) {
        // The old position stays; moves are refused until the next set-up.
        // Quoting the FEN lets an interface tell its own probe (an empty
        // board after "exit") from a real refusal.
        Send("tellusererror Illegal position: " + JoinWords(words, 1) + ": " + position.error);
        game_.Force();
        position_refused_ = true;
        return;
    }
    game_.NewGameFrom(position.value->text, position.value->halfmove_clock, position.value->move_number);
    game_.Force();
    position_refused_ = false;
    if (analyzing_) AnalyzeAgain();
}

void TWinBoardControl::OnOption(const Words& words) {
    // "option NAME=VALUE" for the options the features declared.
    const std::string setting = JoinWords(words, 1);
    const size_t equals = setting.find('=');
    const std::string name = setting.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : setting.substr(equals + 1);
    std::string error;
    if (name == "OwnBook") {
        error = game_.ChangeOptions([&value](EngineOptions& o) { o.use_book = value == "1"; });
    } else if (name == "BookFile") {
        error = game_.ChangeOptions([&value](EngineOptions& o) { o.book_file = value; });
    } else {
        Send("Error (unknown option): " + name);
        return;
    }
    if (!error.empty()) Send("tellusererror " + error + "; Galvetta plays without a book");
}

void TWinBoardControl::BookRefused(const std::string& why) {
    // Version 1 has no line for it; the window's status bar has it then.
    if (protocol_ >= 2) Send("tellusererror " + why + "; Galvetta plays without a book");
}

void TWinBoardControl::OnUserMove(const Words& words) {
    PlayMove(word(words, 1));
}

void TWinBoardControl::OnVariant(const Words& words) {
    if (word(words, 1) != "normal") Send("Error (only normal chess is played): variant " + words[1]);
}

void TWinBoardControl::OnIgnored(const Words&) {
    // Accepted and ignored.
}

void TWinBoardControl::ResetGame() {
    // What the lines "new", "random", "level 0 120 0" and "hard" do, as the
    // window has always started its games: a new game at two hours each.
    OnNew({});
    game_.SetTimeControl(0, START_MINUTES * 60, 0);
}

void TWinBoardControl::InputEnded() {
    // The engine's move is still written, from what its search has by then.
    game_.SetAutoPlay(false);
    if (game_.Analyzing())
        game_.StopAnalysis();
    else
        game_.AnswerWithin(INPUT_END_GRACE_MS);
}

const char* TWinBoardControl::OutcomeLine(GameOutcome outcome) {
    switch (outcome) {
    case GameOutcome::TooManyPieces: return "Error (too many pieces): go";
    case GameOutcome::IllegalPosition: return "Error (illegal position): go";
    case GameOutcome::WhiteMates: return "1-0 {White mates}";
    case GameOutcome::BlackMates: return "0-1 {Black mates}";
    case GameOutcome::Stalemate: return "1/2-1/2 {Stalemate}";
    case GameOutcome::None: break;
    }
    return "";
}

void TWinBoardControl::Reported(const std::vector<SearchReport>& reports) {
    if (protocol_ < 2 || !post_) return;
    for (const SearchReport& report : reports) {
        const int mate = MateMoves(report.score);
        const int score = mate > 0   ? MATE_SCORE_BASE + mate
                          : mate < 0 ? -MATE_SCORE_BASE + mate
                                     : Centipawns(report.score);
        std::string line = std::to_string(report.depth) + " " + std::to_string(score) + " " +
                           std::to_string(static_cast<int64_t>(report.ms / 10)) + " " +
                           std::to_string(report.nodes);
        for (const Move& move : report.line) {
            line += ' ';
            line += move.Coordinate();
        }
        Send(line);
    }
}

void TWinBoardControl::EngineMoved(const std::optional<Move>& move, GameOutcome outcome) {
    link_.DeliverReports();
    const std::optional<SearchReport> last = game_.LastReport();
    expected_reply_ = last && move && last->line.size() > 1 && last->line[0] == *move
                          ? last->line[1].Coordinate()
                          : std::string();
    hint_position_ = game_.Position();
    if (move) Send("move " + MoveText(*move));
    if (outcome != GameOutcome::None)
        Send(OutcomeLine(outcome));
    else if (protocol_ >= 2)
        ClaimGameEnd();
    AnswerPings();
    if (game_.AutoPlay()) Interpret("go");
}

void TWinBoardControl::SearchStopped() {
    AnswerPings();
}

} // namespace galvetta
