#include "game/TimePlanning.h"

#include <atomic>
#include <cmath>

#include "game/EngineDriver.h"

namespace galvetta {

PlanOutcome PlanSearch(PlanningStats& stats, TEngineDriver& driver, int my_seconds, int opponent_seconds) {
    Header& header = driver.Block->header;
    const double n = header.move_number;
    const double generated = driver.GeneratedMoves();

    stats.TotalGenerated += generated;
    if (stats.TotalGenerated < 1000000) stats.TotalGenerated = 1000000;
    if (n < 2) stats.BranchingFactor = 70;

    double my = my_seconds, opp = opponent_seconds;
    if (my <= 0) my = 3;
    if (opp <= 0) opp = 3;

    double m;
    if (driver.MovesPerControl == 0) {
        m = 40 - 0.5 * n;
        if (m < 10) m = 10;
        if (opp / my > 1.2) m *= 1.2;
    } else {
        m = driver.MovesPerControl - n + 1;
    }
    if (n < 8) m = m * 3 * 0.25;
    if (m < 10) m = 15;

    if (driver.ElapsedMs <= 0) driver.ElapsedMs = 1;
    stats.TotalMs += driver.ElapsedMs;
    double speed = stats.TotalGenerated / stats.TotalMs;
    if (speed < 30000) speed = 30000;

    driver.BudgetMs = my * 1000 / m;
    if (driver.SecondsPerMove != 0) driver.BudgetMs = driver.SecondsPerMove * 600.0;
    if (driver.BudgetMs < 100) driver.BudgetMs = 100;
    double cap = speed * driver.BudgetMs;

    stats.BranchingFactor =
        0.75 * std::pow(generated, 1 / stats.PlannedDepth) + 0.25 * stats.BranchingFactor + 0.25;
    if (stats.BranchingFactor < 2) stats.BranchingFactor = 2;
    if (cap < 32) cap = 32;

    stats.PlannedDepth = std::log(cap) / std::log(stats.BranchingFactor);
    int d = static_cast<int>(std::ceil(stats.PlannedDepth + 0.2));
    if (d <= 6) d = 6;
    stats.PlannedDepth = d;

    PlanOutcome outcome;
    for (;;) {
        const double predicted = std::ceil(std::pow(stats.BranchingFactor, d));
        const double predicted_ms = std::ceil(predicted / speed);
        outcome.predicted_moves = FormatFloat(predicted) + " (" + FormatFloat(stats.BranchingFactor) + ")";
        outcome.predicted_ms = FormatFloat(predicted_ms);
        if (driver.BudgetMs * 1.2 >= predicted_ms || d <= 4) break;
        --d;
    }
    d &= ~1;
    stats.PlannedDepth = d;
    outcome.depth = d;

    header.max_depth = d;
    header.nodes = 1;
    std::atomic_ref<uint32_t>(header.generated_moves[0]).store(1, std::memory_order_relaxed);
    std::atomic_ref<uint32_t>(header.generated_moves[1]).store(0, std::memory_order_relaxed);
    header.depth_step = 4;
    header.start_depth = 4;
    return outcome;
}

} // namespace galvetta
