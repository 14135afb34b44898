// SPDX-License-Identifier: GPL-3.0-or-later
// Transcripts of the built program over real pipes, as an interface drives it.
#include <gtest/gtest.h>

#include <thread>

#include "program.h"

namespace galvetta::test {

namespace {

constexpr const char* GREETING = "tellics Hi from Galvetta (https://galvetta.example.org)";

class Transcript : public ::testing::Test {
  protected:
    Transcript() : program(GALVETTA_BINARY) {}
    void SetUp() override {
        ASSERT_TRUE(program.Started());
        ASSERT_EQ(program.ReadLine(), GREETING); // the start-up's own "new"
    }
    // Sends lines and expects these replies in order.
    void Expect(const std::vector<std::string>& send, const std::vector<std::string>& replies) {
        ExpectReplies(program, send, replies);
    }
    // A line that is answered for sure marks the end of what came before.
    void ExpectNothingMore() { Expect({"marker"}, {"Error (unknown command): marker"}); }
    std::string EngineMove() {
        const std::string line = program.ReadLine(60000);
        EXPECT_EQ(line.rfind("move ", 0), 0u) << line;
        return line;
    }

    Program program;
};

} // namespace

TEST_F(Transcript, GreetingMovesAndRefusals) {
    Expect({"xboard", "ping 1"}, {"Error (unknown command): ping"});
    Expect({"new"}, {GREETING});
    Expect({"new"}, {GREETING});
    Expect({"e2e5"}, {"Illegal move: e2e5"});
    Expect({"O-O"}, {"Illegal move: O-O"});
    Expect({"go "}, {"Error (unknown command): go "});
    Expect({"draw"}, {});
    ExpectNothingMore();
    program.Send("e2e4");
    const std::string move = EngineMove();
    EXPECT_GE(move.size(), 10u);
    program.Send("quit");
    EXPECT_EQ(program.WaitExit(2000), 0);
}

TEST_F(Transcript, ForceMovesGoUndoAndRemove) {
    Expect({"force", "e2e4", "e7e5", "g1f3"}, {});
    program.Send("go"); // Black to move: the engine plays Black
    EngineMove();
    Expect({"force", "remove"}, {});
    // Back before g1f3 and Black's reply: the knight stands on g1 again.
    Expect({"g1f3"}, {});
    Expect({"undo", "undo"}, {});
    // Back before e7e5: Black's pawn can go two squares again.
    Expect({"e7e5"}, {});
    ExpectNothingMore();
}

TEST_F(Transcript, EditModeMateInOneForBothSides) {
    Expect({"force", "edit", "#", "Kg1", "Ra1", "c", "Kg8", "Pf7", "Pg7", "Ph7", ".", "go"},
           {"move a1-a8", "1-0 {White mates}"});
    Expect({"new"}, {GREETING});
    Expect({"force", "a2a3", "edit", "#", "Kg1", "Pf2", "Pg2", "Ph2", "c", "Kg8", "Ra8", ".", "go"},
           {"move a8-a1", "0-1 {Black mates}"});
}

TEST_F(Transcript, XboardSetUpWithBlackToMoveAcceptsBlacksMove) {
    // What xboard sends for a position with Black to move and no white pawn on a2.
    Expect({"new", "random", "level 40 2 0", "post", "hard", "easy", "force", "black", "force", "edit", "#",
            "Kg1", "Pf2",    "Pg2",          "Ph2",  "c",    "Kg8",  "Pe2",   "Pf7",   "Pg7",   "Ph7",  "."},
           {GREETING});
    Expect({"e2e1q"}, {});
    ExpectNothingMore();
}

TEST_F(Transcript, SurvivesInterruptsAndQuitsFastDuringASearch) {
    kill(program.Pid(), SIGINT);
    Expect({"level 0 60 0", "e2e4"}, {});
    EngineMove();
    kill(program.Pid(), SIGINT);
    Expect({"d2d4", "quit"}, {});
    EXPECT_EQ(program.WaitExit(1000), 0);
}

TEST_F(Transcript, EndsWhenItsInputEnds) {
    program.CloseInput();
    EXPECT_EQ(program.WaitExit(3000), 0);
}

TEST(TranscriptArguments, NonNumericLevelArgumentStillStarts) {
    Program program(GALVETTA_BINARY, {"/Lxyz"});
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.ReadLine(), GREETING);
    program.Send("e2e4");
    EXPECT_EQ(program.ReadLine(60000).rfind("move ", 0), 0u);
    program.Send("quit");
    EXPECT_EQ(program.WaitExit(2000), 0);
}

