// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TimePlanning.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "notation/Words.h"
#include "search/EngineDriver.h"

namespace galvetta {

namespace {

// The planning's numbers.
constexpr double OPENING_BRANCHING = 70;  // the engine's first two moves
constexpr int OPENING_MOVES = 2;          // ... that is, while move_number is below this
constexpr double GAME_MOVES = 40;         // moves to plan for in a whole-game control...
constexpr double MOVES_LEFT_SHRINK = 0.5; // ... less this much a move played
constexpr double FEWEST_MOVES = 10;       // ... but never fewer
constexpr double BEHIND_ON_TIME = 1.2;    // the opponent's clock over ours that plans more moves
constexpr double MORE_MOVES = 1.2;        // ... and by how much
constexpr int EARLY_MOVES = 8;            // the engine's first moves...
constexpr double EARLY_SHARE = 3 * 0.25;  // ... plan for this share of the moves
constexpr double FEW_MOVES = 10;          // fewer moves left than this...
constexpr double FEW_MOVES_PLANNED = 15;  // ... are planned as this many
constexpr double SLOWEST_SPEED = 30000;   // generated moves a millisecond, at least
constexpr double FIXED_TIME_SHARE = 600;  // milliseconds of a second a move given by "st"
constexpr double SMALLEST_BUDGET = 100;   // milliseconds
constexpr double SMALLEST_CAPACITY = 32;  // generated moves
constexpr double OLD_BRANCHING_WEIGHT = 0.25, NEW_BRANCHING_WEIGHT = 0.75, BRANCHING_BIAS = 0.25;
constexpr double SMALLEST_BRANCHING = 2;
constexpr double DEPTH_ROUNDING = 0.2; // added before the depth is rounded up
constexpr int SHALLOWEST_PLAN = 6, SHALLOWEST_DEPTH = 4;
constexpr double BUDGET_SLACK = 1.2;    // a depth fits when its predicted time is within this many budgets
constexpr int SECONDS_WHEN_FLAGGED = 3; // a clock at or below zero counts as this

// The hard limit's numbers: the margin is MARGIN_MS plus MARGIN_SHARE of the
// clock, at most MAX_MARGIN_MS.
constexpr double MARGIN_MS = 50, MARGIN_SHARE = 0.05, MAX_MARGIN_MS = 1000;
constexpr double HARD_BUDGETS = 2;
constexpr double MIN_HARD_MS = 20;

// A UCI clock's budget: the moves its time is shared over when the interface
// names no control nearer, the share of the increment spent at once, the
// largest share of what the margin leaves of the clock, and the budgets after
// which the search is cut. The iteration under way when the budget is spent
// is finished, so a move takes more than its budget; spending only a quarter
// of the increment keeps a clock of some twenty increments at the end of a
// long game, instead of living from one increment to the next.
constexpr double CLOCK_MOVES = 40;
constexpr double INCREMENT_SHARE = 0.25;
constexpr double CLOCK_CAP = 0.5;
constexpr double CLOCK_HARD_BUDGETS = 1.5;

} // namespace

double HardLimitMs(double clock_ms, double budget_ms) {
    const double margin = std::min(MARGIN_MS + MARGIN_SHARE * std::max(clock_ms, 0.0), MAX_MARGIN_MS);
    return std::max(std::min(clock_ms - margin, HARD_BUDGETS * budget_ms), MIN_HARD_MS);
}

PlanOutcome PlanSearch(PlanningStats& stats, const PlanInput& input) {
    const double n = input.move_number;
    const double generated = input.generated;
    PlanOutcome outcome;

    stats.TotalGenerated = std::max(stats.TotalGenerated + generated, 1000000.0);
    if (n < OPENING_MOVES) stats.BranchingFactor = OPENING_BRANCHING;

    double my = input.my_seconds, opp = input.opponent_seconds;
    if (my <= 0) my = SECONDS_WHEN_FLAGGED;
    if (opp <= 0) opp = SECONDS_WHEN_FLAGGED;

    double m;
    if (input.moves_per_control == 0) {
        m = std::max(GAME_MOVES - MOVES_LEFT_SHRINK * n, FEWEST_MOVES);
        if (opp / my > BEHIND_ON_TIME) m *= MORE_MOVES;
    } else {
        m = input.moves_per_control - n + 1;
    }
    if (n < EARLY_MOVES) m = m * EARLY_SHARE;
    if (m < FEW_MOVES) m = FEW_MOVES_PLANNED;

    stats.TotalMs += input.elapsed_ms <= 0 ? 1 : input.elapsed_ms;
    const double speed = std::max(stats.TotalGenerated / stats.TotalMs, SLOWEST_SPEED);

    double& budget = outcome.budget_ms;
    budget = my * 1000 / m;
    if (input.seconds_per_move != 0) budget = input.seconds_per_move * FIXED_TIME_SHARE;
    budget = std::max(budget, SMALLEST_BUDGET);
    const double cap = std::max(speed * budget, SMALLEST_CAPACITY);

    stats.BranchingFactor = NEW_BRANCHING_WEIGHT * std::pow(generated, 1 / stats.PlannedDepth) +
                            OLD_BRANCHING_WEIGHT * stats.BranchingFactor + BRANCHING_BIAS;
    stats.BranchingFactor = std::max(stats.BranchingFactor, SMALLEST_BRANCHING);

    stats.PlannedDepth = std::log(cap) / std::log(stats.BranchingFactor);
    int d = std::max(static_cast<int>(std::ceil(stats.PlannedDepth + DEPTH_ROUNDING)), SHALLOWEST_PLAN);
    stats.PlannedDepth = d;

    for (;;) {
        const double predicted = std::ceil(std::pow(stats.BranchingFactor, d));
        const double predicted_ms = std::ceil(predicted / speed);
        outcome.predicted_moves = FormatFloat(predicted) + " (" + FormatFloat(stats.BranchingFactor) + ")";
        outcome.predicted_ms = FormatFloat(predicted_ms);
        if (budget * BUDGET_SLACK >= predicted_ms || d <= SHALLOWEST_DEPTH) break;
        --d;
    }
    d &= ~1; // even
    stats.PlannedDepth = d;
    outcome.depth = d;
    const double clock_ms =
        1000.0 * (input.seconds_per_move != 0 ? input.seconds_per_move : input.my_seconds);
    outcome.hard_ms = HardLimitMs(clock_ms, budget);
    return outcome;
}

PlanOutcome PlanClock(const ClockLimits& clock) {
    PlanOutcome outcome;
    const double time = std::max(clock.time_ms, 0.0);
    // Every move up to a control in sight may take CLOCK_HARD_BUDGETS budgets,
    // so its time is shared over that many: the last moves before it keep
    // their share instead of being played on what is left.
    const double moves =
        clock.moves_to_go > 0 ? std::min(clock.moves_to_go * CLOCK_HARD_BUDGETS, CLOCK_MOVES) : CLOCK_MOVES;
    const double margin = std::min(MARGIN_MS + MARGIN_SHARE * time, MAX_MARGIN_MS);
    const double share = time / moves + INCREMENT_SHARE * std::max(clock.increment_ms, 0.0);
    outcome.budget_ms = std::max(std::min(share, CLOCK_CAP * (time - margin)), 1.0);
    outcome.hard_ms = std::max(
        std::min(HardLimitMs(time, outcome.budget_ms), CLOCK_HARD_BUDGETS * outcome.budget_ms), MIN_HARD_MS);
    outcome.depth = MAX_SEARCH_DEPTH;
    outcome.predicted_moves.assign(1, '-'); // no count of moves is predicted
    outcome.predicted_ms = FormatFloat(std::round(outcome.budget_ms));
    return outcome;
}

} // namespace galvetta
