#pragma once

#include "bench/stats.h"

#include <QString>

namespace tr::bench {

// One command-line master, run once per transaction: a fresh process opens the port, sends one
// read, prints the values and ends. Its wall time is split with the simulator's stamps.
struct ToolFigures {
    QString name;
    QString commandLine; // with <pty> for the simulator's device
    QString unavailable; // why it was not measured
    QString error;       // a run failed
    int runs = 0;
    Summary wallMs;      // spawn -> reaped
    double meanMs = 0;   // total wall time / runs
    Summary toRequestMs; // spawn -> the simulator has read the request
    Summary simMs;       // simulator RX -> TX (the same for every master)
    Summary afterMs;     // simulator TX -> reaped
};

struct SideBySide {
    ToolFigures ours;
    ToolFigures mbpoll;
};

// Runs the two alternately, `runs` times each, so that a busy moment of the machine falls on
// both, then splits their times with the simulator's log. An empty path marks a tool as not
// available.
SideBySide runSideBySide(const QString &cliPath, const QString &mbpollPath, const QString &pty,
                         int runs, const QString &simLogPath);

} // namespace tr::bench
