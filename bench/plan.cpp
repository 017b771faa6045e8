#include "bench/plan.h"

namespace tr::bench {

Plan fullPlan() {
    Plan p;
    p.startupRuns = 10;
    p.idleMs = 60000;
    p.fastMs = 60000;
    p.slowMs = 540000;
    p.slowWindowMs = 60000;
    p.latencySamples = 200;
    p.toolRuns = 100;
    p.trendFastMs = 60000;
    p.trendSlowMs = 60000;
    p.turnMs = 10000;
    p.turns = 18;
    p.drawRuns = 20;
    p.loadFileBytes = 100LL * 1000 * 1000;
    return p;
}

Plan smokePlan() {
    Plan p;
    p.smoke = true;
    p.startupRuns = 2;
    p.idleMs = 500;
    p.fastMs = 1100;
    p.slowMs = 2100;
    p.slowWindowMs = 2100;
    p.latencySamples = 0;
    p.toolRuns = 3;
    p.trendFastMs = 1100;
    p.trendSlowMs = 2100;
    p.turnMs = 2100;
    p.turns = 3;
    p.drawRuns = 3;
    p.loadFileBytes = 2LL * 1000 * 1000;
    return p;
}

} // namespace tr::bench
