#pragma once

namespace tr::bench {

// How long each phase runs. The full run takes about eleven minutes: the ten minutes of cyclic
// acquisition that the memory figures need also give the period, CPU, latency and transaction
// figures. The smoke run does every phase in about five seconds, to show that it works.
struct Plan {
    bool smoke = false;
    int startupRuns = 0;
    int idleMs = 0;         // port open, nothing sent
    int fastPeriodMs = 250; // cyclic acquisition, first
    int fastMs = 0;         // also "after 1 minute of acquisition" for the memory figures
    int slowPeriodMs = 1000;
    int slowMs = 0;         // fastMs + slowMs: the whole acquisition
    int slowWindowMs = 0;   // start of the slow phase: CPU and period accuracy
    int latencySamples = 0; // answers of the slow phase; 0: every answer of both phases
    int toolRuns = 0;       // invocations of each command-line master
    int channels = 8;       // registers per request
    int baud = 19200;
    int turnaroundMs = 5;
};

Plan fullPlan();
Plan smokePlan();

} // namespace tr::bench
