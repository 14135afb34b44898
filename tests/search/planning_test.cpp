// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "driver_probe.h"
#include "search/EngineDriver.h"
#include "search/TimePlanning.h"

namespace galvetta::test {

namespace {

struct Planned {
    double budget;
    int depth;
};

// The game's time control in these tests, as the planning reads it.
struct {
    int moves = 0;
    double seconds_per_move = 0;
} game_control;

// Plans as the game does, and gives the driver the plan's limits.
Planned plan(PlanningStats& stats, TEngineDriver& driver, int n, int my, int opp) {
    TEngineDriverProbe::Block(driver).header.move_number = n;
    const PlanInput input{.move_number = n,
                          .generated = driver.GeneratedMoves(),
                          .elapsed_ms = driver.ElapsedMs,
                          .moves_per_control = game_control.moves,
                          .seconds_per_move = game_control.seconds_per_move,
                          .my_seconds = my,
                          .opponent_seconds = opp};
    const PlanOutcome outcome = PlanSearch(stats, input);
    SearchLimits limits;
    limits.depth = outcome.depth;
    limits.budget_ms = outcome.budget_ms;
    limits.hard_ms = outcome.hard_ms;
    driver.SetSearchLimits(limits);
    return {driver.BudgetMs, outcome.depth};
}

} // namespace

TEST(Planning, BudgetsFromTheTimeControl) {
    game_control = {};
    TEngineDriver driver;
    PlanningStats stats;
    // level 0 120 0, engine to move at the start: m = 40 * 0.75 = 30.
    Planned p = plan(stats, driver, 0, 7200, 7200);
    EXPECT_DOUBLE_EQ(p.budget, 240000.0);
    EXPECT_EQ(stats.BranchingFactor >= 2, true);

    game_control.seconds_per_move = 60;
    EXPECT_DOUBLE_EQ(plan(stats, driver, 10, 1, 1).budget, 36000.0);
    game_control.seconds_per_move = 0;

    // A clock at or below zero counts as 3 seconds.
    for (int my : {0, -20}) {
        const double budget = plan(stats, driver, 20, my, 100).budget;
        EXPECT_LE(budget, 300.0);
        EXPECT_GE(budget, 100.0);
    }
    // 40 moves a control, 45 played: the moves left (-4) become 15.
    game_control.moves = 40;
    EXPECT_DOUBLE_EQ(plan(stats, driver, 45, 150, 150).budget, 10000.0);
}

TEST(Planning, DepthIsEvenAtLeastFourAndFitsTheBudget) {
    game_control = {};
    TEngineDriver driver;
    PlanningStats stats;
    for (int n = 0; n < 30; ++n) {
        TEngineDriverProbe::Block(driver).header.generated_moves[0] = 200000 + 37000 * n;
        driver.ElapsedMs = 5 + n;
        const Planned p = plan(stats, driver, n, 120 - 3 * n, 100);
        EXPECT_EQ(p.depth % 2, 0) << n;
        EXPECT_GE(p.depth, 4) << n;
        EXPECT_EQ(TEngineDriverProbe::Block(driver).header.max_depth, p.depth);
        EXPECT_EQ(TEngineDriverProbe::Block(driver).header.start_depth, 4);
        EXPECT_EQ(TEngineDriverProbe::Block(driver).header.depth_step, 4);
        EXPECT_EQ(TEngineDriverProbe::Block(driver).header.nodes, 1u);
        EXPECT_EQ(TEngineDriverProbe::Block(driver).header.generated_moves[0], 1u);
    }
    stats.ResetPlanning();
    EXPECT_EQ(stats.PlannedDepth, 6.0);
    EXPECT_EQ(stats.BranchingFactor, 10.0);
    EXPECT_EQ(stats.TotalMs, 0.0);
}

TEST(Planning, BranchingFactorIsSmoothedFromTheLastSearch) {
    game_control = {};
    TEngineDriver driver;
    PlanningStats stats;
    TEngineDriverProbe::Block(driver).header.generated_moves[0] = 1000000;
    plan(stats, driver, 0, 7200, 7200); // n < 2: starts from 70
    EXPECT_NEAR(stats.BranchingFactor, 0.75 * std::pow(1e6, 1 / 6.0) + 0.25 * 70 + 0.25, 1e-9);
}

// A person's time control, read in full or refused.

} // namespace galvetta::test

namespace galvetta::test {

// A UCI clock: remaining/40 (or over one and a half budgets for each move to
// a nearer control) plus a quarter of the increment,
// at most half of what the margin leaves; the search cut at one and a half
// budgets, never past the clock.
TEST(Planning, UciClockBudgets) {
    const struct {
        double time, increment;
        int moves_to_go;
        double budget, hard;
    } rows[] = {
        {60000, 0, 0, 1500, 2250},    // a minute for the game
        {60000, 1000, 0, 1750, 2625}, // the increment counts
        {60000, 0, 10, 4000, 6000},   // a control ten moves away
        {3000, 0, 2, 1000, 1500},     // the last moves before a control
        {15000, 0, 40, 375, 562.5},   // forty moves away: as many as without a control
        {60000, 0, 100, 1500, 2250},  // a far control is no nearer than forty moves
        {1000, 5000, 0, 450, 675},    // an increment larger than the clock: half of what is left
        {10000, 100, 0, 275, 412.5},  // 10+0.1 at the start
        {0, 0, 0, 1, 20},             // an empty clock answers at once
    };
    for (const auto& row : rows) {
        const PlanOutcome plan = PlanClock({row.time, row.increment, row.moves_to_go});
        EXPECT_NEAR(plan.budget_ms, row.budget, 0.01) << row.time << " " << row.increment;
        EXPECT_NEAR(plan.hard_ms, row.hard, 0.01) << row.time << " " << row.increment;
        EXPECT_LT(plan.hard_ms, std::max(row.time, 21.0)) << row.time;
    }
}

} // namespace galvetta::test
