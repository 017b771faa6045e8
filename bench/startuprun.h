#pragma once

#include "bench/stats.h"

#include <QString>

namespace tr::bench {

// Process start to window exposed, timed by tr6400-startup from the stamp this process took
// just before spawning it; milestones in milliseconds since that stamp.
struct StartupFigures {
    QString error;
    int runs = 0;
    Summary enteredMs; // main() entered: loading and relocating the libraries
    Summary appMs;     // QApplication constructed
    Summary builtMs;   // frmMain constructed
    Summary loadedMs;  // loadSettings done, port open
    Summary exposedMs; // the platform window exposed
    Summary paintedMs; // first paint event of the window
    Summary settledMs; // the expose handled, back in the event loop
    Summary hwmKb;     // peak resident set at that moment
};

StartupFigures runStartups(const QString &program, const QString &programDir, int runs);

} // namespace tr::bench
