// SPDX-License-Identifier: GPL-3.0-or-later
// The built program speaking UCI over real pipes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "program.h"

namespace galvetta::test {

namespace {

const std::vector<std::string> UCI_REPLY = {
    "id name Galvetta 0.11.0",
    "id author the Galvetta developers",
    "option name Ponder type check default false",
    "option name MultiPV type spin default 1 min 1 max 8",
    "option name OwnBook type check default false",
    "option name BookFile type string default /usr/share/games/gnuchess/book.bin",
    "option name Move Overhead type spin default 10 min 0 max 5000",
    "uciok"};

// Reads lines until one starts with `prefix`; the lines before it are kept.
std::string ReadUntil(Program& program, const std::string& prefix, std::vector<std::string>* before = nullptr,
                      int timeout_ms = 30000) {
    for (;;) {
        std::string line = program.ReadLine(timeout_ms);
        if (line.rfind(prefix, 0) == 0 || line[0] == '<') return line;
        if (before != nullptr) before->push_back(line);
    }
}

// "bestmove" and a move, perhaps with the reply it expects.
bool AMove(const std::string& answer) {
    return answer.size() == 13 || (answer.size() == 25 && answer.compare(13, 8, " ponder ") == 0);
}

// A program that has answered "uci" and "isready".
class Uci : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(program.Started());
        ExpectReplies(program, {"uci"}, UCI_REPLY);
        ExpectReplies(program, {"isready"}, {"readyok"});
    }
    // The bestmove for `position`, searched to `depth`; the info lines before it.
    // With depth 0 the position line carries its own "go".
    std::string BestMove(const std::string& position, int depth, std::vector<std::string>* info = nullptr) {
        program.Send(position);
        if (depth > 0) program.Send("go depth " + std::to_string(depth));
        return ReadUntil(program, "bestmove ", info);
    }
    Program program{GALVETTA_BINARY, {"--uci"}};
};

} // namespace

TEST(UciSelection, FirstLineUciSwitchesAnyOtherKeepsWinBoard) {
    Program uci(GALVETTA_BINARY);
    ExpectReplies(uci, {"uci"},
                  {"tellics Hi from Galvetta (https://galvetta.example.org)", "id name Galvetta 0.11.0"});
    Program xboard(GALVETTA_BINARY);
    ExpectReplies(
        xboard, {"xboard", "uci"},
        {"tellics Hi from Galvetta (https://galvetta.example.org)", "Error (unknown command): uci"});
}

TEST_F(Uci, AnswersAfterItsIterationsWithTheLastOnesMove) {
    std::vector<std::string> info;
    const std::string best = BestMove("position startpos moves e2e4 e7e5", 5, &info);
    ASSERT_EQ(info.size(), 5u) << "every depth from 1 to 5";
    for (int depth = 1; depth <= 5; ++depth) {
        const std::string& line = info[depth - 1];
        EXPECT_EQ(line.rfind("info depth " + std::to_string(depth) + " seldepth ", 0), 0u) << line;
        for (const char* field : {" score cp ", " nodes ", " nps ", " time ", " pv "})
            EXPECT_NE(line.find(field), std::string::npos) << line;
    }
    // The answer is the last depth's first move, and the reply it expects.
    const std::string pv = info[4].substr(info[4].rfind(" pv ") + 4);
    EXPECT_EQ(best, "bestmove " + pv.substr(0, 4) + " ponder " + pv.substr(5, 4));
    // Played on, the answer is a legal move and the game goes on from it.
    program.Send("position startpos moves e2e4 e7e5 " + best.substr(9, 4));
    ExpectReplies(program, {"isready"}, {"readyok"});
}