// Options that answer at once, a refused one, and the design's /L argument.
TEST(TranscriptArguments, OptionsAnswerWithoutAWindow) {
    const struct {
        std::vector<std::string> arguments;
        const char* first_line;
        int status;
    } rows[] = {
        {{"--version"}, "Galvetta 0.11.0.125", 0},
        {{"--help"}, "usage: galvetta [OPTION]... [/LDEPTH]", 0},
        {{"--uci", "--help"}, "usage: galvetta [OPTION]... [/LDEPTH]", 0},
        {{"--sideways"}, "galvetta: unknown option '--sideways' (try --help)", 2},
        {{"--save-games"}, "galvetta: --save-games needs a FILE (try --help)", 2},
        {{"/L12"}, GREETING, 0},
    };
    for (const auto& row : rows) {
        Program program(GALVETTA_BINARY, row.arguments);
        ASSERT_TRUE(program.Started());
        EXPECT_EQ(program.ReadLine(), row.first_line) << row.arguments[0];
        // Only the program that started waits for "quit"; writing to one that
        // has ended would raise SIGPIPE here.
        if (row.first_line == std::string(GREETING)) program.Send("quit");
        EXPECT_EQ(program.WaitExit(10000), row.status) << row.arguments[0];
    }
}

TEST(TranscriptFuzz, RandomAndMutatedLinesKeepItAlive) {
    Program program(GALVETTA_BINARY);
    ASSERT_TRUE(program.Started());
    ASSERT_EQ(program.ReadLine(), GREETING);
    const char* seeds[] = {
        "new",    "e2e4",       "level 40 5 0", "time 100", "otim 100", "st 1",       "force",
        "go",     "undo",       "remove",       "edit",     "#",        "Pe4",        "c",
        ".",      "white",      "black",        "e7e8q",    "name x",   "rating 1 2", "computer",
        "xboard", "protover 2", "draw",         "hard",     "d7d5",     "g1f3"};
    uint32_t state = 2024;
    auto next = [&] { return state = state * 1664525u + 1013904223u; };
    std::vector<std::string> lines;
    while (lines.size() < 2000) {
        std::string line = seeds[next() % std::size(seeds)];
        for (int k = next() % 4; k > 0 && !line.empty(); --k) {
            const size_t at = next() % line.size();
            switch (next() % 5) {
            case 0: line[at] = static_cast<char>(1 + next() % 255); break;
            case 1: line.insert(at, 1, ' '); break;
            case 2: line.erase(at, 1); break;
            case 3: line += std::to_string(static_cast<int>(next())); break;
            case 4: line += std::string(next() % 40000, 'x'); break;
            }
        }
        if (line.find("quit") == std::string::npos && line.find('\n') == std::string::npos &&
            line.find('\r') == std::string::npos)
            lines.push_back(line);
    }
    // Leave edit mode whatever the lines did, then a marker that is answered for sure.
    lines.insert(lines.end(), {"edit", ".", "xyzzy"});
    // The program answers while it reads: write on one thread, read on this one.
    std::thread writer([&] {
        for (const std::string& line : lines)
            program.Send(line);
    });
    std::string line;
    int replies = 0;
    while ((line = program.ReadLine(120000)) != "Error (unknown command): xyzzy" && line != "<timeout>" &&
           line != "<eof>")
        ++replies;
    writer.join();
    EXPECT_EQ(line, "Error (unknown command): xyzzy") << "after " << replies << " replies";
    // A search the lines started may still deliver its move before the greeting.
    program.Send("new");
    std::string last;
    for (int i = 0; i < 5 && (last = program.ReadLine(60000)) != GREETING; ++i)
        EXPECT_TRUE(last.rfind("move ", 0) == 0 || last.find("mates}") != std::string::npos) << last;
    EXPECT_EQ(last, GREETING);
    program.Send("quit");
    EXPECT_EQ(program.WaitExit(2000), 0);
}

} // namespace galvetta::test
