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

namespace {

// 5 ms between the request's last byte and the answer's first (the default).
constexpr qint64 kTurnaroundMicros = 5000;

QByteArray hex(const char *text) {
    return QByteArray::fromHex(text);
}

QByteArray withCrc(const char *hexText) {
    QByteArray frame = hex(hexText);
    const std::uint16_t crc = tr::crc16(
        {reinterpret_cast<const std::uint8_t *>(frame.constData()), std::size_t(frame.size())});
    frame.append(char(crc & 0xFF)).append(char(crc >> 8));
    return frame;
}

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

struct Stamped {
    qint64 at = 0;
    QString tag;
    QString bytes;
};

QList<Stamped> parseLog(const QStringList &lines) {
    QList<Stamped> entries;
    for (const QString &line : lines) {
        const QStringList parts = line.split(' ');
        entries.append({parts.value(0).toLongLong(), parts.value(1), parts.mid(2).join(' ')});
    }
    return entries;
}

} // namespace

class TestSimulatorProcess : public QObject {
    Q_OBJECT

private slots:
    void answersOnTheWire_data();
    void answersOnTheWire();
    void answerTiming_data();
    void answerTiming();
    void linkLifecycle_data();
    void linkLifecycle();
    void linkNeverReplacesAFile();
    void calibrationSurvivesRestart();
    void stopSignals_data();
    void stopSignals();
    void stopsWhenStdinCloses();
    void stopsWhenParentDies();
    void survivesPortClosedAndReopened();
    void resynchronisesAfterStrayBytes();
    void injectedFaults_data();
    void injectedFaults();
    void logToFile();
    void commandLine_data();
    void commandLine();
};

void TestSimulatorProcess::answersOnTheWire_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    // The module runs with --values 23.5,-10 --open 3 at station 2.
    QTest::newRow("fc4 two channels")
        << hex("02 04 00 00 00 02 71 F8") << hex("02 04 04 00 EB FF 9C F9 29");
    QTest::newRow("fc4 register 31")
        << hex("02 04 00 1F 00 01 00 3F") << hex("02 04 02 00 00 FD 30");
    QTest::newRow("fc3 past register 31")
        << hex("02 03 00 1F 00 02 F5 FE") << hex("02 83 02 30 F1");
    QTest::newRow("0x42 read channel 1")
        << withCrc("02 42 00 00 02 01") << withCrc("02 42 E8 03 00 00");
    QTest::newRow("other station") << hex("01 03 00 00 00 08 44 0C") << QByteArray();
}

void TestSimulatorProcess::answersOnTheWire() {
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);

    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", "23.5,-10", "--open", "3"}));
    SerialEnd port;
    QVERIFY(port.open(sim.ptyPath()));
    QVERIFY(port.write(request));
    QCOMPARE(port.read(int(answer.size()), 300ms).toHex(' '), answer.toHex(' '));
    // Nothing follows: no second answer, no answer at all to another station.
    QCOMPARE(port.read(1, answer.isEmpty() ? 100ms : 30ms).toHex(' '), QByteArray());
}

void TestSimulatorProcess::answerTiming_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("answerLength");
    QTest::newRow("N=2") << hex("02 04 00 00 00 02 71 F8") << 9;
    QTest::newRow("N=8") << withCrc("02 03 00 00 00 08") << 21;
}

void TestSimulatorProcess::answerTiming() {
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
        const qint64 sent = monotonicMicros();
        QVERIFY(port.write(request));
        const QByteArray answer = port.read(answerLength, 500ms);
        const qint64 took = monotonicMicros() - sent;
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
    const QList<Stamped> log = parseLog(sim.logLines());
    QCOMPARE(log.size(), 2 * kRequests);
    for (int i = 0; i < log.size(); i += 2) {
        QCOMPARE(log[i].tag, QString("RX"));
        QCOMPARE(log[i].bytes, QString(request.toHex(' ').toUpper()));
        QCOMPARE(log[i + 1].tag, QString("TX"));
        QVERIFY(log[i + 1].at - log[i].at >= wireMicros(answerLength) + kTurnaroundMicros);
    }
}

void TestSimulatorProcess::linkLifecycle_data() {
    QTest::addColumn<bool>("stale");
    QTest::newRow("in a folder still to be made") << false;
    QTest::newRow("over a stale link") << true;
}