TEST_F(Uci, PositionsAndTheirAnswers) {
    struct Row {
        const char* position;
        int depth;
        const char* answer; // the bestmove, or the line before it ("info string ...")
    };
    const Row rows[] = {
        // A promotion is written in UCI's form.
        {"position fen 8/P7/8/8/8/8/8/k6K w - - 0 1", 4, "bestmove a7a8q"},
        // Mate in one is a mate score.
        {"position fen 7k/8/6K1/8/8/8/Q7/8 w - - 0 1", 2, "bestmove a2a8"},
        // No legal move: mated, stalemated.
        {"position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", 3, "bestmove 0000"},
        {"position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 3, "bestmove 0000"},
        // En passant and castling as the FEN allows them; an underpromotion.
        {"position fen 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1 moves e5d6 e8d7", 1, nullptr},
        {"position fen 4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1 moves e5d6", 1, "info string illegal move e5d6"},
        {"position fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves e1g1 e8c8", 1, nullptr},
        {"position fen r3k2r/8/8/8/8/8/8/R3K2R w Qkq - 0 1 moves e1g1", 1, "info string illegal move e1g1"},
        {"position fen 8/P7/8/8/8/8/8/k6K w - - 0 1 moves a7a8n a1b2 a8b6", 1, nullptr},
        // An illegal move ends the list there: Black is to move after e2e4.
        {"position startpos moves e2e4 e2e4 e7e5", 1, "info string illegal move e2e4"},
        {"position fen 8/8/8/8 w - - 0 1", 1,
         "info string bad position: FEN board must have 8 ranks of 8 squares"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> before;
        const std::string best = BestMove(row.position, row.depth, &before);
        ASSERT_EQ(best.rfind("bestmove ", 0), 0u) << row.position;
        if (row.answer == nullptr) {
            for (const std::string& line : before)
                EXPECT_EQ(line.find("info string"), std::string::npos) << row.position << ": " << line;
        } else if (std::string(row.answer).rfind("bestmove", 0) == 0) {
            EXPECT_EQ(best.substr(0, best.find(" ponder ")), row.answer) << row.position;
        } else {
            ASSERT_FALSE(before.empty()) << row.position;
            EXPECT_EQ(before.front(), row.answer) << row.position;
        }
    }
    std::vector<std::string> info;
    BestMove("position fen 7k/8/6K1/8/8/8/Q7/8 w - - 0 1", 2, &info);
    ASSERT_FALSE(info.empty());
    EXPECT_NE(info.back().find(" score mate 1 "), std::string::npos) << info.back();
    const std::string black = BestMove("position startpos moves e2e4 e2e4", 1);
    EXPECT_TRUE(black[10] == '7' || black[10] == '8') << black;
}

// Node counts, root moves and several lines, as analysis asks for them.
TEST_F(Uci, NodesSearchMovesAndMultiPv) {
    // Node limits kept to within 5% or 1,024 nodes: the count searched is
    // reported before the answer, which is the last finished iteration's.
    for (uint64_t limit : {1000u, 100000u, 1000000u}) {
        std::vector<std::string> info;
        program.Send("position startpos");
        program.Send("go nodes " + std::to_string(limit));
        EXPECT_TRUE(AMove(ReadUntil(program, "bestmove ", &info)));
        ASSERT_GE(info.size(), 2u);
        ASSERT_EQ(info.back().rfind("info nodes ", 0), 0u) << info.back();
        const double searched = std::stod(info.back().substr(11));
        const double slack = std::max(0.05 * static_cast<double>(limit), 1024.0);
        EXPECT_NEAR(searched, static_cast<double>(limit), slack) << limit;
        const std::string& last = info[info.size() - 2];
        EXPECT_LE(std::stoull(last.substr(last.find(" nodes ") + 7)), limit) << last;
    }
    // Only the moves named are searched.
    std::vector<std::string> info;
    const std::string best = BestMove("position startpos\ngo searchmoves a2a3 h2h4 depth 4", 0, &info);
    EXPECT_TRUE(best.rfind("bestmove a2a3", 0) == 0 || best.rfind("bestmove h2h4", 0) == 0) << best;
    // Three lines a depth, each with another first move, best first.
    ExpectReplies(program, {"setoption name MultiPV value 3", "isready"}, {"readyok"});
    info.clear();
    BestMove("position startpos moves e2e4", 4, &info);
    ASSERT_EQ(info.size(), 12u);
    std::vector<std::string> firsts;
    int previous = 100000;
    for (size_t i = 9; i < 12; ++i) {
        EXPECT_NE(info[i].find(" multipv " + std::to_string(i - 8) + " "), std::string::npos) << info[i];
        firsts.push_back(info[i].substr(info[i].find(" pv ") + 4, 4));
        const int score = std::stoi(info[i].substr(info[i].find(" score cp ") + 10));
        EXPECT_LE(score, previous) << info[i];
        previous = score;
    }
    EXPECT_NE(firsts[0], firsts[1]);
    EXPECT_NE(firsts[1], firsts[2]);
    EXPECT_NE(firsts[0], firsts[2]);
}

// Each option set and seen through its effect; the book off by default, its
// moves played at once and varied when on; unknown names and bad values.
TEST_F(Uci, OptionsAndTheBook) {
    std::vector<std::string> info;
    BestMove("position startpos", 3, &info);
    EXPECT_EQ(info.size(), 3u) << "without the book the engine searches";

    ExpectReplies(program, {"setoption name OwnBook value true", "isready"}, {"readyok"});
    std::set<std::string> answers;
    for (int game = 0; game < 12; ++game) {
        info.clear();
        const std::string best = BestMove("ucinewgame\nposition startpos", 8, &info);
        EXPECT_TRUE(info.empty()) << "a book move is played at once";
        answers.insert(best.substr(9, 4));
    }
    EXPECT_GE(answers.size(), 2u) << "the book's moves vary";
    // Every move the Debian book holds for the start, the rarest at weight 2.
    const std::set<std::string> in_book = {"e2e4", "d2d4", "g1f3", "c2c4", "g2g3", "b2b3", "f2f4",
                                           "b1c3", "b2b4", "e2e3", "d2d3", "g2g4", "a2a3"};
    for (const std::string& move : answers)
        EXPECT_TRUE(in_book.count(move)) << move;
    ExpectReplies(program, {"setoption name OwnBook value false", "isready"}, {"readyok"});
    info.clear();
    BestMove("position startpos", 2, &info);
    EXPECT_EQ(info.size(), 2u);

    // Move Overhead: kept back from the move time.
    ExpectReplies(program, {"setoption name Move Overhead value 600", "isready"}, {"readyok"});
    const auto start = std::chrono::steady_clock::now();
    BestMove("position startpos\ngo movetime 1000", 0);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                  .count(),
              700);
    ExpectReplies(program, {"setoption name MultiPV value 2", "position startpos", "go depth 1"}, {});
    EXPECT_EQ(program.ReadLine().rfind("info depth 1 seldepth 2 multipv 1 ", 0), 0u);
    EXPECT_EQ(program.ReadLine().rfind("info depth 1 seldepth 2 multipv 2 ", 0), 0u);

    const struct {
        const char* line;
        const char* reply;
    } refused[] = {
        {"setoption name Hash value 64", "info string unknown option: Hash"},
        {"setoption name MultiPV value 9", "info string MultiPV takes a number from 1 to 8, not '9'"},
        {"setoption name OwnBook value perhaps", "info string OwnBook takes true or false, not 'perhaps'"},
        {"setoption name Ponder value 1", "info string Ponder takes true or false, not '1'"},
        {"setoption name Move Overhead value -1",
         "info string Move Overhead takes milliseconds from 0 to 5000, not '-1'"},
        {"setoption name BookFile value /nonexistent.bin",
         "info string cannot read the book /nonexistent.bin; the engine plays without a book"},
        {"setoption name OwnBook value true",
         "info string cannot read the book /nonexistent.bin; the engine plays without a book"},
    };
    ReadUntil(program, "bestmove ");
    for (const auto& row : refused)
        ExpectReplies(program, {row.line}, {row.reply});
}

TEST_F(Uci, StopAndIsReadyDuringASearchAndTheLimits) {
    // An infinite search waits for "stop"; "isready" is answered meanwhile.
    ExpectReplies(program, {"position startpos", "go infinite", "isready"}, {});
    EXPECT_EQ(ReadUntil(program, "readyok"), "readyok");
    for (std::string line; (line = program.ReadLine(300)) != "<timeout>";)
        EXPECT_NE(line.rfind("bestmove", 0), 0u) << "answered before stop";
    const auto stop = std::chrono::steady_clock::now();
    program.Send("stop");
    const std::string best = ReadUntil(program, "bestmove ");
    const long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - stop)
            .count();
    std::printf("stop during go infinite: bestmove after %ld ms\n", ms);
    EXPECT_TRUE(AMove(best)) << best;
    EXPECT_LT(ms, 2000);

    // A move time, a clock, a node count: each ends with a move.
    for (const char* go : {"go movetime 300", "go wtime 2000 btime 2000 movestogo 5", "go nodes 50000"}) {
        program.Send("position startpos moves d2d4");
        program.Send(go);
        const std::string answer = ReadUntil(program, "bestmove ", nullptr, 10000);
        EXPECT_TRUE(AMove(answer)) << go << ": " << answer;
    }
    ExpectReplies(program, {"frobnicate 3"}, {"info string unknown command: frobnicate 3"});
    ExpectReplies(program, {"setoption name Hash value 64", "ponderhit", "ucinewgame", "isready"},
                  {"info string unknown option: Hash", "readyok"});
    program.Send("quit");
    EXPECT_EQ(program.WaitExit(5000), 0);
}

} // namespace galvetta::test

