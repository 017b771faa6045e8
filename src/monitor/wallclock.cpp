#include "monitor/wallclock.h"

#include "modbus/clock.h"

#include <QDateTime>

namespace tr {

namespace {

struct Anchor {
    qint64 wallMs = QDateTime::currentMSecsSinceEpoch();
    std::int64_t micros = monotonicMicros();
};

const Anchor &anchor() {
    static const Anchor a;
    return a;
}

} // namespace

qint64 wallMsAt(std::int64_t micros) {
    const Anchor &a = anchor();
    // Floor division: a stamp taken before the anchor still lands in the right millisecond.
    const std::int64_t delta = micros - a.micros;
    return a.wallMs + (delta >= 0 ? delta / 1000 : -((-delta + 999) / 1000));
}

qint64 wallMsNow() {
    return wallMsAt(monotonicMicros());
}

} // namespace tr
