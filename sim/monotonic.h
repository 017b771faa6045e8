#pragma once

#include "framer.h"
#include "modbus/clock.h"

namespace tr::sim {

// Microseconds on CLOCK_MONOTONIC, the clock the log stamps and test programs compare against.
inline Micros monotonicNow() {
    return monotonicMicros();
}

// Sleeps until `when` on the same clock; returns false when a signal cut the sleep short.
bool sleepUntil(Micros when);

} // namespace tr::sim
