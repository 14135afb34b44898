// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <clocale>

#include "game_fixture.h"
#include "notation/PositionText.h"
#include "tests/notation/start_book.h"

namespace galvetta::test {

using Lines = std::vector<std::string>;

TEST_F(GameFixture, NewGreetsAndResets) {
    EXPECT_EQ(Send("new"), Lines{TWinBoardControl::GREETING});
    board.Move("e2e4");
    EXPECT_EQ(Send("new"), Lines{TWinBoardControl::GREETING});
    EXPECT_EQ(board.GetPosition(), STARTING_POSITION);
    EXPECT_EQ(view.panels[1], "?");
    EXPECT_EQ(view.sent_memo, Lines{TWinBoardControl::GREETING}); // the memo was cleared first
}

TEST_F(GameFixture, RepliesAndRefusals) {
    const struct {
        const char* line;
        Lines reply;
        int result;
    } rows[] = {
        {"e2e5", {"Illegal move: e2e5"}, 0},
        {"O-O", {"Illegal move: O-O"}, 0},
        {"usermove e2e4", {"Error (unknown command): usermove"}, 1},
        {".", {}, 0}, // analyze mode's status request is never a move
        {"go ", {"Error (unknown command): go "}, 1},
        {"ping 1", {"Error (unknown command): ping"}, 1},
        {"draw", {}, 0},
        {"?", {}, 0},
        {"", {}, 0},
        {"hard", {}, 0},
        {"g1f3q", {"Illegal move: g1f3q"}, 0}, // a promotion letter on a knight move
        {"e2e4k", {"Illegal move: e2e4k"}, 0},
        {"e7e5", {"Illegal move: e7e5"}, 0}, // Black's pawn, White to move
        {"a9a8", {"Illegal move: a9a8"}, 0},
        {"i2i4", {"Illegal move: i2i4"}, 0},
        {" e2e4", {"Illegal move: "}, 0}, // a leading blank gives an empty first word
        {"\x01\x02\x03", {"Illegal move: \x01\x02\x03"}, 0},
        {"\xff\xfe", {"Error (unknown command): \xff\xfe"}, 1},
    };
    for (const auto& row : rows) {
        out.clear();
        EXPECT_EQ(link.InterpretCommand(row.line), row.result) << row.line;
        EXPECT_EQ(out, row.reply) << row.line;
        EXPECT_EQ(board.GetPosition(), STARTING_POSITION) << row.line;
    }
    EXPECT_EQ(Send(std::string(100000, 'z')), Lines{"Error (unknown command): " + std::string(100000, 'z')});
}

TEST_F(GameFixture, OpponentMoveIsAnsweredWithTheEngineMove) {
    EXPECT_EQ(Send("e2e4"), Lines{}); // nothing until the engine has moved
    const std::string move = WaitForMove();
    ASSERT_EQ(move.rfind("move ", 0), 0u);
    EXPECT_GT(move.size(), 9u);
    EXPECT_EQ(board.GetPosition()[64], 'B');
    EXPECT_EQ(Square("e4"), 'p');
    EXPECT_FALSE(board.GetLocked());
    EXPECT_EQ(game.EngineMoves(), 1);
    EXPECT_NE(view.statistics.find("Galvetta's move: " + move.substr(5)), std::string::npos);
}

TEST_F(GameFixture, ForceMovesThenGo) {
    SendAll({"force", "e2e4", "e7e5"});
    EXPECT_EQ(game.Searching(), false);
    EXPECT_EQ(Square("e5"), 'P');
    out.clear();
    link.InterpretCommand("go");
    EXPECT_TRUE(game.EngineWhite());
    const std::string move = WaitForMove();
    ASSERT_FALSE(move.empty());
    EXPECT_EQ(board.GetPosition()[64], 'N');
}

TEST_F(GameFixture, UndoAndRemove) {
    SendAll({"force", "e2e4", "e7e5", "g1f3"});
    Send("undo");
    EXPECT_EQ(Square("g1"), 'n');
    EXPECT_EQ(Square("e5"), 'P');
    Send("remove");
    EXPECT_EQ(board.GetPosition(), STARTING_POSITION);
}

TEST_F(GameFixture, EditModeMateInOneForEitherSide) {
    SendAll({"force", "edit", "#", "Kg1", "Ra1", "c", "Kg8", "Pf7", "Pg7", "Ph7", "."});
    EXPECT_FALSE(game.EditMode());
    out.clear();
    link.InterpretCommand("go");
    ASSERT_EQ(WaitForMove(), "move a1-a8");
    Settle();
    EXPECT_EQ(out.back(), "1-0 {White mates}");
    EXPECT_NE(view.statistics.find("*** MATE ***"), std::string::npos);

    // Black to move, set up the way xboard does it: a2a3 first, then the pieces.
    Send("new");
    SendAll({"force", "a2a3", "edit", "#", "Kg1", "Pf2", "Pg2", "Ph2", "c", "Kg8", "Ra8", "."});
    EXPECT_EQ(board.GetPosition()[64], 'N');
    out.clear();
    link.InterpretCommand("go");
    ASSERT_EQ(WaitForMove(), "move a8-a1");
    Settle();
    EXPECT_EQ(out.back(), "0-1 {Black mates}");

    // A take-back after the set-up returns to it, not to a position before it.
    const std::string set_up = board.Positions().front();
    Send("undo");
    EXPECT_EQ(board.GetPosition().substr(0, 65), set_up.substr(0, 65));
}

TEST_F(GameFixture, EditModeTakesEveryWordAsAToken) {
    SendAll({"edit", "xboard", "Pa0", "Ni9", "P"});
    EXPECT_EQ(view.panels[0], "");
    EXPECT_EQ(board.GetPosition(), STARTING_POSITION);
    Send(".");
    EXPECT_FALSE(game.EditMode());
    Send("xboard");
    EXPECT_EQ(view.panels[0], "WinBoard");
}

TEST_F(GameFixture, WhiteAndBlackPutThatSideOnMove) {
    Send("black");
    EXPECT_EQ(board.GetPosition()[64], 'N');
    EXPECT_FALSE(game.EngineWhite());
    EXPECT_EQ(Send("e7e5"), Lines{});
    Send("force");
    Send("white");
    EXPECT_EQ(board.GetPosition()[64], 'B');
    EXPECT_TRUE(game.EngineWhite());
    EXPECT_FALSE(game.Hold());
}

TEST_F(GameFixture, TimeControlsAndClocks) {
    Send("white");
    Send("time 30000");
    EXPECT_EQ(white.Caption(), "05:00");
    Send("otim 12345"); // centiseconds; a second begun is shown
    EXPECT_EQ(black.GetValue(), 124);
    Send("level 40 5 0");
    EXPECT_EQ(game.Control().moves, 40);
    EXPECT_EQ(game.Control().base_seconds, 300);
    EXPECT_EQ(white.Caption(), "05:00");
    EXPECT_EQ(black.Caption(), "05:00");
    Send("level 0 2:30 12");
    EXPECT_EQ(game.Control().base_seconds, 150);
    EXPECT_EQ(game.Control().increment_seconds, 12);
    Send("st 1"); // one second a move, as interfaces mean it
    EXPECT_EQ(game.Control().seconds_per_move, 1);
    EXPECT_EQ(game.Control().base_seconds, 0);
    EXPECT_EQ(white.GetValue(), 1);
    Send("st 0:30");
    EXPECT_EQ(game.Control().seconds_per_move, 30);
    // Missing and bad arguments.
    Send("level 35");
    EXPECT_EQ(game.Control().moves, 35);
    EXPECT_EQ(game.Control().seconds_per_move, 30);
    const int before = black.GetValue();
    EXPECT_EQ(Send("otim"), Lines{});
    EXPECT_EQ(black.GetValue(), before);
    Send("time abc");
    EXPECT_EQ(white.GetValue(), 0);
    EXPECT_EQ(ParseMinutes("5"), 300);
    EXPECT_EQ(ParseMinutes("0:30"), 30);
    EXPECT_EQ(ParseMinutes("x"), 0);
    EXPECT_EQ(StrToIntDef("-12", 0), -12);
    EXPECT_EQ(StrToIntDef("12 ", 7), 7);
    EXPECT_EQ(StrToIntDef("99999999999", 7), 7);
}

TEST_F(GameFixture, StatusPanelsAndQuit) {
    SendAll({"xboard", "name Fairy Max", "rating 2100 1800", "computer"});
    EXPECT_EQ(view.panels[0], "WinBoard");
    EXPECT_EQ(view.panels[1], "Fairy");
    EXPECT_EQ(view.panels[2], "2100");
    EXPECT_EQ(view.panels[3], "computer");
    EXPECT_FALSE(view.closed);
    Send("quit");
    EXPECT_TRUE(view.closed);
}

TEST_F(GameFixture, StoppedSearchLeavesNoMoveAndNoChange) {
    Send("e2e4");
    ASSERT_TRUE(game.Searching());
    const std::string after_e4 = board.GetPosition();
    Send("new"); // stops the search
    out.clear();
    for (int i = 0; i < 200; ++i) {
        link.OnMoveTimer();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(out, Lines{});
    EXPECT_EQ(board.GetPosition(), STARTING_POSITION);
    EXPECT_EQ(game.EngineMoves(), 0);
    EXPECT_FALSE(game.Searching());

    // The Stop action: the engine does not move, the position stays.
    Send("e2e4");
    game.Stop();
    Settle();
    EXPECT_EQ(out, Lines{});
    EXPECT_EQ(board.GetPosition(), after_e4);
    EXPECT_FALSE(board.GetLocked());
}

TEST_F(GameFixture, MacroAndPoke) {
    out.clear();
    link.ExecuteMacro({"new", "e2e4"});
    EXPECT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], "new");
    EXPECT_EQ(out[1], TWinBoardControl::GREETING);
    EXPECT_EQ(out[2], "e2e4");
    EXPECT_EQ(Square("e4"), 'p');
    out.clear();
    link.PokeCommand("hello there");
    EXPECT_EQ(out, Lines{"hello there"});
    Settle();
}

