// The serial port control on a real pseudo-terminal: receive threshold, input length, buffer
// limits, device names, and what a vanished device does.
#include "serial/mscomm.h"
#include "support/ptypeer.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tr;
using tr::test::PtyPeer;

class TstMSComm : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    void openOn(MSComm &port, PtyPeer &peer, int number = 4) {
        QVERIFY(peer.ok());
        QVERIFY(peer.linkAs(dir_.path(), number));
        QVERIFY(port.setCommPort(number));
        QVERIFY(port.setSettings("19200,N,8,1"));
        QVERIFY(port.setPortOpen(true));
        QVERIFY(port.PortOpen());
    }

private slots:
    void thresholdRaisesOneEvent() {
        PtyPeer peer;
        MSComm port(dir_.filePath("ports"));
        openOn(port, peer);
        port.setRThreshold(8);
        QSignalSpy events(&port, &MSComm::OnComm);
        peer.write(QByteArray(7, 'a'));
        QTest::qWait(100);
        QCOMPARE(events.count(), 0);
        QCOMPARE(port.InBufferCount(), 7);
        peer.write(QByteArray(1, 'b'));
        QTRY_COMPARE(events.count(), 1);
        QCOMPARE(port.CommEvent(), MSComm::kComEvReceive);
        QCOMPARE(port.InBufferCount(), 8);
        // Threshold 0 raises nothing, however many bytes come.
        port.setRThreshold(0);
        peer.write("0123456789");
        QTRY_COMPARE(port.InBufferCount(), 18);
        QTest::qWait(50);
        QCOMPARE(events.count(), 1);
    }

    void inputLengthLimitsOneRead() {
        PtyPeer peer;
        MSComm port(dir_.filePath("ports"));
        openOn(port, peer);
        peer.write("0123456789");
        QTRY_COMPARE(port.InBufferCount(), 10);
        port.setInputLen(8);
        QCOMPARE(port.Input(), QByteArray("01234567"));
        QCOMPARE(port.InBufferCount(), 2);
        port.setInputLen(0);
        QCOMPARE(port.Input(), QByteArray("89"));
        QCOMPARE(port.InBufferCount(), 0);
    }

    void receiveBufferHolds1024Bytes() {
        PtyPeer peer;
        MSComm port(dir_.filePath("ports"));
        openOn(port, peer);
        peer.write(QByteArray(1500, 'x'));
        QTest::qWait(300);
        QCOMPARE(port.InBufferCount(), MSComm::kReceiveBufferSize);
        port.clearInBuffer();
        QCOMPARE(port.InBufferCount(), 0);
    }

    void portNumberAndSettingsRefusals() {
        MSComm port(dir_.filePath("ports"));
        QVERIFY(port.setCommPort(3));
        QVERIFY(!port.setCommPort(0));
        QVERIFY(!port.setCommPort(-2));
        QCOMPARE(port.CommPort(), 3);
        for (const char *bad : {"-5,N,8,1", "abc,N,8,1", "9600,X,8,1", "9600,N,9,1", "9600,N,8,3", "9600,N,8"}) {
            QVERIFY2(!port.setSettings(QString::fromLatin1(bad)), bad);
        }
        QVERIFY(port.setSettings("38400,E,7,2"));
        QCOMPARE(port.Settings(), QStringLiteral("38400,E,7,2"));
    }

    void deviceNamesAndAbsentDevices() {
        QTemporaryDir dir;
        QCOMPARE(deviceForPort(1, dir.filePath("ports")), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(deviceForPort(12, dir.filePath("ports")), QStringLiteral("/dev/ttyS11"));
        QDir().mkpath(dir.filePath("ports"));
        // A dangling link still names the device the operator meant, which does not open.
        QVERIFY(QFile::link("/dev/nonexistent-adapter", dir.filePath("ports/COM7")));
        QCOMPARE(deviceForPort(7, dir.filePath("ports")), dir.filePath("ports/COM7"));
        MSComm port(dir.filePath("ports"));
        QVERIFY(port.setCommPort(7));
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(!port.PortOpen());
        QVERIFY(!port.Output("x"));
    }

    void vanishedDeviceClosesThePort() {
        MSComm port(dir_.filePath("ports"));
        {
            PtyPeer peer;
            openOn(port, peer, 9);
        }
        // The far end is gone, as when a USB adapter is pulled.
        QTRY_VERIFY_WITH_TIMEOUT(!port.PortOpen(), 3000);
        QVERIFY(!port.Output("x"));
    }
};

QTEST_GUILESS_MAIN(TstMSComm)
#include "tst_mscomm.moc"
