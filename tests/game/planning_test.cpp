// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "game/EngineDriver.h"
#include "game/TimePlanning.h"

namespace galvetta::test {

namespace {

struct Planned {
    double budget;
    int depth;
};

Planned plan(PlanningStats& stats, TEngineDriver& driver, int n, int my, int opp) {
    driver.Block->header.move_number = n;
    const PlanOutcome outcome = PlanSearch(stats, driver, my, opp);
    return {driver.BudgetMs, outcome.depth};
}

} // namespace

TEST(Planning, BudgetsFromTheTimeControl) {
    TEngineDriver driver(nullptr);
    PlanningStats stats;
    // level 0 120 0, engine to move at the start: m = 40 * 0.75 = 30.
    Planned p = plan(stats, driver, 0, 7200, 7200);
    EXPECT_DOUBLE_EQ(p.budget, 240000.0);
    EXPECT_EQ(stats.BranchingFactor >= 2, true);

    driver.SecondsPerMove = 60;
    EXPECT_DOUBLE_EQ(plan(stats, driver, 10, 1, 1).budget, 36000.0);
    driver.SecondsPerMove = 0;

    // A clock at or below zero counts as 3 seconds.
    for (int my : {0, -20}) {
        const double budget = plan(stats, driver, 20, my, 100).budget;
        EXPECT_LE(budget, 300.0);
        EXPECT_GE(budget, 100.0);
    }
    // 40 moves a control, 45 played: the moves left (-4) become 15.
    driver.MovesPerControl = 40;
    EXPECT_DOUBLE_EQ(plan(stats, driver, 45, 150, 150).budget, 10000.0);
}

TEST(Planning, DepthIsEvenAtLeastFourAndFitsTheBudget) {
    TEngineDriver driver(nullptr);
    PlanningStats stats;
    for (int n = 0; n < 30; ++n) {
        driver.Block->header.generated_moves[0] = 200000 + 37000 * n;
        driver.ElapsedMs = 5 + n;
        const Planned p = plan(stats, driver, n, 120 - 3 * n, 100);
        EXPECT_EQ(p.depth % 2, 0) << n;
        EXPECT_GE(p.depth, 4) << n;
        EXPECT_EQ(driver.Block->header.max_depth, p.depth);
        EXPECT_EQ(driver.Block->header.start_depth, 4);
        EXPECT_EQ(driver.Block->header.depth_step, 4);
        EXPECT_EQ(driver.Block->header.nodes, 1u);
        EXPECT_EQ(driver.Block->header.generated_moves[0], 1u);
    }
    stats.ResetPlanning();
    EXPECT_EQ(stats.PlannedDepth, 6.0);
    EXPECT_EQ(stats.BranchingFactor, 10.0);
    EXPECT_EQ(stats.TotalMs, 0.0);
}

TEST(Planning, BranchingFactorIsSmoothedFromTheLastSearch) {
    TEngineDriver driver(nullptr);
    PlanningStats stats;
    driver.Block->header.generated_moves[0] = 1000000;
    plan(stats, driver, 0, 7200, 7200); // n < 2: starts from 70
    EXPECT_NEAR(stats.BranchingFactor, 0.75 * std::pow(1e6, 1 / 6.0) + 0.25 * 70 + 0.25, 1e-9);
}

// A person's time control, read in full or refused.
TEST(Planning, TimeControlLines) {
    struct Row {
        const char* line;
        bool read;
        int moves, base, increment;
        double per_move;
    } rows[] = {
        {"level 40 120 0", true, 40, 7200, 0, 0},
        {"level 0 5:30 2", true, 0, 330, 2, 0},
        {"st 2.5", true, 0, 0, 0, 2.5},
        {"level 40 5", false, 0, 0, 0, 0},
        {"level 0 0 5", false, 0, 0, 0, 0},
        {"level 0 :30 0", false, 0, 0, 0, 0},
        {"level -1 5 0", false, 0, 0, 0, 0},
        {"level 0 5x 0", false, 0, 0, 0, 0},
        {"level 0 99999999 0", false, 0, 0, 0, 0},
        {"st 0", false, 0, 0, 0, 0},
        {"st 5s", false, 0, 0, 0, 0},
        {"st", false, 0, 0, 0, 0},
        {"5 minutes", false, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        const Parsed<TimeControl> control = ParseTimeControl(row.line);
        ASSERT_EQ(control.value.has_value(), row.read) << row.line;
        if (!row.read) {
            EXPECT_FALSE(control.error.empty()) << row.line;
            continue;
        }
        EXPECT_EQ(control.value->moves, row.moves) << row.line;
        EXPECT_EQ(control.value->base_seconds, row.base) << row.line;
        EXPECT_EQ(control.value->increment_seconds, row.increment) << row.line;
        EXPECT_EQ(control.value->seconds_per_move, row.per_move) << row.line;
    }
}

} // namespace galvetta::test
