#pragma once

#include "bench/plan.h"
#include "bench/probe.h"
#include "bench/stats.h"
#include "support/wirelog.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tr {
class frmMain;
}

namespace tr::bench {

// Lets the window run for ms milliseconds; a request in progress finishes first.
void runFor(int ms);
// Station 2, function 4, registers 0 .. channels − 1, no data file.
void askForMeasurements(frmMain &window, int channels);
// "循环采集" at `periodMs`.
void startCyclic(frmMain &window, int periodMs);

// Raw outcome of the window phases: stamps and counters, no judgement yet.
struct WindowRun {
    QString error; // set when a phase could not run
    std::vector<Transaction> transactions;
    qint64 idleCpuMicros = 0, idleWallMicros = 0;
    qint64 windowCpuMicros = 0, windowWallMicros = 0; // start of the slow phase
    qint64 slowCpuMicros = 0, slowWallMicros = 0;     // the whole slow phase
    qint64 fastStartedAt = 0, slowStartedAt = 0;      // cyclic acquisition started (cmdOneM)
    qint64 hwmEarlyKb = 0, rssEarlyKb = 0;            // after the first minute of acquisition
    qint64 hwmLateKb = 0, rssLateKb = 0;              // at the end of the acquisition
    QStringList loads;                                // load average at each phase boundary
    QStringList messages;                             // message boxes the window raised
};

// The window on `programDir` (comm.set, ModSet.set, ports/COM4 prepared by the caller): shown,
// idle with the port open, then cyclic acquisition at the fast and at the slow period.
// simPid: the simulator, whose scheduling delays are recorded alongside.
WindowRun runWindowPhases(const Plan &plan, const QString &programDir, qint64 simPid);

struct PeriodFigures {
    int periodMs = 0;
    qint64 windowMs = 0;
    int expected = 0;
    int counted = 0;
    Summary deviationMs;  // |interval - period|, the first interval counted from the start
    double endSlipMs = 0; // last request against first + (n - 1) periods
};

// The answers beyond a target and what the scheduler did meanwhile: run-queue waits since the
// previous answer, of this window's thread and of the simulator, in milliseconds.
struct TailFigures {
    int count = 0;
    Summary excessMs;          // the figure beyond its target
    Summary ownRunDelayMs;     // in the tail
    Summary simRunDelayMs;     // in the tail
    Summary ownRunDelayRestMs; // the other answers
    Summary simRunDelayRestMs;
};

struct WindowFigures {
    QString error;
    int answers = 0;   // answers decoded, both phases
    int unmatched = 0; // decoded answers the simulator's log has no TX line for
    Summary latencyMs; // simulator TX stamp -> value box text
    Summary takeMs;    // simulator TX stamp -> answer taken off the port
    Summary paintMs;   // simulator TX stamp -> value box paint event
    Summary transactionMs;
    Summary ratio;      // transaction / wire time
    double wireMs = 0;  // (8 + 2N + 5) bytes at 10 bits a byte, plus the turnaround
    Summary deliveryMs; // frameSent -> simulator RX stamp
    Summary simMs;      // simulator RX -> TX
    Summary returnMs;   // simulator TX -> values decoded
    double idleCpuPercent = 0;
    double acquiringCpuPercent = 0; // start of the slow phase
    double slowCpuPercent = 0;      // the whole slow phase
    double cpuMicrosPerRequest = 0; // start of the slow phase, CPU time over requests
    PeriodFigures fast, slow;
    TailFigures latencyTail; // latency over 1 ms
    TailFigures ratioTail;   // transaction over 1.10 x wire time
};

// A decoded answer with the simulator's lines for its request and its answer (null where the
// log has none). Points into the transactions and the log it was matched from.
struct MatchedAnswer {
    const Transaction *t = nullptr;
    const test::WireLine *request = nullptr;
    const test::WireLine *answer = nullptr;
};
// The decoded answers in order, each paired with the simulator's RX and TX lines of its bytes.
std::vector<MatchedAnswer> matchAnswers(const std::vector<Transaction> &transactions,
                                        const QList<test::WireLine> &log);
// A header and one row per answer the log has: stamps relative to the request, run-queue waits.
QByteArray answerTable(const std::vector<MatchedAnswer> &answers);

WindowFigures analyseWindow(const Plan &plan, const WindowRun &run,
                            const QList<test::WireLine> &log);

} // namespace tr::bench
