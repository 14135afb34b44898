// SPDX-License-Identifier: GPL-3.0-or-later
// PGN: self-played games written, read and replayed to the same positions;
// the reader on each piece of syntax and on broken files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>

#include "engine/engine_run.h"
#include "engine/loader.h"
#include "notation/GameFile.h"
#include "notation/Move.h"
#include "notation/Pgn.h"
#include "notation/San.h"

using namespace galvetta;

namespace {

// The engine's move at two plies, as coordinates ("e2-e4" becomes "e2e4").
std::string engine_move(const std::string& position) {
    auto block = std::make_unique<StateBlock>();
    new_header(block.get(), position);
    block->header.start_depth = block->header.max_depth = block->header.depth_step = 2;
    engine_run(block.get());
    const std::optional<Move> move = Move::Parse(block->header.move_text);
    return move ? move->Coordinate() : std::string();
}

// Games of the engine against itself, one move in four picked at random so
// that the games differ; some begin from a set-up position.
std::vector<std::vector<std::string>> self_played_games(int count) {
    std::mt19937 random(20261208);
    const std::string setups[] = {
        STARTING_POSITION, *FenToPositionText("4k3/1P6/8/8/8/8/6p1/R3K2R b KQ - 0 1").value,
        *FenToPositionText("r3k2r/pppq1ppp/8/3Pp3/8/8/PPP2PPP/R3K2R w KQkq e6 0 1").value};
    std::vector<std::vector<std::string>> games;
    for (int g = 0; g < count; ++g) {
        std::vector<std::string> positions{setups[g % 3]};
        for (int ply = 0; ply < 100; ++ply) {
            const std::vector<LegalMove> moves = LegalMoves(positions.back());
            if (moves.empty()) break;
            std::string chosen = random() % 4 == 0 ? moves[random() % moves.size()].Coordinate()
                                                   : engine_move(positions.back());
            const Parsed<LegalMove> move = ParseSan(positions.back(), chosen);
            if (!move) break;
            positions.push_back(PositionAfter(positions.back(), *move.value));
        }
        games.push_back(positions);
    }
    return games;
}

TEST(PgnRoundTrip, SelfPlayedGamesReadBackToTheSamePositions) {
    const auto games = self_played_games(50);
    std::string file;
    std::vector<PgnGame> written;
    for (size_t g = 0; g < games.size(); ++g) {
        PgnGame game = RecordGame(games[g]);
        game.SetTag("Event", "self-play round trip");
        game.SetTag("Round", std::to_string(g + 1));
        game.SetTag("White", "Galvetta");
        game.SetTag("Black", "Galvetta");
        ASSERT_EQ(game.moves.size() + 1, games[g].size());
        written.push_back(game);
        file += WritePgn(game);
    }
    // The test command checks this file with other readers too.
    if (const char* out = std::getenv("GALVETTA_PGN_OUT")) std::ofstream(out) << file;

    size_t longest = 0;
    for (size_t start = 0, end; (end = file.find('\n', start)) != std::string::npos; start = end + 1)
        longest = std::max(longest, end - start);
    EXPECT_LE(longest, 80u);

    const PgnFile read = ReadPgn(file);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.games.size(), games.size());
    int decided = 0;
    for (size_t g = 0; g < games.size(); ++g) {
        const PgnGame& game = read.games[g];
        EXPECT_EQ(game.moves, written[g].moves) << "game " << g + 1;
        EXPECT_EQ(game.result, written[g].result);
        EXPECT_EQ(WritePgn(game), WritePgn(written[g]));
        const PgnReplay replay = ReplayPgn(game);
        EXPECT_EQ(replay.error, "") << "game " << g + 1;
        EXPECT_EQ(replay.positions, games[g]) << "game " << g + 1;
        decided += game.result != "*";
    }
    EXPECT_GT(decided, 0); // some games end in mate or stalemate
}

