#pragma once

// The real window at one end of a pseudo-terminal and the real tr6400-sim at the other, linked
// as the window's COM4, logging every request and answer.
#include "support/livewindow.h"
#include "support/simulatorprocess.h"
#include "support/wirelog.h"

#include <QDeadlineTimer>

namespace tr::test {

class SimWindow : public LiveWindow {
public:
    SimulatorProcess sim;

    // Starts the simulator with `simArgs`, then the window; false when either fails.
    bool start(const QStringList &simArgs) {
        if (!sim.start(QStringList(simArgs) << "--link" << comPort() << "--log"))
            return false;
        return open();
    }

    // The wire lines logged so far, optionally only those with `tag`.
    QList<WireLine> log(const QString &tag = QString()) { return wireLines(sim.logLines(), tag); }

    // Lets events run until the log holds at least `count` lines with `tag`.
    QList<WireLine> waitForLog(const QString &tag, qsizetype count, int ms = 2000) {
        const QDeadlineTimer deadline(ms);
        QList<WireLine> lines = log(tag);
        while (lines.size() < count && !deadline.hasExpired()) {
            QTest::qWait(5);
            lines = log(tag);
        }
        return lines;
    }
};

} // namespace tr::test
