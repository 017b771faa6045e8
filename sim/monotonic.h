#pragma once

#include "framer.h"

namespace tr::sim {

// Microseconds on CLOCK_MONOTONIC, the clock the log stamps and test programs compare against.
Micros monotonicNow();

// Sleeps until `when`; returns false when a signal cut the sleep short.
bool sleepUntil(Micros when);

} // namespace tr::sim
