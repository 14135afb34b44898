// SPDX-License-Identifier: GPL-3.0-or-later
// The game's own API, without a front-end: which clock runs after each thing
// a person or an interface does, the record of a game read from a file, and
// the book's wish and file in either order.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "notation/GameFile.h"
#include "play/Game.h"
#include "tests/notation/start_book.h"

namespace galvetta::test {

namespace {

struct NoticeView : GameView {
    std::vector<std::string> notices;
    void NoticeShown(const std::string& text) override { notices.push_back(text); }
};

class GameApi : public ::testing::Test {
  protected:
    GameApi() : linked_(white.SetLinkedClock(&black)), game(board, white, black, view) {
        game.ChangeOptions([](EngineOptions& o) { o.depth_cap = 2; });
    }
    // Runs the engine's search to its move.
    void EngineReplies() {
        for (int i = 0; i < 60000 && game.Searching(); ++i) {
            game.CollectFinishedSearch();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(game.Searching());
    }
    // The side whose clock runs: "white", "black" or "none".
    std::string Running() const {
        const std::optional<bool> side = game.Clock().Running();
        return side ? (*side ? "white" : "black") : "none";
    }
    // A person's game with the person on `white`'s side, White to move.
    void PersonGame(bool person_white, const char* fen = nullptr) {
        if (fen == nullptr) {
            game.NewGame();
        } else {
            const Parsed<FenPosition> start = ReadPlayableFen(fen);
            game.NewGameFrom(start.value->text, start.value->halfmove_clock, start.value->move_number);
        }
        game.SetTimeControl(TimeControl{.base_seconds = 900, .increment_seconds = 10});
        game.SetEngineWhite(!person_white);
        const bool engine_to_move = (board.GetPosition()[SIDE_TO_MOVE] == WHITE_ON_MOVE) != person_white;
        if (engine_to_move) {
            game.Go();
            EngineReplies();
        }
    }

    TBoardModel board;
    ChessClock white, black;
    bool linked_;
    NoticeView view;
    TGame game;
};

} // namespace

// Each row: a person's game, something done, and the clock that must run
// then (the person's, on the person's move).
TEST_F(GameApi, TheClockThatRunsIsTheSideToMoves) {
    for (const bool person_white : {true, false}) {
        SCOPED_TRACE(person_white ? "the person as White" : "the person as Black");
        const std::string person = person_white ? "white" : "black";
        const std::string engine = person_white ? "black" : "white";
        PersonGame(person_white);
        EXPECT_EQ(Running(), person_white ? "none" : person); // White's starts with its first move
        ASSERT_TRUE(board.Move(person_white ? "e2e4" : "e7e5"));
        EXPECT_EQ(Running(), engine);
        EngineReplies();
        EXPECT_EQ(Running(), person);
        ASSERT_TRUE(board.Move(person_white ? "d2d4" : "d7d6"));
        EngineReplies();

        // Take-back to the person's move: nothing runs until the person moves.
        game.TakeBackToPerson();
        EXPECT_EQ(Running(), "none");
        ASSERT_TRUE(board.Move(person_white ? "g1f3" : "g8f6"));
        EXPECT_EQ(Running(), engine);
        // Move now: the engine's move at once, the person's clock then.
        game.MoveNow();
        EXPECT_EQ(Running(), person);

        // Back two plies and on from there: the person's clock, as before.
        game.PauseClocks();
        EXPECT_EQ(Running(), "none");
        game.TakeBack();
        game.TakeBack();
        game.ResumeClocks();
        EXPECT_EQ(Running(), person);

        // Edit mode: no clock at all.
        game.SetEditMode(true);
        EXPECT_EQ(Running(), "none");
        EXPECT_FALSE(game.Clock().OnTheClock());
        game.SetEditMode(false);
    }

    // A set-up with Black to move, the person Black: the engine's clock after
    // the person's move, and the increment the person's.
    PersonGame(false, "4k3/4p3/8/8/8/8/4P3/4K3 b - - 0 1");
    ASSERT_TRUE(board.Move("e7e5"));
    EXPECT_EQ(Running(), "white");
    EXPECT_EQ(game.Clock().Remaining(false), 910000);
    EngineReplies();
    EXPECT_EQ(Running(), "black");
}

// A game read from a file keeps its tags and result when it is recorded
// again; a game played here has its own.
TEST_F(GameApi, TheRecordKeepsAReadGamesTags) {
    const OpenedGame opened = ReadGameText("[Event \"Club\"]\n[Site \"Rome\"]\n[Date \"1999.01.02\"]\n"
                                           "[Round \"3\"]\n[White \"A\"]\n[Black \"B\"]\n[Result \"1-0\"]\n"
                                           "[TimeControl \"40/7200\"]\n\n1. e4 e5 2. Nf3 1-0\n");
    ASSERT_EQ(opened.error, "");
    game.LoadGame(opened);
    const PgnGame record = game.Record();
    for (const char* tag : {"Event", "Site", "Date", "Round", "White", "Black", "TimeControl"})
        EXPECT_EQ(record.Tag(tag), opened.header.Tag(tag)) << tag;
    EXPECT_EQ(record.result, "1-0");
    EXPECT_EQ(record.moves, (std::vector<std::string>{"e4", "e5", "Nf3"}));

    // A file's evaluations, the mover's view, are White's in the game.
    const OpenedGame scored = ReadGameText("1. e4 {+0.30/7} e5 {+0.10/7} 2. Nf3 *\n");
    game.LoadGame(scored);
    const std::vector<std::optional<MoveEvaluation>> read = game.Evaluations();
    ASSERT_EQ(read.size(), 4u);
    EXPECT_FALSE(read[0] || read[3]);
    EXPECT_EQ(read[1], (MoveEvaluation{30, 0, 7}));
    EXPECT_EQ(read[2], (MoveEvaluation{-10, 0, 7}));
    EXPECT_EQ(game.Record().comments, (std::vector<std::string>{"+0.30/7", "+0.10/7", ""}));

    // A game played here: the engine's evaluation after each of its moves.
    game.NewGame();
    ASSERT_TRUE(board.Move("e2e4"));
    EngineReplies();
    EXPECT_EQ(game.Record().Tag("Event"), "Galvetta game");
    EXPECT_EQ(game.Record().result, "*");
    ASSERT_EQ(game.Evaluations().size(), 3u);
    EXPECT_TRUE(game.Evaluations()[2].has_value());
    EXPECT_FALSE(game.Record().comments.at(1).empty());
    game.TakeBack();
    EXPECT_EQ(game.Evaluations().size(), 2u);
}

// The wish for a book and the file are two facts: either order of the two
// options ends with the book in use, and a refused file leaves the wish.
TEST_F(GameApi, TheBookWishAndFileInEitherOrder) {
    const std::string path = WriteStartBook("galvetta-game-book.bin");
    const auto wish = [this](bool on) {
        return game.ChangeOptions([on](EngineOptions& o) { o.use_book = on; });
    };
    const auto file_named = [this](const std::string& name) {
        return game.ChangeOptions([&name](EngineOptions& o) { o.book_file = name; });
    };
    for (const bool wish_first : {true, false}) {
        wish(false);
        file_named("/nonexistent.bin");
        if (wish_first) {
            EXPECT_NE(wish(true), "");
            EXPECT_EQ(file_named(path), "");
        } else {
            EXPECT_EQ(file_named(path), "");
            EXPECT_EQ(wish(true), "");
        }
        EXPECT_TRUE(game.Options().use_book);
        EXPECT_TRUE(game.BookReady());
        EXPECT_EQ(game.BookEntries(STARTING_POSITION).size(), 1u);
    }
    // Gone after it was taken: said once, wherever the game is played.
    std::string refused;
    game.BookRefused = [&refused](const std::string& why) { refused += why + ";"; };
    std::remove(path.c_str());
    EXPECT_FALSE(game.BookReady());
    EXPECT_FALSE(game.BookReady());
    EXPECT_EQ(refused, "cannot read the book " + path + ";");
    EXPECT_EQ(view.notices.size(), 1u);
    EXPECT_TRUE(game.Options().use_book);
}

} // namespace galvetta::test
