// The event-pumping wait: never early, events keep flowing, and no busy loop. (Answers decoded
// during the wait are checked through the window in tst_acquisition.)
#include "modbus/waitms.h"

#include <QElapsedTimer>
#include <QTest>
#include <ctime>

using namespace tr;

namespace {

double cpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

class TstWaitMs : public QObject {
    Q_OBJECT
private slots:
    void neverReturnsEarly_data()
    {
        QTest::addColumn<int>("ms");
        QTest::newRow("1") << 1;
        QTest::newRow("17") << 17;
        QTest::newRow("200") << 200;
    }
    void neverReturnsEarly()
    {
        QFETCH(int, ms);
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer t;
            t.start();
            WaitMs(ms);
            QVERIFY2(t.nsecsElapsed() >= qint64(ms) * 1000000, qPrintable(QString::number(t.nsecsElapsed())));
            QVERIFY(t.elapsed() < ms + 100);
        }
    }

    void pendingEventsRunEvenForZeroOrNegative_data()
    {
        QTest::addColumn<int>("ms");
        QTest::newRow("0") << 0;
        QTest::newRow("-5") << -5;
    }
    void pendingEventsRunEvenForZeroOrNegative()
    {
        QFETCH(int, ms);
        bool ran = false;
        QMetaObject::invokeMethod(this, [&] { ran = true; }, Qt::QueuedConnection);
        QElapsedTimer t;
        t.start();
        WaitMs(ms);
        QVERIFY(ran);
        QVERIFY(t.elapsed() < 50);
    }

    void sleepsInsteadOfSpinning()
    {
        const double before = cpuSeconds();
        QElapsedTimer t;
        t.start();
        WaitMs(200);
        const double used = cpuSeconds() - before;
        const double share = used / (double(t.nsecsElapsed()) / 1e9);
        qInfo("WaitMs(200): %.3f ms CPU in %.1f ms wall, %.2f %% of a core", used * 1e3,
              double(t.nsecsElapsed()) / 1e6, share * 100);
        // A busy loop would use the whole core; a sleeping wait a tiny fraction of it.
        QVERIFY2(share < 0.05, qPrintable(QString::number(share)));
    }
};

QTEST_GUILESS_MAIN(TstWaitMs)
#include "tst_waitms.moc"
