#pragma once

#include <QtGlobal>
#include <ctime>

namespace tr::bench {

// Microseconds on CLOCK_MONOTONIC: the clock of the simulator's log stamps, so stamps taken here
// and there can be subtracted.
inline qint64 nowMicros() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

} // namespace tr::bench
