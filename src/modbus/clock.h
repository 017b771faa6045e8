#pragma once

#include <chrono>
#include <cstdint>

namespace tr {

// Microseconds on the monotonic clock (CLOCK_MONOTONIC on Linux). The simulator stamps its wire
// log with it, so stamps taken by different programs on one machine can be subtracted.
inline std::int64_t monotonicMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace tr
