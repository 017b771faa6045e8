// The serial port control on a real pseudo-terminal, and the wait the window sits in between a
// request and its answer.
#include "modbus/waitms.h"
#include "serial/mscomm.h"
#include "support/ptypeer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <optional>

using namespace tr;

namespace {

double cpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

class TstSerial : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::optional<test::PtyPeer> peer_{std::in_place};
    MSComm port_{dir_.filePath("ports")};

private slots:
    void initTestCase() {
        QVERIFY(peer_->linkAs(dir_.path(), 4));
        QVERIFY(port_.setCommPort(4));
        QVERIFY(port_.setPortOpen(true));
    }

    void comPortNames() {
        QCOMPARE(deviceForPort(12, dir_.filePath("ports")), QStringLiteral("/dev/ttyS11"));
        // An unplugged adapter's link still names the device the operator meant; it does not open.
        QVERIFY(QFile::link("/dev/nonexistent-adapter", dir_.filePath("ports/COM7")));
        QCOMPARE(deviceForPort(7, dir_.filePath("ports")), dir_.filePath("ports/COM7"));
        MSComm absent(dir_.filePath("ports"));
        QVERIFY(absent.setCommPort(7));
        QVERIFY(!absent.setPortOpen(true));
        QVERIFY(!absent.Output("x"));
    }

    // A wait returns at once and ends from the event loop, never before its time and without
    // burning a core; the receive event runs meanwhile.
    void waitEndsFromTheEventLoop() {
        port_.setRThreshold(8);
        QSignalSpy events(&port_, &MSComm::OnComm);
        peer_->write(QByteArray(7, 'a'));
        QTest::qWait(100);
        QCOMPARE(events.count(), 0);
        QCOMPARE(port_.InBufferCount(), 7);

        peer_->write("b");
        WaitMs wait;
        QSignalSpy elapsed(&wait, &WaitMs::elapsed);
        const double cpuBefore = cpuSeconds();
        QElapsedTimer t;
        t.start();
        for (int ms : {0, 1, 17, 200}) {
            const qint64 before = t.nsecsElapsed();
            const qsizetype ended = elapsed.count();
            wait.start(ms);
            QVERIFY(wait.running() && elapsed.count() == ended);
            QVERIFY(elapsed.wait(1000));
            QVERIFY(!wait.running() && t.nsecsElapsed() - before >= ms * 1000000LL);
        }
        const double share = (cpuSeconds() - cpuBefore) / (double(t.nsecsElapsed()) / 1e9);
        QVERIFY2(share < 0.05, qPrintable(QStringLiteral("%1 of a core").arg(share)));
        QCOMPARE(events.count(), 1);
        QCOMPARE(port_.CommEvent(), MSComm::kComEvReceive);

        port_.setInputLen(5);
        QCOMPARE(port_.Input(), QByteArray("aaaaa"));
        port_.setInputLen(0);
        QCOMPARE(port_.Input(), QByteArray("aab"));

        // Threshold 0 raises nothing; the buffer keeps 1024 bytes and drops the rest.
        port_.setRThreshold(0);
        peer_->write(QByteArray(1500, 'x'));
        QTest::qWait(300);
        QCOMPARE(events.count(), 1);
        QCOMPARE(port_.InBufferCount(), MSComm::kReceiveBufferSize);
    }

    // An answer that arrives a byte at a time wakes the window once, when it is whole; bytes
    // short of the threshold are still there when the buffer is looked at.
    void answerWakesOnceWhenWhole() {
        port_.setInputLen(0);
        port_.Input();
        port_.setRThreshold(21);
        QSignalSpy events(&port_, &MSComm::OnComm);
        const qint64 before = port_.receiveWakeups();
        for (int k = 0; k < 21; ++k) {
            peer_->write(QByteArray(1, char(k)));
            QTest::qWait(2);
        }
        QTRY_COMPARE(events.count(), 1);
        QCOMPARE(port_.receiveWakeups() - before, 1);
        QCOMPARE(port_.Input().size(), 21);

        peer_->write("xyz");
        QTest::qWait(50);
        QCOMPARE(port_.InBufferCount(), 3);
        QCOMPARE(port_.Input(), QByteArray("xyz"));
        QCOMPARE(events.count(), 1);
    }

    // The far end goes away, as when a USB adapter is pulled.
    void vanishedDeviceClosesThePort() {
        peer_.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!port_.PortOpen(), 3000);
        QVERIFY(!port_.Output("x"));
    }
};

QTEST_GUILESS_MAIN(TstSerial)
#include "tst_serial.moc"
