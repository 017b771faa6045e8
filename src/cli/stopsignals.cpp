#include "cli/stopsignals.h"

#include "process/stopsignals.h"

#include <algorithm>

#ifndef _WIN32
#include <cerrno>
#include <poll.h>
#endif

namespace tr::cli {

namespace {

int wakeRead = -1;

} // namespace

StopSignals::StopSignals() {
    StopHandling handling;
    // Writes to stdout and the log restart; the sleep's poll() returns early either way.
    handling.restartCalls = true;
    handling.secondSignalLine = "tr6400-cli: stopped at once by a second signal\n";
    wakeRead = installStopHandlers(handling);
}

StopSignals::~StopSignals() {
    removeStopHandlers();
    wakeRead = -1;
}

int StopSignals::received() {
    return stopSignalReceived();
}

bool StopSignals::sleepUntil(std::chrono::steady_clock::time_point until) {
    using namespace std::chrono;
#ifdef _WIN32
    while (!received()) {
        const auto left = until - steady_clock::now();
        if (left <= steady_clock::duration::zero())
            break;
        // Whole milliseconds round up: waking before the due time would send early.
        waitForStop(static_cast<unsigned long>(
            std::min<long long>(ceil<milliseconds>(left).count(), 1 << 30)));
    }
#else
    while (!received()) {
        const auto left = until - steady_clock::now();
        if (left <= steady_clock::duration::zero())
            break;
        pollfd p{wakeRead, POLLIN, 0};
        const nfds_t count = wakeRead >= 0 ? 1 : 0;
#ifdef __linux__
        // To the nanosecond, as the schedule's sleep was before signals woke it.
        const auto s = duration_cast<seconds>(left);
        const timespec wait{static_cast<time_t>(std::min<long long>(s.count(), 1 << 30)),
                            static_cast<long>(duration_cast<nanoseconds>(left - s).count())};
        const int ready = ::ppoll(&p, count, &wait, nullptr);
#else
        // Whole milliseconds round up: waking before the due time would send early.
        const auto ms = std::min<long long>(ceil<milliseconds>(left).count(), 1 << 30);
        const int ready = ::poll(&p, count, static_cast<int>(ms));
#endif
        if (ready < 0 && errno != EINTR)
            break;
    }
#endif
    return received() == 0;
}

} // namespace tr::cli
