// SPDX-License-Identifier: GPL-3.0-or-later
#include <vector>

#include "engine/movegen.h"
#include "support.h"

namespace galvetta::test {

namespace {

struct Listed {
    std::string text;
    uint32_t kind;
    int32_t gain;
};

std::vector<Listed> generate(StateBlock* block, uint32_t* count_out = nullptr) {
    const uint32_t count = generate_node(block, block->root());
    if (count_out) *count_out = count;
    std::vector<Listed> list;
    for (uint32_t i = 0; i < count; ++i)
        list.push_back({move_text(block, i), move_at(block, i)->kind, move_at(block, i)->gain});
    return list;
}

std::vector<std::string> texts(const std::vector<Listed>& list) {
    std::vector<std::string> out;
    for (const Listed& l : list)
        out.push_back(l.text);
    return out;
}

std::string pick_text(StateBlock* block) {
    const uint32_t index = (block->root()->pick - block->root()->first_move) / sizeof(MoveRecord);
    return move_text(block, index);
}

} // namespace

TEST(Generation, InitialPositionOrderGainsAndPick) {
    auto block = loaded_text(STARTING_POSITION);
    const auto list = generate(block.get());
    const std::vector<std::string> expected = {"a2-a3", "a2-a4", "b2-b3", "b2-b4", "c2-c3", "c2-c4", "d2-d3",
                                               "d2-d4", "e2-e3", "e2-e4", "f2-f3", "f2-f4", "g2-g3", "g2-g4",
                                               "h2-h3", "h2-h4", "b1-a3", "b1-c3", "g1-f3", "g1-h3"};
    EXPECT_EQ(texts(list), expected);
    EXPECT_EQ(list[1].kind, MOVE_DOUBLE_STEP);
    EXPECT_EQ(list[7].gain, 0x348C);
    EXPECT_EQ(list[9].gain, 0x348C);
    EXPECT_EQ(list[18].gain, 0x148C);
    EXPECT_EQ(pick_text(block.get()), "d2-d4");
    EXPECT_EQ(block->root()->pick_score, 0x348C);
    EXPECT_EQ(block->root()->candidates, 20);
    EXPECT_EQ(block->frames[3].first_move, MOVE_AREA_START + 20 * sizeof(MoveRecord));
}

TEST(Generation, SlidingRaysStopAtOwnPiecesAndCaptures) {
    // Rook a1 with its own knight on b1: only the N ray.
    auto block = loaded_fen("4k3/8/8/8/8/8/8/RN2K3 w - - 0 1");
    auto list = generate(block.get());
    std::vector<std::string> rook;
    for (const auto& l : list)
        if (l.text.rfind("a1", 0) == 0) rook.push_back(l.text);
    EXPECT_EQ(rook,
              (std::vector<std::string>{"a1-a2", "a1-a3", "a1-a4", "a1-a5", "a1-a6", "a1-a7", "a1-a8"}));

    block = loaded_fen("4k3/8/8/8/8/p7/8/RN2K3 w - - 0 1");
    list = generate(block.get());
    rook.clear();
    for (const auto& l : list)
        if (l.text.rfind("a1", 0) == 0) rook.push_back(l.text);
    EXPECT_EQ(rook, (std::vector<std::string>{"a1-a2", "a1-a3"}));
    EXPECT_EQ(list[1].gain, cell(block.get(), "a3")->weight);
    EXPECT_EQ(list[1].gain, 0x8C + static_cast<int32_t>(BLACK_PAWN)); // a-file squares weigh nothing
}

TEST(Generation, DirectionOrdersOfEachPiece) {
    struct Row {
        const char* fen;
        const char* piece_square;
        std::vector<std::string> first;
    };
    const Row rows[] = {
        {"4k3/8/8/8/3Q4/8/8/4K3 w - - 0 1",
         "d4",
         {"d4-d5", "d4-d6", "d4-d7", "d4-d8", "d4-c5", "d4-b6", "d4-a7", "d4-e5"}},
        {"4k3/8/8/8/3B4/8/8/4K3 w - - 0 1",
         "d4",
         {"d4-c5", "d4-b6", "d4-a7", "d4-e5", "d4-f6", "d4-g7", "d4-h8", "d4-c3"}},
        {"4k3/8/8/8/3N4/8/8/4K3 w - - 0 1",
         "d4",
         {"d4-c6", "d4-e6", "d4-b5", "d4-f5", "d4-b3", "d4-f3", "d4-c2", "d4-e2"}},
        {"8/8/8/3k4/8/8/8/4K3 b - - 0 1",
         "d5",
         {"d5-d6", "d5-e6", "d5-e5", "d5-e4", "d5-d4", "d5-c4", "d5-c5", "d5-c6"}},
        {"4k3/8/8/8/3R4/8/8/4K3 w - - 0 1",
         "d4",
         {"d4-d5", "d4-d6", "d4-d7", "d4-d8", "d4-e4", "d4-f4", "d4-g4", "d4-h4"}},
    };
    for (const Row& row : rows) {
        auto block = loaded_fen(row.fen);
        std::vector<std::string> got;
        for (const auto& l : generate(block.get()))
            if (l.text.rfind(row.piece_square, 0) == 0 && got.size() < row.first.size())
                got.push_back(l.text);
        EXPECT_EQ(got, row.first) << row.fen;
    }
}

TEST(Generation, CapturableKingMakesTheNodeIllegal) {
    // The bishop on b2 writes records before it meets the king on g7.
    auto block = loaded_fen("8/6k1/8/8/8/8/1B6/4K3 w - - 0 1");
    uint32_t count = 99;
    generate(block.get(), &count);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(block->frames[3].first_move, block->root()->first_move);
    // No moves at all also gives 0: Black's only piece is a blocked pawn.
    block = loaded_fen("8/8/8/8/8/p7/P7/7K b - - 0 1");
    generate(block.get(), &count);
    EXPECT_EQ(count, 0u);
}

TEST(Generation, PromotionsInOrderWithTheirGains) {
    auto block = loaded_fen("1r5k/P7/8/8/8/8/8/7K w - - 0 1");
    const auto list = generate(block.get());
    ASSERT_GE(list.size(), 8u);
    const int32_t a8 = cell(block.get(), "a8")->weight, b8 = cell(block.get(), "b8")->weight;
    const uint32_t words[4] = {WHITE_QUEEN, WHITE_ROOK, WHITE_BISHOP, WHITE_KNIGHT};
    const uint32_t routines[4] = {gen_queen, gen_rook, gen_bishop, gen_knight};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list[i].text, std::string("a7-a8=") + "QRBN"[i]);
        EXPECT_EQ(list[i].kind, MOVE_PROMOTION);
        EXPECT_EQ(list[i].gain, wrap_add(a8, static_cast<int32_t>(words[i])));
        EXPECT_EQ(move_at(block.get(), i)->promo_routine, routines[i]);
        EXPECT_EQ(list[4 + i].text, std::string("a7-b8=") + "QRBN"[i]);
        EXPECT_EQ(list[4 + i].gain, wrap_add(b8, static_cast<int32_t>(words[i])));
    }
    EXPECT_EQ(a8, 0x8C);
    EXPECT_EQ(list[0].gain, 0x4200092);
}

