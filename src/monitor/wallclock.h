#pragma once

#include <QtGlobal>
#include <cstdint>

namespace tr {

// Wall-clock milliseconds since the epoch of a monotonicMicros() stamp, anchored once per
// process: the trend's times never go backwards when the system clock is set back.
qint64 wallMsAt(std::int64_t monotonicMicros);
qint64 wallMsNow();

} // namespace tr
