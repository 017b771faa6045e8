#pragma once

#include "process/stopsignals.h"

namespace tr::sim {

// SIGINT, SIGTERM and SIGHUP ask the simulator to stop: the handler sets a flag and wakes the
// poll loop through a pipe. SIGPIPE is ignored (a closed log reader must not kill us).
// Returns the read end of the wake-up pipe, or -1.
int installStopSignals();

inline bool stopRequested() {
    return stopSignalReceived() != 0;
}

// Asks the kernel to send SIGTERM when the parent ends (Linux); elsewhere the loop watches
// getppid(). Returns the parent's pid to compare against.
int watchParent();

} // namespace tr::sim