TEST_F(GameFixture, RandomAndMutatedLinesNeverBreakTheGame) {
    const char* seeds[] = {"new",      "e2e4",   "level 40 5 0", "time 100", "otim 100",
                           "st 1",     "force",  "go",           "undo",     "remove",
                           "edit",     "#",      "Pe4",          "c",        ".",
                           "white",    "black",  "e7e8q",        "name x",   "rating 1 2",
                           "computer", "xboard", "protover 2",   "draw",     "hard"};
    uint32_t state = 12345;
    auto next = [&] { return state = state * 1103515245u + 12345u; };
    for (int i = 0; i < 3000; ++i) {
        std::string line = seeds[next() % std::size(seeds)];
        const int mutations = next() % 4;
        for (int k = 0; k < mutations && !line.empty(); ++k) {
            const size_t at = next() % line.size();
            switch (next() % 4) {
            case 0: line[at] = static_cast<char>(next() & 0xFF); break;
            case 1: line.insert(at, 1, ' '); break;
            case 2: line.erase(at, 1); break;
            case 3: line += std::to_string(static_cast<int>(next())); break;
            }
        }
        if (line.rfind("quit", 0) == 0) continue;
        link.InterpretCommand(line);
        link.OnMoveTimer();
        const std::string& p = board.GetPosition();
        ASSERT_EQ(p.size(), 70u) << line;
        ASSERT_TRUE(p[64] == 'B' || p[64] == 'N') << line;
    }
    game.SetEditMode(false);
    Settle();
    EXPECT_EQ(Send("new"), Lines{TWinBoardControl::GREETING});
}

} // namespace galvetta::test

