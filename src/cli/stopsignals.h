#pragma once

#include <chrono>

namespace tr::cli {

// SIGINT, SIGTERM and SIGHUP end a long read cleanly: the handler only sets a flag and wakes the
// schedule's sleep through a pipe, so the row under way is finished and the summary printed.
// A second signal ends the program at once, with a line on stderr that says so.
class StopSignals {
public:
    // Installs the handlers for the life of this object.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // The signal that asked to stop, 0 while none did.
    static int received();
    // Sleeps until `until` or a stop signal; false when a signal came.
    static bool sleepUntil(std::chrono::steady_clock::time_point until);
};

} // namespace tr::cli