void TestSimulatorProcess::linkLifecycle() {
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

void TestSimulatorProcess::linkNeverReplacesAFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("COM4");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    QProcess sim;
    sim.start(TR_SIM_PATH, {"--link", path});
    QVERIFY(sim.waitForFinished(3000));
    QCOMPARE(sim.exitCode(), 1);
    QVERIFY(sim.readAllStandardError().contains("COM4"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

void TestSimulatorProcess::calibrationSurvivesRestart() {
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

void TestSimulatorProcess::stopSignals_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("answerPending");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGTERM during a 5 s late answer") << int(SIGTERM) << true;
}

void TestSimulatorProcess::stopSignals() {
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
    QVERIFY(sim.stop(signal, 1s));
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimulatorProcess::stopsWhenStdinCloses() {
    SimulatorProcess sim;
    QVERIFY(sim.start({}));
    sim.process().closeWriteChannel();
    QVERIFY(sim.process().waitForFinished(1000));
    QCOMPARE(sim.process().exitCode(), 0);
}

void TestSimulatorProcess::stopsWhenParentDies() {
    QTemporaryDir dir;
    const QString link = dir.filePath("COM4");
    // A shell starts the simulator in the background and is then killed outright.
    QProcess shell;
    shell.start("/bin/sh",
                {"-c", "\"$0\" --exit-with-parent --link \"$1\" >/dev/null & echo $!; wait",
                 TR_SIM_PATH, link});
    QVERIFY(shell.waitForReadyRead(3000));
    const qint64 pid = shell.readLine().trimmed().toLongLong();
    QVERIFY(pid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 3000);

    shell.kill();
    QVERIFY(shell.waitForFinished(1000));
    // Its cleanup on the way out removes the link.
    const bool gone = QTest::qWaitFor([&] { return !QFileInfo(link).isSymLink(); }, 2000);
    if (!gone)
        ::kill(pid_t(pid), SIGKILL);
    QVERIFY(gone);
}

void TestSimulatorProcess::survivesPortClosedAndReopened() {
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
    QVERIFY2(before >= 0 && used <= 6, qPrintable(QStringLiteral("%1 ticks in 0.3 s").arg(used)));
    QCOMPARE(sim.process().state(), QProcess::Running);

    QVERIFY(port.open(sim.ptyPath()));
    QCOMPARE(port.read(1, 100ms).toHex(' '), QByteArray());
    QVERIFY(port.write(request));
    QCOMPARE(port.read(9, 300ms).toHex(' '), hex("02 04 04 00 EB FF 9C F9 29").toHex(' '));

    QVERIFY(sim.stop(SIGTERM, 2s));
    QStringList tags;
    for (const Stamped &entry : parseLog(sim.logLines()))
        tags << entry.tag;
    QCOMPARE(tags, (QStringList{"RX", "TX", "RX", "TX-LOST", "RX", "TX"}));
}

void TestSimulatorProcess::resynchronisesAfterStrayBytes() {
    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", "23.5,-10"}));
    SerialEnd port;
    QVERIFY(port.open(sim.ptyPath()));
    // Three stray bytes, then silence longer than 3.5 characters (1.8 ms), then a request.
    QVERIFY(port.write(hex("AA BB CC")));
    QThread::msleep(20);
    QVERIFY(port.write(hex("02 04 00 00 00 02 71 F8")));
    QCOMPARE(port.read(9, 300ms).toHex(' '), hex("02 04 04 00 EB FF 9C F9 29").toHex(' '));
}

void TestSimulatorProcess::injectedFaults_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("minimumMs");
    QTest::newRow("drop") << QStringList{"--drop", "1"} << "DROP" << 0;
    QTest::newRow("corrupt") << QStringList{"--corrupt", "1"} << "TX-CORRUPT" << 0;
    QTest::newRow("late 150 ms") << QStringList{"--late-ms", "150"} << "TX-LATE" << 150;
}

void TestSimulatorProcess::injectedFaults() {
    QFETCH(QStringList, args);
    QFETCH(QString, tag);
    QFETCH(int, minimumMs);

    SimulatorProcess sim;
    QVERIFY(sim.start(QStringList{"--values", "23.5,-10", "--log"} + args));
    SerialEnd port;
    QVERIFY(port.open(sim.ptyPath()));
    const QByteArray intact = hex("02 04 04 00 EB FF 9C F9 29");
    const qint64 sent = monotonicMicros();
    QVERIFY(port.write(hex("02 04 00 00 00 02 71 F8")));
    const QByteArray got =
        port.read(int(intact.size()), std::chrono::milliseconds(minimumMs + 100));
    const qint64 took = monotonicMicros() - sent;

    QVERIFY(sim.stop(SIGTERM, 2s));
    const QList<Stamped> log = parseLog(sim.logLines());
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[1].tag, tag);
    // The log shows what went on the wire, or what would have for a dropped answer.
    QCOMPARE(log[1].bytes, QString((tag == "DROP" ? intact : got).toHex(' ').toUpper()));
    if (tag == "DROP") {
        QVERIFY(got.isEmpty());
    } else if (tag == "TX-CORRUPT") {
        QCOMPARE(got.size(), intact.size());
        QVERIFY(got != intact);
    } else {
        QCOMPARE(got, intact);
        QVERIFY(took >= minimumMs * 1000 + wireMicros(17) + kTurnaroundMicros);
    }
}

void TestSimulatorProcess::logToFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("wire.log");
    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", "23.5,-10", "--log", path}));
    SerialEnd port;
    QVERIFY(port.open(sim.ptyPath()));
    QVERIFY(port.write(hex("02 04 00 00 00 02 71 F8")));
    QCOMPARE(port.read(9, 300ms).size(), 9);
    QVERIFY(sim.stop(SIGTERM, 2s));
    QVERIFY(sim.logLines().isEmpty()); // nothing but the path went to standard output

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList tags;
    for (const Stamped &entry :
         parseLog(QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts)))
        tags << entry.tag + ' ' + entry.bytes;
    QCOMPARE(tags, (QStringList{"RX 02 04 00 00 00 02 71 F8", "TX 02 04 04 00 EB FF 9C F9 29"}));
}

void TestSimulatorProcess::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // expected in standard output or standard error
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--exit-on-stdin-eof";
    QTest::newRow("unknown option") << QStringList{"--speed", "9600"} << 2 << "--speed";
    QTest::newRow("bad station") << QStringList{"--station", "300"} << 2 << "--station";
    QTest::newRow("state file is a folder") << QStringList{"--state", "/"} << 1 << "/: cannot";
}

void TestSimulatorProcess::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);

    QProcess sim;
    sim.start(TR_SIM_PATH, args);
    QVERIFY(sim.waitForFinished(3000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), exitCode);
    const QString text =
        QString::fromUtf8(sim.readAllStandardOutput() + sim.readAllStandardError());
    QVERIFY2(text.contains(output), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestSimulatorProcess)
#include "tst_sim_process.moc"
