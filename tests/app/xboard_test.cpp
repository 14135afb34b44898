// SPDX-License-Identifier: GPL-3.0-or-later
// Version 2 of the xboard protocol over real pipes: the handshake, ping,
// setboard, usermove, the move form, thinking output, analyze mode, "?",
// "sd" and the claims of a game ended by rule.
#include <gtest/gtest.h>

#include <chrono>

#include "notation/Move.h"
#include "notation/Rules.h"
#include "notation/San.h"
#include "notation/Words.h"
#include "program.h"

namespace galvetta::test {

namespace {

constexpr const char* GREETING = "tellics Hi from Galvetta (https://galvetta.example.org)";

// Reads lines until one starts with `prefix`; the lines before it are kept.
std::string read_until(Program& program, const std::string& prefix,
                       std::vector<std::string>* before = nullptr, int timeout_ms = 30000) {
    for (;;) {
        std::string line = program.ReadLine(timeout_ms);
        if (line.rfind(prefix, 0) == 0 || line[0] == '<') return line;
        if (before != nullptr) before->push_back(line);
    }
}

// The moves of a thinking line ("ply score time nodes pv..."), checked for
// legality from `position`; empty when one is not legal.
std::vector<std::string> legal_pv(const std::string& line, std::string position) {
    const Words words = SplitWords(line);
    std::vector<std::string> pv;
    for (size_t i = 4; i < words.size(); ++i) {
        const std::optional<Move> move = Move::Parse(words[i]);
        if (!move) return {};
        const Parsed<LegalMove> legal = ParseSan(position, move->Coordinate());
        if (!legal) return {};
        position = PositionAfter(position, *legal.value);
        pv.push_back(words[i]);
    }
    return pv;
}

// A program that has done the version 2 handshake.
class Xboard2 : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(program.Started());
        ExpectReplies(
            program, {"xboard", "protover 2"},
            {GREETING, "feature done=0",
             "feature ping=1 setboard=1 playother=0 san=0 usermove=1 time=1 draw=1 sigint=0 "
             "sigterm=0 reuse=1 analyze=1 colors=0 name=1",
             "feature myname=\"Galvetta 0.11.0\" variants=\"normal\"", "feature option=\"OwnBook -check 0\"",
             "feature option=\"BookFile -file /usr/share/games/gnuchess/book.bin\"", "feature done=1"});
        ExpectReplies(program, {"accepted done", "new", "ping 1"}, {GREETING, "pong 1"});
    }
    void Expect(const std::vector<std::string>& send, const std::vector<std::string>& replies) {
        ExpectReplies(program, send, replies);
    }
    Program program{GALVETTA_BINARY};
};

} // namespace

TEST_F(Xboard2, MovesPingAndThinkingOutput) {
    // Moves in coordinates both ways; the pong of a ping sent during the
    // search comes after the move; one thinking line a depth, its line legal.
    Expect({"post", "st 1", "usermove e2e4", "ping 2"}, {});
    std::vector<std::string> thinking;
    const std::string move = read_until(program, "move ", &thinking);
    ASSERT_EQ(move.size(), 9u) << move;
    EXPECT_EQ(program.ReadLine(), "pong 2");
    ASSERT_FALSE(thinking.empty());
    const std::string after_e4 =
        *FenToPositionText("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1").value;
    for (const std::string& line : thinking) {
        const std::vector<std::string> pv = legal_pv(line, after_e4);
        ASSERT_FALSE(pv.empty()) << line;
        EXPECT_GE(pv.size(), 2u) << line;
    }
    EXPECT_EQ("move " + legal_pv(thinking.back(), after_e4).front(), move);
    // A move the engine refuses, and the old form read too.
    Expect({"usermove e7e5"}, {"Illegal move: e7e5"});
    Expect({"force", "d2d4", "ping 3"}, {"pong 3"});
}

