#include "monotonic.h"

#include <cerrno>
#include <ctime>

namespace tr::sim {

Micros monotonicNow() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return Micros{ts.tv_sec} * 1000000 + ts.tv_nsec / 1000;
}

bool sleepUntil(Micros when) {
    const timespec ts{static_cast<time_t>(when / 1000000),
                      static_cast<long>(when % 1000000) * 1000};
    return ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != EINTR;
}

} // namespace tr::sim