namespace galvetta::test {

// Version 2, as an interface starts it.
class Version2Fixture : public GameFixture {
  protected:
    Version2Fixture() { SendAll({"xboard", "protover 2", "new"}); }
};

// A pong is due whenever nothing runs any more, whatever dropped the search
// it waited for.
TEST_F(Version2Fixture, PongsComeWhenTheSearchTheyWaitedForIsDropped) {
    const char* droppers[] = {"force", "result 1-0 {White resigns}",
                              "new",   "undo",
                              "edit",  "setboard 4k3/8/8/8/8/8/8/R3K3 w - - 0 1"};
    int ping = 10;
    for (const char* dropper : droppers) {
        SendAll({"new", "level 0 999 0", "force",
                 "setboard r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4", "go"});
        ASSERT_TRUE(game.Searching()) << dropper;
        const std::string pong = "pong " + std::to_string(++ping);
        EXPECT_EQ(Send("ping " + std::to_string(ping)), Lines{}) << dropper; // waits for the move
        const Lines replies = Send(dropper);
        EXPECT_NE(std::find(replies.begin(), replies.end(), pong), replies.end()) << dropper;
        SendAll({".", "force"}); // out of edit mode again
    }
}

TEST_F(Version2Fixture, HintsTakeBacksAndSetUpsStayTrue) {
    SendAll({"sd 3", "go"});
    const std::string move = WaitForMove();
    ASSERT_FALSE(move.empty());
    const Lines hint = Send("hint");
    ASSERT_EQ(hint.size(), 1u);
    EXPECT_EQ(hint[0].rfind("Hint: ", 0), 0u);
    // The position the hint was for is gone: no hint, after each change.
    EXPECT_EQ(Send("force"), Lines{});
    EXPECT_EQ(Send("undo"), Lines{});
    EXPECT_EQ(Send("hint"), Lines{});

    // A take-back with nothing to take back changes nothing, set-up or not.
    SendAll({"new", "force", "setboard 8/8/8/4k3/8/8/4K3/R7 w - - 0 1", "undo"});
    EXPECT_EQ(board.GetPosition(), *FenToPositionText("8/8/8/4k3/8/8/4K3/R7 w - - 0 1").value);
    SendAll({"new", "force", "remove", "e2e4", "e7e5"});
    EXPECT_EQ(game.Record().moves, (std::vector<std::string>{"e4", "e5"}));

    // White on move with Black in check: no game reaches it; nothing is claimed.
    SendAll({"new", "force", "setboard 4k3/8/8/8/8/8/4Q3/4K3 b - - 0 1", "white"});
    EXPECT_EQ(Send("go"), Lines{"Error (illegal position): go"});
}

TEST_F(GameFixture, DepthLimitInVersionOneAndNumbersInAnyLocale) {
    // Version 1 has sd too: some interfaces choose their levels with it.
    SendAll({"sd 2", "e2e4"});
    ASSERT_FALSE(WaitForMove().empty());
    EXPECT_EQ(game.LastReport()->depth, 2);
    // A decimal comma locale does not change how "st 1.5" reads.
    const char* locales[] = {"de_DE.UTF-8", "tr_TR.UTF-8"};
    for (const char* name : locales) {
        ASSERT_NE(std::setlocale(LC_ALL, name), nullptr) << name << " (scripts/deps.sh installs locales-all)";
        SendAll({"new", "st 1.5"});
        EXPECT_EQ(game.Record().Tag("TimeControl"), "1/1.5") << name;
        std::setlocale(LC_ALL, "C");
    }
}

} // namespace galvetta::test