TEST_F(Xboard2, SetBoardWithRightsAndABadFen) {
    Expect({"force", "setboard r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "usermove e1g1", "usermove e8c8",
            "ping 4"},
           {"pong 4"});
    Expect({"setboard 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "usermove e5d6", "ping 5"}, {"pong 5"});
    Expect({"setboard r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1", "usermove e1g1"}, {"Illegal move: e1g1"});
    // A bad FEN keeps the old position, and moves are refused until the next set-up.
    Expect({"setboard 4k3/4R3/8/8/8/8/8/4K3 w - - 0 1"},
           {"tellusererror Illegal position: 4k3/4R3/8/8/8/8/8/4K3 w - - 0 1: the side not to move is in "
            "check"});
    Expect({"usermove a1a2"}, {"Illegal move: a1a2"});
    Expect({"setboard 7k/8/6K1/8/8/8/Q7/8 w - - 0 1", "go"}, {"move a2a8", "1-0 {White mates}"});
}

TEST_F(Xboard2, BookOptions) {
    // The book is off until the option turns it on; "bk" lists its moves.
    Expect({"option OwnBook=1", "force", "bk"}, {" e2e4 12135"});
    // The list goes on with the lighter moves, to an empty line.
    int lines = 0;
    for (std::string line = program.ReadLine(); !line.empty() && line[0] == ' '; line = program.ReadLine())
        ++lines;
    EXPECT_GT(lines, 3);
    Expect({"option BookFile=/nonexistent.bin"},
           {"tellusererror cannot read the book /nonexistent.bin; Galvetta plays without a book"});
    Expect({"option Hash=64"}, {"Error (unknown option): Hash"});
}

TEST_F(Xboard2, AnalyzeAcrossAMoveThenExit) {
    Expect({"force", "post", "analyze"}, {});
    const std::string first = program.ReadLine();
    EXPECT_FALSE(legal_pv(first, STARTING_POSITION).empty()) << first;
    program.Send("usermove e2e4");
    // The analysis goes on from the new position, for Black.
    const std::string after_e4 =
        *FenToPositionText("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1").value;
    std::string line;
    for (int i = 0; i < 100 && legal_pv(line, after_e4).empty(); ++i)
        line = program.ReadLine();
    EXPECT_FALSE(legal_pv(line, after_e4).empty()) << line;
    // "." is no move, and "exit" ends the analysis without one.
    program.Send(".");
    program.Send("exit");
    program.Send("ping 6");
    for (line = program.ReadLine(); line.rfind("pong", 0) != 0 && line[0] != '<'; line = program.ReadLine())
        EXPECT_FALSE(legal_pv(line, after_e4).empty()) << line;
    EXPECT_EQ(line, "pong 6");
}

TEST_F(Xboard2, MoveNowAndDepthLimit) {
    Expect({"st 1000", "usermove e2e4"}, {});
    usleep(300000);
    const auto asked = std::chrono::steady_clock::now();
    program.Send("?");
    const std::string move = read_until(program, "move ");
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked)
            .count();
    EXPECT_EQ(move.size(), 9u) << move;
    EXPECT_LT(ms, 3000) << "? took " << ms << " ms"; // left alone, the search would take 1,000 s

    std::vector<std::string> thinking;
    Expect({"new", "sd 3", "post", "st 1000", "usermove d2d4"}, {GREETING});
    read_until(program, "move ", &thinking);
    ASSERT_FALSE(thinking.empty());
    for (const std::string& line : thinking)
        EXPECT_LE(std::stoi(line), 3) << line;
}

// Claims after the opponent's move and after the engine's, each true; none
// in an ordinary game.
TEST_F(Xboard2, ClaimsOfGamesEndedByRule) {
    // Black's king has one square to go to and back: the opponent's king
    // move brings the start about a third time.
    Expect({"force", "setboard k7/7R/8/8/8/8/8/2R3K1 b - - 0 1", "go"}, {"move a8b8"});
    Expect({"usermove g1h1"}, {"move b8a8"});
    Expect({"usermove h1g1"}, {"move a8b8"});
    Expect({"usermove g1h1"}, {"move b8a8"});
    Expect({"usermove h1g1"}, {"1/2-1/2 {Draw by repetition}"});
    // The engine's own move: the hundredth ply without a capture or a pawn
    // move, and the capture of the last piece that could mate.
    const struct {
        const char* fen;
        const char* claim;
    } rows[] = {{"8/8/8/4k3/8/8/8/R3K3 w - - 99 80", "1/2-1/2 {50 move rule}"},
                {"7k/8/8/8/8/8/5p2/4K3 w - - 0 1", "1/2-1/2 {Insufficient material}"}};
    for (const auto& row : rows) {
        Expect({"new", "force", std::string("setboard ") + row.fen, "go"}, {GREETING});
        EXPECT_EQ(read_until(program, "move ").rfind("move ", 0), 0u) << row.fen;
        EXPECT_EQ(program.ReadLine(), row.claim) << row.fen;
    }
    // An ordinary game claims nothing.
    Expect({"new", "sd 2"}, {GREETING});
    std::string position = STARTING_POSITION;
    for (int move = 0; move < 6; ++move) {
        const std::string ours = LegalMoves(position).front().Coordinate();
        position = PositionAfter(position, *ParseSan(position, ours).value);
        program.Send("usermove " + ours);
        program.Send("ping " + std::to_string(10 + move));
        std::vector<std::string> lines;
        read_until(program, "pong " + std::to_string(10 + move), &lines);
        for (const std::string& line : lines) {
            EXPECT_TRUE(line.rfind("move ", 0) == 0) << line;
            if (line.rfind("move ", 0) == 0)
                position = PositionAfter(position, *ParseSan(position, line.substr(5)).value);
        }
    }
}

} // namespace galvetta::test
