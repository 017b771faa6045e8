#include "monotonic.h"

#include <cerrno>
#include <ctime>

namespace tr::sim {

bool sleepUntil(Micros when) {
    const timespec ts{static_cast<time_t>(when / 1000000),
                      static_cast<long>(when % 1000000) * 1000};
    return ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != EINTR;
}

} // namespace tr::sim