namespace galvetta::test {

// A Polyglot book of one entry: e2e4 from the start (the published key).
std::string one_move_book() {
    const std::string path = ::testing::TempDir() + "galvetta-e2e4.bin";
    const unsigned char entry[16] = {0x46, 0x3b, 0x96, 0x18, 0x16, 0x91, 0xfc, 0x9c, // key
                                     0x03, 0x1c,                                     // e2e4
                                     0x00, 0x01, 0,    0,    0,    0};               // weight 1
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(entry, 1, sizeof entry, file);
    std::fclose(file);
    return path;
}

TEST_F(Uci, PonderHitBooksAndScoresOfThePosition) {
    // A ponder hit keeps the depth asked for: the answer comes.
    program.Send("position startpos moves e2e4");
    program.Send("go ponder depth 3");
    usleep(300000);
    program.Send("ponderhit");
    EXPECT_TRUE(AMove(ReadUntil(program, "bestmove ", nullptr, 10000)));

    // A directory is no book: one message, and play goes on.
    ExpectReplies(program, {"setoption name BookFile value /tmp"},
                  {"info string the book /tmp is not a regular file; the engine plays without a book"});
    ExpectReplies(program, {"isready"}, {"readyok"});
    // The book's move only where the interface allows it, and not for several lines.
    ExpectReplies(program,
                  {"setoption name BookFile value " + one_move_book(), "setoption name OwnBook value true"},
                  {});
    EXPECT_EQ(BestMove("position startpos", 3), "bestmove e2e4");
    const std::string allowed = BestMove("position startpos\ngo depth 3 searchmoves d2d4 g1f3", 0);
    EXPECT_TRUE(allowed.rfind("bestmove d2d4", 0) == 0 || allowed.rfind("bestmove g1f3", 0) == 0) << allowed;
    std::vector<std::string> info;
    ExpectReplies(program, {"setoption name MultiPV value 2"}, {});
    BestMove("position startpos", 2, &info);
    EXPECT_EQ(info.size(), 4u) << "two lines at each of two depths, searched";
    ExpectReplies(program, {"setoption name MultiPV value 1", "setoption name OwnBook value false"}, {});

    // Scores are the position's: four queens down is no equal game.
    const struct {
        const char* fen;
        int sign; // +1: the side to move is far ahead; -1: far behind
    } rows[] = {{"qqqqk3/8/8/8/8/8/8/7K w - - 0 1", -1}, {"4k3/8/8/8/8/8/8/QQQQK3 w - - 0 1", +1}};
    for (const auto& row : rows) {
        info.clear();
        BestMove(std::string("position fen ") + row.fen, 2, &info);
        ASSERT_FALSE(info.empty()) << row.fen;
        const size_t cp = info.back().find(" score cp ");
        ASSERT_NE(cp, std::string::npos) << info.back();
        EXPECT_GT(row.sign * std::stoi(info.back().substr(cp + 10)), 3000) << info.back();
    }
}

} // namespace galvetta::test
