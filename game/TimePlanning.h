// Before every search: the time budget in milliseconds and an even depth of
// at least 4 plies, planned from the clocks, the time control and the speed
// and branching factor measured over the game's earlier searches.
#pragma once

#include <string>

namespace galvetta {

class TEngineDriver;

struct PlanningStats {
    double PlannedDepth = 6.0;
    double TotalGenerated = 0.0;
    double TotalMs = 0.0;
    double BranchingFactor = 10.0;

    void ResetPlanning() { *this = PlanningStats{}; }
};

struct PlanOutcome {
    int depth = 4;
    std::string predicted_moves; // "predicted (branching factor)"
    std::string predicted_ms;
};

// Plans the next search: sets the driver's BudgetMs and the block's depths and
// counters. `my_seconds` and `opponent_seconds` are the two clocks' values.
PlanOutcome PlanSearch(PlanningStats& stats, TEngineDriver& driver, int my_seconds, int opponent_seconds);

} // namespace galvetta
