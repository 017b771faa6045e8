#include "modbus/waitms.h"

namespace tr {

WaitMs::WaitMs(QObject *parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &WaitMs::check);
}

void WaitMs::start(int ms) {
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    running_ = true;
    timer_.start(ms > 0 ? ms : 0); // even a wait of 0 ends from the event loop
}

void WaitMs::check() {
    // A platform timer may fire a little early: the rest is waited again.
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() > 0) {
        timer_.start(static_cast<int>(left.count()));
        return;
    }
    running_ = false;
    emit elapsed();
}

} // namespace tr
