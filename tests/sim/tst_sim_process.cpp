#include "support/wirelog.h"
#include "support/files.h"
#include "support/ptypeer.h"
#include "support/simulatorprocess.h"

#include "modbus/crc16.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <csignal>

using namespace std::chrono_literals;
using tr::test::WireLine;
using tr::test::wireLines;

namespace {

QByteArray hex(const char *text) {
    return tr::test::fromHex(text);
}
QByteArray withCrc(const char *text) {
    return tr::test::withCrc(hex(text));
}

// 5 ms between the request's last byte and the answer's first (the default).
constexpr qint64 kTurnaroundMicros = 5000;

// CPU time of a process in clock ticks (user + system), from /proc.
long cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name in parentheses; utime and stime are fields 14 and 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLong() + fields.value(12).toLong();
}

} // namespace

class TstSimulatorProcess : public QObject {
    Q_OBJECT

private slots:
    void answerTiming_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("answerLength");
        QTest::newRow("N=2") << hex("02 04 00 00 00 02 71 F8") << 9;
        QTest::newRow("N=8") << withCrc("02 03 00 00 00 08") << 21;
    }
    void answerTiming() {
        QFETCH(QByteArray, request);
        QFETCH(int, answerLength);

        SimulatorProcess sim;
        QVERIFY(sim.start({"--log"}));
        SerialEnd port;
        QVERIFY(port.open(sim.ptyPath()));

        // The answer cannot be complete before the request and the answer crossed the wire and
        // the module turned around: (8 + 2N + 5) bytes x 10 bits / 19200 baud + 5 ms.
        const qint64 wire = wireMicros(8 + answerLength) + kTurnaroundMicros;
        constexpr int kRequests = 50;
        QList<qint64> times;
        for (int i = 0; i < kRequests; ++i) {
            const qint64 sent = tr::monotonicMicros();
            QVERIFY(port.write(request));
            const QByteArray answer = port.read(answerLength, 500ms);
            const qint64 took = tr::monotonicMicros() - sent;
            QCOMPARE(answer.size(), answerLength);
            QVERIFY(tr::crcMatches({reinterpret_cast<const std::uint8_t *>(answer.constData()),
                                    std::size_t(answer.size())}));
            QVERIFY2(took >= wire, qPrintable(QStringLiteral("%1 µs < %2 µs").arg(took).arg(wire)));
            times.append(took);
        }
        std::sort(times.begin(), times.end());
        qInfo("wire %lld µs; answer median %lld µs, worst %lld µs over %d requests", wire,
              times[kRequests / 2], times.last(), kRequests);
        // Generous: a slave that wakes only every few tens of milliseconds shows here.
        QVERIFY(times.last() < wire + 50000);

        // The log stamps the last answer byte; it cannot precede the answer's own wire time plus
        // the turnaround after the request was read.
        QVERIFY(sim.stop(SIGTERM, 2s));
        const QList<WireLine> log = wireLines(sim.logLines());
        QCOMPARE(log.size(), 2 * kRequests);
        for (int i = 0; i < log.size(); i += 2) {
            QCOMPARE(log[i].tag, QString("RX"));
            QCOMPARE(log[i].bytes, request);
            QCOMPARE(log[i + 1].tag, QString("TX"));
            QVERIFY(log[i + 1].micros - log[i].micros >=
                    wireMicros(answerLength) + kTurnaroundMicros);
        }
    }
    void linkLifecycle_data() {
        QTest::addColumn<bool>("stale");
        QTest::newRow("in a folder still to be made") << false;
        QTest::newRow("over a stale link") << true;
    }
    void linkLifecycle() {
        QFETCH(bool, stale);

        QTemporaryDir dir;
        const QString link = dir.filePath("ports/COM4");
        if (stale) {
            QVERIFY(QDir(dir.path()).mkdir("ports"));
            QVERIFY(QFile::link(dir.filePath("gone"), link));
        }

        SimulatorProcess sim;
        QVERIFY(sim.start({"--link", link}));
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.ptyPath());

        // The window opens the link, not the pty path.
        SerialEnd port;
        QVERIFY(port.open(link));
        QVERIFY(port.write(hex("02 04 00 00 00 02 71 F8")));
        QCOMPARE(port.read(9, 300ms).size(), 9);
        port.close();

        QVERIFY(sim.stop(SIGTERM, 2s));
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(QFileInfo(dir.filePath("ports")).isDir());
    }
    void linkNeverReplacesAFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("COM4");
        QVERIFY(tr::test::writeFile(path, "keep me"));
        QProcess sim;
        sim.start(TR_SIM_PATH, {"--link", path});
        QVERIFY(sim.waitForFinished(3000));
        QCOMPARE(sim.exitCode(), 1);
        QVERIFY(sim.readAllStandardError().contains("COM4"));
        QCOMPARE(tr::test::readFile(path), QByteArray("keep me"));
    }
    void calibrationSurvivesRestart() {
        QTemporaryDir dir;
        const QString state = dir.filePath("calibration.txt");
        const QByteArray read = hex("02 04 00 00 00 01 31 F9");

        {
            SimulatorProcess sim;
            QVERIFY(sim.start({"--values", "23.5", "--state", state}));
            SerialEnd port;
            QVERIFY(port.open(sim.ptyPath()));
            // Slope 2000 (D0 07) on channel 1, echoed unchanged.
            const QByteArray write = withCrc("02 42 01 D0 07 01");
            QVERIFY(port.write(write));
            QCOMPARE(port.read(8, 300ms).toHex(' '), write.toHex(' '));
            QVERIFY(QFileInfo::exists(state));
            QVERIFY(port.write(read));
            QCOMPARE(port.read(7, 300ms).toHex(' '), withCrc("02 04 02 01 D6").toHex(' '));
            QVERIFY(sim.stop(SIGTERM, 2s));
        }

        SimulatorProcess sim;
        QVERIFY(sim.start({"--values", "23.5", "--state", state}));
        SerialEnd port;
        QVERIFY(port.open(sim.ptyPath()));
        QVERIFY(port.write(withCrc("02 42 00 00 02 01")));
        QCOMPARE(port.read(8, 300ms).toHex(' '), withCrc("02 42 D0 07 00 00").toHex(' '));
        // 23.5 °C doubled: 47.0 = 0x01D6.
        QVERIFY(port.write(read));
        QCOMPARE(port.read(7, 300ms).toHex(' '), withCrc("02 04 02 01 D6").toHex(' '));
    }
    void stopSignals_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("answerPending");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        QTest::newRow("SIGTERM during a 5 s late answer") << int(SIGTERM) << true;
        QTest::newRow("standard input closed") << 0 << false;
    }
    void stopSignals() {
        QFETCH(int, signal);
        QFETCH(bool, answerPending);

        QTemporaryDir dir;
        const QString link = dir.filePath("COM4");
        SimulatorProcess sim;
        QVERIFY(sim.start({"--link", link, "--late-ms", "5000"}));
        SerialEnd port;
        if (answerPending) {
            QVERIFY(port.open(sim.ptyPath()));
            QVERIFY(port.write(hex("02 04 00 00 00 02 71 F8")));
            QThread::msleep(50);
        }
        QElapsedTimer clock;
        clock.start();
        if (signal == 0) {
            sim.process().closeWriteChannel();
            QVERIFY(sim.process().waitForFinished(1000));
            QCOMPARE(sim.process().exitCode(), 0);
        } else {
            QVERIFY(sim.stop(signal, 1s));
        }
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
    void survivesPortClosedAndReopened() {
        SimulatorProcess sim;
        QVERIFY(sim.start({"--values", "23.5,-10", "--log"}));
        const QByteArray request = hex("02 04 00 00 00 02 71 F8");
        SerialEnd port;
        QVERIFY(port.open(sim.ptyPath()));
        QVERIFY(port.write(request));
        QCOMPARE(port.read(9, 300ms).size(), 9);

        // A request whose answer is due after the port was closed: a real line loses that answer,
        // and it must not wait in the pty for the next program that opens the port.
        QVERIFY(port.write(request));
        port.close();

        // Nobody holds the port: the simulator waits without burning a core.
        // A loop spinning on the hang-up would use about 30 ticks of 10 ms here.
        const long before = cpuTicks(sim.pid());
        QThread::msleep(300);
        const long used = cpuTicks(sim.pid()) - before;
        QVERIFY2(before >= 0 && used <= 6,
                 qPrintable(QStringLiteral("%1 ticks in 0.3 s").arg(used)));
        QCOMPARE(sim.process().state(), QProcess::Running);

        QVERIFY(port.open(sim.ptyPath()));
        QCOMPARE(port.read(1, 100ms).toHex(' '), QByteArray());
        QVERIFY(port.write(request));
        QCOMPARE(port.read(9, 300ms).toHex(' '), hex("02 04 04 00 EB FF 9C F9 29").toHex(' '));

        QVERIFY(sim.stop(SIGTERM, 2s));
        QStringList tags;
        for (const WireLine &entry : wireLines(sim.logLines()))
            tags << entry.tag;
        QCOMPARE(tags, (QStringList{"RX", "TX", "RX", "TX-LOST", "RX", "TX"}));
    }
};

QTEST_GUILESS_MAIN(TstSimulatorProcess)
#include "tst_sim_process.moc"