namespace galvetta::test {

// The one clock switch: whoever moves gets the increment, and a time a move
// is each side's afresh for each move. The person plays White; a second of
// the person's thinking is ten ticks.
TEST_F(GameFixture, ThePersonsClockUnderEveryControl) {
    const struct {
        TimeControl control;
        int person_after_two_moves; // seconds on the person's clock when the engine has replied twice
    } rows[] = {
        {{.base_seconds = 180, .increment_seconds = 2}, 180 + 2 * 2}, // a second begun is shown
        {{.base_seconds = 900, .increment_seconds = 10}, 900 + 2 * 10},
        {{.seconds_per_move = 5}, 5},
    };
    for (const auto& row : rows) {
        game.NewGame();
        game.ChangeOptions([](EngineOptions& o) { o.depth_cap = 2; });
        game.SetTimeControl(row.control);
        for (const char* move : {"e2e4", "d2d4"}) {
            out.clear();
            ASSERT_TRUE(board.Move(move)) << move;
            ASSERT_FALSE(WaitForMove().empty()) << move;
        }
        EXPECT_EQ(white.GetValue(), row.person_after_two_moves) << row.control.base_seconds;
        EXPECT_FALSE(game.GameOver());
    }
}

} // namespace galvetta::test

namespace galvetta::test {

// The book's options in either order over xboard's option command; a book
// gone after it was taken is said once.
TEST_F(GameFixture, BookOptionsInEitherOrderOverXboard) {
    SendAll({"xboard", "protover 2", "new"});
    const std::string path = WriteStartBook("galvetta-xboard-book.bin");
    EXPECT_EQ(Send("option BookFile=/nonexistent.bin").size(), 1u);
    EXPECT_EQ(Send("option OwnBook=1").size(), 1u);
    EXPECT_EQ(Send("option BookFile=" + path), Lines{});
    EXPECT_EQ(Send("bk"), (Lines{" e2e4 1", ""}));
    // Gone: said once (here, with no interface driving, on the status bar).
    std::remove(path.c_str());
    EXPECT_EQ(Send("bk"), (Lines{" No book moves.", ""}));
    EXPECT_EQ(Send("bk"), (Lines{" No book moves.", ""}));
    EXPECT_EQ(view.notices, Lines{"cannot read the book " + path + "; Galvetta plays without a book"});
}

} // namespace galvetta::test