TEST(PgnReader, EachPieceOfSyntax) {
    const char* text = "% an escape line\n"
                       "[Event \"A \\\"quoted\\\" name\"]\n"
                       "[Site \"?\"]\n"
                       "\n"
                       "1. e4 {a comment\n over two lines} e5 ; to the end of the line\n"
                       "2. Nf3 $1 (2. f4 exf4 (2... d5) {inner} 3. Nf3) 2... Nc6! 3.Bb5 a6 1-0\n"
                       "\n"
                       "[Event \"second\"]\n"
                       "[SetUp \"1\"]\n"
                       "[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 7\"]\n"
                       "\n"
                       "7... Kd7 8. e4 1/2-1/2\n"
                       "1. d4 *\n"
                       "1. e4 e5 2. Nf3 Nf6 3. Bc4 Bc5 4. 0-0 0-0 *\n";
    const PgnFile file = ReadPgn(text);
    ASSERT_EQ(file.error, "");
    ASSERT_EQ(file.games.size(), 4u);
    EXPECT_EQ(file.games[0].Tag("Event"), "A \"quoted\" name");
    EXPECT_EQ(file.games[0].moves, (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6!", "Bb5", "a6"}));
    EXPECT_EQ(file.games[0].result, "1-0");
    EXPECT_EQ(file.games[1].moves, (std::vector<std::string>{"Kd7", "e4"}));
    EXPECT_EQ(file.games[1].result, "1/2-1/2");
    EXPECT_EQ(ReplayPgn(file.games[1]).positions.back(),
              *FenToPositionText("8/3k4/8/8/4P3/8/8/4K3 b - e3 0 1").value);
    EXPECT_EQ(file.games[2].moves, (std::vector<std::string>{"d4"}));
    EXPECT_EQ(file.games[2].result, "*");
    // Castling written with zeros, as many files have it.
    EXPECT_EQ(ReplayPgn(file.games[3]).positions.back(),
              *FenToPositionText("rnbq1rk1/pppp1ppp/5n2/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 w - - 6 5").value);
}

TEST(PgnReader, MoveNumbersPastThirtyTwoBitsAndTheFensCounters) {
    const PgnFile file = ReadPgn("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 99 2147483647\"]\n\n"
                                 "2147483647. e4 Kd7 2147483648. Kd2 *\n");
    ASSERT_EQ(file.error, "");
    const PgnReplay replay = ReplayPgn(file.games[0]);
    EXPECT_EQ(replay.error, "");
    // Recorded again from its positions, the game keeps the FEN's counters.
    const PgnGame again = RecordGame(replay.positions, "*", 99, 2147483647);
    EXPECT_EQ(again.Tag("FEN"), "4k3/8/8/8/8/8/4P3/4K3 w - - 99 2147483647");
    EXPECT_NE(WritePgn(again).find("\n2147483647. e4 Kd7 2147483648. Kd2 *\n"), std::string::npos);
    EXPECT_EQ(RecordGame(replay.positions, "*", 0, 1).Tag("FEN"), "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
}

TEST(PgnReader, BrokenFilesAreReportedWithTheirLine) {
    const struct {
        const char* text;
        const char* error;
    } rows[] = {
        {"[Event \"never closed]\n1. e4 *\n", "line 1: tag Event: unterminated value"},
        {"[Event \"x\"\n\n1. e4 *\n", "line 1: tag Event has no closing ']'"},
        {"[Event \"x\"]\n\n1. e4 {no end\n\n", "line 3: comment not closed"},
        {"1. e4 (1. d4 d5\n", "line 1: variation not closed"},
        {"1. e4 e5\n2x. Nf3 *\n", "line 2: bad move number '2x.'"},
        {"1. e4 \x01\x02\xff *\n", "line 1: unexpected character 0x01"},
        {"1. e4 e5 ) *\n", "line 1: ')' without a variation"},
        {"[FEN \"not a position\"]\n\n1. e4 *\n", "line 3: bad FEN tag 'not a position'"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReadPgn(row.text).error, row.error) << row.text;

    std::string garbage;
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i)
        garbage += static_cast<char>(random());
    EXPECT_NE(ReadPgn(garbage).error, "");

    const PgnFile illegal = ReadPgn("1. e4 e5 2. Ke3 *\n");
    ASSERT_EQ(illegal.games.size(), 1u);
    const PgnReplay replay = ReplayPgn(illegal.games[0]);
    EXPECT_EQ(replay.error, "move 2. Ke3: illegal move 'Ke3'");
    EXPECT_EQ(replay.positions.size(), 3u); // the start and the last good position
}

// What other readers take, read here too: a byte-order mark, lines ended by
// a carriage return alone, an annotation apart from its move, a wrong move
// number (with a warning); each row one game of these moves.
TEST(PgnReader, FormsOtherReadersTake) {
    const struct {
        const char* text;
        size_t games;
        const char* warning;
    } rows[] = {
        {"\xEF\xBB\xBF[Event \"x\"]\n\n1. e4 e5 2. Nf3 *\n", 1, ""},
        {"[Event \"x\"]\r\r1. e4 ; a comment\re5 2. Nf3 *\r\r[Event \"y\"]\r%escape\r1. e4 e5 2. Nf3 *\r", 2,
         ""},
        {"1. e4 ! e5 ?! 2. Nf3 !! *\n", 1, ""},
        {"1. e4 e5 3. Nf3 *\n", 1, "game 1, line 1: move number 3. where 2 was expected"},
    };
    for (const auto& row : rows) {
        const PgnFile file = ReadPgn(row.text);
        EXPECT_EQ(file.error, "") << row.text;
        ASSERT_EQ(file.games.size(), row.games) << row.text;
        for (const PgnGame& game : file.games)
            EXPECT_EQ(game.moves, (std::vector<std::string>{"e4", "e5", "Nf3"})) << row.text;
        EXPECT_EQ(file.warnings.empty() ? "" : file.warnings.front(), row.warning) << row.text;
        // Open lists the games that have tags, from the tags alone.
        if (row.text[0] != '1') {
            EXPECT_EQ(ListPgnGames(row.text).size(), row.games) << row.text;
        }
    }

    // Another variant is refused by name, and the game after it is read; a
    // null move is refused in words that say so.
    const PgnFile variants =
        ReadPgn("[Variant \"Chess960\"]\n\n1. e4 *\n\n[Variant \"From Position\"]\n"
                "[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n\n1. e4 *\n\n1. e4 -- 2. d4 *\n");
    ASSERT_EQ(variants.games.size(), 3u);
    EXPECT_EQ(ReplayPgn(variants.games[0]).variant, "Chess960");
    EXPECT_EQ(ReplayPgn(variants.games[0]).error, "a game of Chess960, not of standard chess, is not read");
    EXPECT_EQ(ReplayPgn(variants.games[1]).error, "");
    EXPECT_EQ(ReplayPgn(variants.games[2]).error,
              "move 1... --: a null move ('--'), which no game of chess plays");
}

// Evaluations as comments after the moves, as xboard and cutechess write
// them: written, read back with the game, and only what is one is read.
TEST(PgnReader, EvaluationsAfterTheMoves) {
    const struct {
        const char* comment;
        std::optional<MoveEvaluation> read;
    } rows[] = {
        {"+0.35/8", MoveEvaluation{35, 0, 8}},
        {"-1.50/12 0.51s", MoveEvaluation{-150, 0, 12}},
        {"+M3/9", MoveEvaluation{0, 3, 9}},
        {"-M1/2", MoveEvaluation{0, -1, 2}},
        {"book", std::nullopt},
        {"+0.35", std::nullopt},
        {"0.35/8", std::nullopt},
        {"+M0/3", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ReadEvaluationComment(row.comment), row.read) << row.comment;
        if (row.read) {
            EXPECT_EQ(ReadEvaluationComment(EvaluationComment(*row.read)), row.read) << row.comment;
        }
    }
    PgnGame game = ReadPgn("1. e4 e5 2. Nf3 *\n").games.at(0);
    game.comments = {"+0.20/6", "", "-M2/5"};
    const std::string text = WritePgn(game);
    EXPECT_NE(text.find("1. e4 {+0.20/6} 1... e5 2. Nf3 {-M2/5} *"), std::string::npos) << text;
    const PgnFile again = ReadPgn(text);
    ASSERT_EQ(again.games.size(), 1u);
    EXPECT_EQ(again.games[0].moves, game.moves);
    EXPECT_EQ(again.games[0].comments, game.comments);
    // An ending after an evaluated last move: one comment, its evaluation read.
    game.ending = "XBoard adjudication: repetition draw";
    const std::string ended = WritePgn(game);
    EXPECT_NE(ended.find("2. Nf3 {-M2/5 XBoard adjudication: repetition draw} *"), std::string::npos)
        << ended;
    EXPECT_EQ(ReadEvaluationComment(ReadPgn(ended).games.at(0).comments.back()), MoveEvaluation({0, -2, 5}));
}

TEST(PgnWriter, TagsResultAndNumbering) {
    // The last position twice, as a search that finds its side mated leaves it.
    PgnGame game = RecordGame({*FenToPositionText("6k1/5ppp/8/8/8/8/8/R3K3 b Q - 0 1").value,
                               *FenToPositionText("7k/5ppp/8/8/8/8/8/R3K3 w Q - 0 1").value,
                               *FenToPositionText("R6k/5ppp/8/8/8/8/8/4K3 b - - 0 1").value,
                               *FenToPositionText("R6k/5ppp/8/8/8/8/8/4K3 b - - 0 1").value});
    game.SetTag("TimeControl", TimeControlTag(40, 300, 0, 0));
    EXPECT_EQ(WritePgn(game), "[Event \"?\"]\n[Site \"?\"]\n[Date \"?\"]\n[Round \"?\"]\n[White \"?\"]\n"
                              "[Black \"?\"]\n[Result \"1-0\"]\n[SetUp \"1\"]\n"
                              "[FEN \"6k1/5ppp/8/8/8/8/8/R3K3 b Q - 0 1\"]\n[TimeControl \"40/300\"]\n\n"
                              "1... Kh8 2. Ra8# 1-0\n\n");
    EXPECT_EQ(TimeControlTag(0, 120, 2, 0), "120+2");
    EXPECT_EQ(TimeControlTag(0, 0, 0, 5), "1/5");
    EXPECT_EQ(ResultOfPosition(*FenToPositionText("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1").value), "1/2-1/2");
}

} // namespace

namespace galvetta::test {

// A list of games without their moves read: each entry's text is its game,
// whole, and a '[' that starts a line inside a comment begins no game.
TEST(PgnList, GamesFoundFromTheirTagsAlone) {
    const std::string text = "[Event \"one\"]\n[White \"A \\\"Al\\\"\"]\n[Black \"B\"]\n[Result \"1-0\"]\n\n"
                             "1. e4 e5 {a comment\n[not a tag] over lines} 2. Nf3 1-0\n\n"
                             "[Event \"two\"]\n[Date \"2026.12.09\"]\n\n1. d4 *\n"
                             "[Event \"three\"]\n[White \"C\"]\n1. c4 c5 *\n";
    const std::vector<PgnEntry> games = ListPgnGames(text);
    ASSERT_EQ(games.size(), 3u);
    EXPECT_EQ(games[0].white, "A \"Al\"");
    EXPECT_EQ(games[0].result, "1-0");
    EXPECT_EQ(games[1].date, "2026.12.09");
    EXPECT_EQ(games[1].result, "*");
    EXPECT_EQ(games[2].white, "C");
    const std::vector<std::string> moves[] = {{"e4", "e5", "Nf3"}, {"d4"}, {"c4", "c5"}};
    for (size_t i = 0; i < games.size(); ++i) {
        EXPECT_EQ(i == 0 ? 0 : games[i - 1].end, games[i].begin) << i;
        const PgnFile one =
            ReadPgn(std::string_view(text).substr(games[i].begin, games[i].end - games[i].begin));
        ASSERT_EQ(one.games.size(), 1u) << i;
        EXPECT_EQ(one.games[0].moves, moves[i]) << i;
    }
    EXPECT_EQ(games.back().end, text.size());
    // The listing stops when its progress says so.
    std::string many;
    for (int i = 0; i < 2500; ++i)
        many += "[Event \"x\"]\n\n1. e4 *\n\n";
    size_t calls = 0;
    EXPECT_EQ(ListPgnGames(many, [&calls](size_t) { return ++calls < 2; }).size(), 2 * PROGRESS_STEP);
    EXPECT_EQ(calls, 2u);
}

} // namespace galvetta::test
