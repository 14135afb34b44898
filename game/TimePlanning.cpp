#include "game/TimePlanning.h"

#include <cmath>

#include "game/EngineDriver.h"

namespace galvetta {

PlanOutcome PlanSearch(PlanningStats& stats, const PlanInput& input) {
    const double n = input.move_number;
    const double generated = input.generated;
    PlanOutcome outcome;

    stats.TotalGenerated += generated;
    if (stats.TotalGenerated < 1000000) stats.TotalGenerated = 1000000;
    if (n < 2) stats.BranchingFactor = 70;

    double my = input.my_seconds, opp = input.opponent_seconds;
    if (my <= 0) my = 3;
    if (opp <= 0) opp = 3;

    double m;
    if (input.moves_per_control == 0) {
        m = 40 - 0.5 * n;
        if (m < 10) m = 10;
        if (opp / my > 1.2) m *= 1.2;
    } else {
        m = input.moves_per_control - n + 1;
    }
    if (n < 8) m = m * 3 * 0.25;
    if (m < 10) m = 15;

    stats.TotalMs += input.elapsed_ms <= 0 ? 1 : input.elapsed_ms;
    double speed = stats.TotalGenerated / stats.TotalMs;
    if (speed < 30000) speed = 30000;

    double& budget = outcome.budget_ms;
    budget = my * 1000 / m;
    if (input.seconds_per_move != 0) budget = input.seconds_per_move * 600.0;
    if (budget < 100) budget = 100;
    double cap = speed * budget;

    stats.BranchingFactor =
        0.75 * std::pow(generated, 1 / stats.PlannedDepth) + 0.25 * stats.BranchingFactor + 0.25;
    if (stats.BranchingFactor < 2) stats.BranchingFactor = 2;
    if (cap < 32) cap = 32;

    stats.PlannedDepth = std::log(cap) / std::log(stats.BranchingFactor);
    int d = static_cast<int>(std::ceil(stats.PlannedDepth + 0.2));
    if (d <= 6) d = 6;
    stats.PlannedDepth = d;

    for (;;) {
        const double predicted = std::ceil(std::pow(stats.BranchingFactor, d));
        const double predicted_ms = std::ceil(predicted / speed);
        outcome.predicted_moves = FormatFloat(predicted) + " (" + FormatFloat(stats.BranchingFactor) + ")";
        outcome.predicted_ms = FormatFloat(predicted_ms);
        if (budget * 1.2 >= predicted_ms || d <= 4) break;
        --d;
    }
    d &= ~1;
    stats.PlannedDepth = d;
    outcome.depth = d;
    return outcome;
}

PlanOutcome PlanSearch(PlanningStats& stats, TEngineDriver& driver, int my_seconds, int opponent_seconds) {
    const PlanInput input{
        .move_number = driver.MoveNumber(),
        .generated = driver.GeneratedMoves(),
        .elapsed_ms = driver.ElapsedMs,
        .moves_per_control = driver.MovesPerControl,
        .seconds_per_move = driver.SecondsPerMove,
        .my_seconds = my_seconds,
        .opponent_seconds = opponent_seconds,
    };
    const PlanOutcome outcome = PlanSearch(stats, input);
    driver.SetSearchLimits(outcome.depth, outcome.budget_ms);
    return outcome;
}

} // namespace galvetta
