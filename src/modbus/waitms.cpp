#include "modbus/waitms.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>

namespace tr {

void WaitMs(int ms) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);

    QCoreApplication::processEvents(QEventLoop::AllEvents);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        bool fired = false;
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            fired = true;
            loop.quit();
        });
        timer.start(static_cast<int>(left.count()));
        loop.exec();
        // Someone else ended the loop (the application is quitting): stop waiting.
        if (!fired)
            return;
    }
}

} // namespace tr
