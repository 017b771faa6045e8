#pragma once

#include <QtGlobal>

namespace tr::bench {

// How long each phase runs. The full run takes about fifteen minutes: the ten minutes of cyclic
// acquisition that the memory figures need also give the period, CPU, latency and transaction
// figures; three more minutes with the trend tab in front. The smoke run does every phase in about
// five seconds, to show that it works.
struct Plan {
    bool smoke = false;
    int startupRuns = 0;
    int idleMs = 0;         // port open, nothing sent
    int fastPeriodMs = 250; // cyclic acquisition, first
    int fastMs = 0;         // also "after 1 minute of acquisition" for the memory figures
    int slowPeriodMs = 1000;
    int slowMs = 0;           // fastMs + slowMs: the whole acquisition
    int slowWindowMs = 0;     // start of the slow phase: CPU and period accuracy
    int latencySamples = 0;   // answers of the slow phase; 0: every answer of both phases
    int toolRuns = 0;         // invocations of each command-line master
    int trendFastMs = 0;      // trend tab in front, a day pre-loaded: the fast period
    int trendSlowMs = 0;      // then the slow period, with each of two views
    int turnMs = 0;           // then tab 1, the trend and a bare window by turns, this long each,
    int turns = 0;            // this many turns in all (a third each)
    int drawRuns = 0;         // drawings of the day view timed
    qint64 loadFileBytes = 0; // the data file opened at the end
    int channels = 8;         // registers per request
    int baud = 19200;
    int turnaroundMs = 5;
};

Plan fullPlan();
Plan smokePlan();

} // namespace tr::bench
