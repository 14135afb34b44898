// SPDX-License-Identifier: GPL-3.0-or-later
#include <utility>
#include <vector>

#include "support.h"

namespace galvetta::test {

TEST(Loader, StartPositionRecordsAndCastlingRoutines) {
    auto block = loaded_text(STARTING_POSITION);
    const EngineVars& vars = block->vars;
    EXPECT_EQ(vars.last_record[side_index(BLACK)], FIRST_WHITE_RECORD + 15 * sizeof(PieceRecord));
    EXPECT_EQ(vars.last_record[side_index(WHITE)], FIRST_BLACK_RECORD + 15 * sizeof(PieceRecord));
    // Records follow board order a8..h1 per side.
    EXPECT_EQ(block->board_area.black[0].letter, 'R');
    EXPECT_EQ(block->board_area.black[0].cell, sq("a8"));
    EXPECT_EQ(block->board_area.white[0].cell, sq("a2"));
    EXPECT_EQ(block->board_area.white[12].letter, 'k');
    EXPECT_EQ(block->board_area.white[12].cell, sq("e1"));
    for (uint32_t king : vars.castle_king) {
        ASSERT_NE(king, 0u);
        EXPECT_EQ(at<PieceRecord>(block.get(), king)->routine, gen_castling_king);
    }
    for (uint32_t rook : vars.castle_rook) {
        ASSERT_NE(rook, 0u);
        EXPECT_EQ(at<PieceRecord>(block.get(), rook)->routine, gen_castling_rook);
    }
    EXPECT_EQ(cell(block.get(), "e4")->weight, 0x348C);
    EXPECT_EQ(cell(block.get(), "d1")->weight, 0x4200092);
    EXPECT_EQ(cell(block.get(), "d1")->occupant, WHITE_QUEEN);
}

TEST(Loader, OnlyGrantedRightsChangeRoutines) {
    std::string text = STARTING_POSITION;
    text.replace(66, 4, "+---");
    auto block = loaded_text(text);
    const EngineVars& v = block->vars;
    auto routine = [&](uint32_t record) { return at<PieceRecord>(block.get(), record)->routine; };
    EXPECT_EQ(routine(v.castle_king[0]), gen_castling_king);
    EXPECT_EQ(routine(v.castle_rook[1]), gen_castling_rook);
    EXPECT_EQ(routine(v.castle_rook[0]), gen_rook);
    EXPECT_EQ(routine(v.castle_king[1]), gen_king);
    EXPECT_EQ(routine(v.castle_rook[2]), gen_rook);
    EXPECT_EQ(routine(v.castle_rook[3]), gen_rook);
}

TEST(Loader, RightWithoutItsPiecesAtHomeGrantsNothing) {
    auto block = loaded_fen("4k3/8/8/8/8/8/8/R3K1R1 w KQ - 0 1");
    EXPECT_EQ(block->vars.castle_rook[1], 0u);
    EXPECT_EQ(at<PieceRecord>(block.get(), block->vars.castle_king[0])->routine, gen_castling_king);
    EXPECT_EQ(at<PieceRecord>(block.get(), block->vars.castle_rook[0])->routine, gen_castling_rook);
}

TEST(Loader, EnPassantTargetNeedsThePawnThatPassed) {
    struct Case {
        std::vector<std::pair<int, char>> squares; // changes to the start position
        char side, file;
        const char* target; // nullptr: no capture
    };
    const Case cases[] = {
        {{{11, '-'}, {27, 'P'}}, 'B', 'd', "d6"}, // after d7-d5
        {{{51, '-'}, {35, 'p'}}, 'N', 'd', "d3"}, // after d2-d4
        {{{51, '-'}, {35, 'p'}}, 'N', '-', nullptr},
        {{}, 'B', 'd', nullptr},                                           // no pawn passed d6
        {{{52, '-'}, {36, 'n'}}, 'N', 'e', nullptr},                       // a knight on e4 is no pawn
        {{{51, '-'}, {35, 'p'}, {62, '-'}, {43, 'n'}}, 'N', 'd', nullptr}, // d3 is taken
    };
    for (const Case& c : cases) {
        std::string text = STARTING_POSITION;
        for (auto [index, piece] : c.squares)
            text[index] = piece;
        text[64] = c.side;
        text[65] = c.file;
        EXPECT_EQ(loaded_text(text)->frames[1].ep_target, c.target ? sq(c.target) : 0u) << text;
    }
}

TEST(Loader, RefusesMoreThanSixteenPiecesOfASide) {
    std::string text = STARTING_POSITION;
    text[20] = 'P'; // a 17th Black piece
    auto block = block_with_text(text);
    prepare_block(block.get());
    EXPECT_FALSE(position_fits(text.c_str()));
    EXPECT_FALSE(load_position(block.get()));
    text[20] = '-';
    EXPECT_TRUE(position_fits(text.c_str()));
}

TEST(Loader, UnknownCharactersAmongSquaresAreSkipped) {
    std::string text = STARTING_POSITION;
    text.insert(8, "xy"); // two stray characters before rank 7
    text.resize(70);      // the last two flags fall off; squares are still 64
    auto block = block_with_text(text);
    prepare_block(block.get());
    ASSERT_TRUE(load_position(block.get()));
    EXPECT_EQ(cell(block.get(), "a7")->occupant, BLACK_PAWN);
    EXPECT_EQ(cell(block.get(), "h1")->occupant, WHITE_ROOK);
}

TEST(MoveText, ParseSquareAndMoveForms) {
    EXPECT_EQ(parse_square("a8").displacement, 0);
    EXPECT_EQ(parse_square("h1").displacement, 1904);
    EXPECT_EQ(parse_square("e1").displacement, 1856);
    for (const char* text : {"e2e4", "e2-e4", "e2xe4"}) {
        const ParsedMove move = parse_move(text);
        EXPECT_EQ(BOARD_ORIGIN + move.from, sq("e2")) << text;
        EXPECT_EQ(BOARD_ORIGIN + move.to, sq("e4")) << text;
    }
}

TEST(MoveText, WritesPlainPromotionAndRefusesForeignRecords) {
    auto block = loaded_fen("8/P6k/8/8/8/8/7K/8 w - - 0 1");
    char out[16] = {};
    MoveRecord* m = move_at(block.get(), 0);
    m->from = sq("a7");
    m->to = sq("a8");
    m->kind = MOVE_PROMOTION;
    const struct {
        uint32_t word;
        const char* text;
    } rows[] = {{WHITE_QUEEN, "a7-a8=Q"},
                {WHITE_ROOK, "a7-a8=R"},
                {BLACK_BISHOP, "a7-a8=B"},
                {BLACK_KNIGHT, "a7-a8=N"}};
    for (const auto& row : rows) {
        m->promo_word = row.word;
        char* end = write_move(block.get(), offset_of(block.get(), m), out);
        EXPECT_EQ(std::string(out, end), row.text);
    }
    m->kind = MOVE_DOUBLE_STEP;
    EXPECT_EQ(std::string(out, write_move(block.get(), offset_of(block.get(), m), out)), "a7-a8");
    EXPECT_EQ(write_move(block.get(), 0, out), out);
    EXPECT_EQ(write_move(block.get(), MOVE_AREA_END, out), out);
    EXPECT_EQ(write_move(block.get(), MOVE_AREA_START - 64, out), out);
}

} // namespace galvetta::test
