// What a bench operator does to the tool: hand-edited settings files, and the cable pulled in
// the middle of cyclic acquisition.
#include "windowfixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <ctime>

using namespace tr;
using namespace tr::test;

namespace {

double cpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

QByteArray measurementAnswer(int tenths) {
    QByteArray content = QByteArray::fromHex("020404");
    content.append(char(tenths >> 8));
    content.append(char(tenths & 0xFF));
    content.append(QByteArray::fromHex("0000"));
    return withCrc(content);
}

} // namespace

class TstRobustness : public QObject {
    Q_OBJECT
private slots:
    void badSettingsFiles_data() {
        QTest::addColumn<QByteArray>("comm");
        QTest::addColumn<QByteArray>("modset");
        QTest::addColumn<QString>("reason");
        const QByteArray goodMod("1,2,8,1\r\n");
        QTest::newRow("1 MB of digits")
            << QByteArray(1 << 20, '7') << goodMod << "comm.set：第1项超出范围";
        QTest::newRow("1 MB of blanks")
            << QByteArray(1 << 20, ' ') << goodMod << "comm.set：缺少第1项";
        QTest::newRow("chinese digits")
            << QByteArray("四,一九二〇〇") << goodMod << "comm.set：第1项不是整数";
        QTest::newRow("utf-16 file") << QByteArray("\xFF\xFE"
                                                   "4\0,\0"
                                                   "1\0"
                                                   "9\0",
                                                   10)
                                     << goodMod << "comm.set：第1项不是整数";
        QTest::newRow("zero baud")
            << QByteArray("4,0") << goodMod << "comm.set 中的波特率 0 无法使用";
        QTest::newRow("ModSet empty")
            << QByteArray("4,19200") << QByteArray("") << "ModSet.set：缺少第1项";
        QTest::newRow("ModSet blank second field")
            << QByteArray("4,19200") << QByteArray("1, ,8,1") << "ModSet.set：第2项为空";
        QTest::newRow("ModSet 40000")
            << QByteArray("4,19200") << QByteArray("1,40000,8,1") << "ModSet.set：第2项超出范围";
        QTest::newRow("ModSet letters")
            << QByteArray("4,19200") << QByteArray("a,b,c,d") << "ModSet.set：第1项不是整数";
    }
    void badSettingsFiles() {
        QFETCH(QByteArray, comm);
        QFETCH(QByteArray, modset);
        QFETCH(QString, reason);
        QElapsedTimer t;
        t.start();
        WindowFixture f(comm, modset);
        QVERIFY(t.elapsed() < 5000);
        QVERIFY(f.loadFailure.has_value());
        QVERIFY2(f.loadFailure->contains(reason), qPrintable(*f.loadFailure));
        QVERIFY(!f.window->port().PortOpen());
        QVERIFY(!f.window->link().CommReady());
    }

    void cablePulledDuringCyclicAcquisition() {
        WindowFixture f;
        auto peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->linkAs(f.dir.path(), 4));
        WindowFixture::choose(f.ui().Combo1, 3); // the new peer as COM4
        QVERIFY(f.window->port().PortOpen());
        f.ui().txtTimerSet_0->setText("250");
        f.acquisition().cmdOneM_Click();
        QByteArray request = peer->readFor(1000, 8);
        QCOMPARE(request.size(), 8);
        peer->write(measurementAnswer(235));
        QTRY_COMPARE(f.controls->txtValue[0]->text(), QStringLiteral("23.50"));

        peer.reset(); // the device disappears
        QTRY_VERIFY_WITH_TIMEOUT(!f.window->port().PortOpen(), 3000);
        const int countAtLoss = f.ui().lblCounter->text().toInt();
        const double cpuBefore = cpuSeconds();
        QTest::qWait(1000);
        const double cpuShare = cpuSeconds() - cpuBefore;
        // Still responsive and counting, values stale, no spinning on the dead device.
        QVERIFY(f.ui().lblCounter->text().toInt() >= countAtLoss + 3);
        QVERIFY(f.valueIsRed(0));
        QCOMPARE(f.controls->txtValue[0]->text(), QStringLiteral("23.50"));
        QCOMPARE(f.controls->frontLamp(), Lamp::NotConnected);
        QVERIFY2(cpuShare < 0.2, qPrintable(QString::number(cpuShare)));
        QVERIFY(f.messages.shown.isEmpty());

        // The adapter comes back under the same name; choosing the port resumes acquisition.
        PtyPeer back;
        QVERIFY(back.linkAs(f.dir.path(), 4));
        WindowFixture::choose(f.ui().Combo1, 3);
        QVERIFY(f.window->port().PortOpen());
        request = back.readFor(1000, 8);
        QCOMPARE(request.size(), 8);
        back.write(measurementAnswer(-105 & 0xFFFF));
        QTRY_COMPARE(f.controls->txtValue[0]->text(), QStringLiteral("-10.50"));
        QCOMPARE(f.controls->frontLamp(), Lamp::Connected);
        f.acquisition().cmdStopOnce_Click();
    }

    void startupTime() {
        QElapsedTimer t;
        t.start();
        WindowFixture f;
        QCOMPARE(f.loadFailure, std::nullopt);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        qInfo("window created, settings read, port opened and shown in %lld ms", t.elapsed());
        QVERIFY(t.elapsed() < 2000);
    }
};

QTEST_MAIN(TstRobustness)
#include "tst_robustness.moc"