TEST(Generation, EnPassantCaptureAndPickBeforeTheVictimBonus) {
    auto block = loaded_fen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    const auto list = generate(block.get());
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list[0].text, "e5-e6");
    EXPECT_EQ(list[1].text, "e5-d6");
    EXPECT_EQ(list[1].kind, MOVE_EN_PASSANT);
    EXPECT_EQ(move_at(block.get(), 1)->victim_cell, sq("d5"));
    EXPECT_EQ(list[1].gain, wrap_add(cell(block.get(), "d6")->weight, static_cast<int32_t>(BLACK_PAWN)));
    // d6 weighs the same as e6, so the bonus came too late for the pick.
    EXPECT_EQ(pick_text(block.get()), "e5-e6");
    EXPECT_EQ(list.size(), 7u); // the pawn's two moves, the king's five
}

TEST(Generation, CastlingRecordsBonusesAndConditions) {
    auto block = loaded_fen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
    auto list = generate(block.get());
    std::vector<std::string> king;
    for (const auto& l : list)
        if (l.text.rfind("e1", 0) == 0) king.push_back(l.text);
    EXPECT_EQ(king,
              (std::vector<std::string>{"e1-d2", "e1-e2", "e1-f2", "e1-d1", "e1-c1", "e1-f1", "e1-g1"}));
    for (const auto& l : list) {
        if (l.text == "e1-g1") {
            EXPECT_EQ(l.kind, MOVE_CASTLE_SHORT);
            EXPECT_EQ(l.gain, 0x8C + CASTLE_SHORT_BONUS);
        } else if (l.text == "e1-c1") {
            EXPECT_EQ(l.kind, MOVE_CASTLE_LONG);
            EXPECT_EQ(l.gain, 0x8C + CASTLE_LONG_BONUS);
        } else if (l.text.rfind("e1", 0) == 0) {
            EXPECT_EQ(l.kind, MOVE_KING_LOSES_CASTLING);
        } else {
            EXPECT_EQ(l.kind, MOVE_ROOK_LOSES_CASTLING);
        }
    }
    // The castling records do not become the pick with their bonus.
    EXPECT_NE(pick_text(block.get()), "e1-g1");

    const struct {
        const char* fen;
        bool short_castle, long_castle;
    } rows[] = {
        {"4k3/8/8/8/8/8/8/R3K1nR w KQ - 0 1", false, true}, // black piece on g1
        {"4k3/8/8/8/8/8/8/R3K2R w Q - 0 1", false, true},   // h1 rook without the right
        {"4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", true, false}, // own knight on b1
        {"4k3/8/8/8/8/8/8/Rn2K2R w KQ - 0 1", true, false}, // enemy knight on b1
        {"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", true, true},
    };
    for (const auto& row : rows) {
        block = loaded_fen(row.fen);
        list = generate(block.get());
        bool short_seen = false, long_seen = false;
        for (const auto& l : list) {
            short_seen |= l.kind == MOVE_CASTLE_SHORT;
            long_seen |= l.kind == MOVE_CASTLE_LONG;
        }
        EXPECT_EQ(short_seen, row.short_castle) << row.fen;
        EXPECT_EQ(long_seen, row.long_castle) << row.fen;
    }
}

} // namespace galvetta::test
