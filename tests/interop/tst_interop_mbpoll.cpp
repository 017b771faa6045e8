#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <cmath>

// mbpoll, a Modbus master we did not write, polls the simulator: our framing, register layout
// and exception answers are checked against libmodbus's reading of them.
struct PollResult {
    bool finished = false; // ended by itself with an exit code
    int exitCode = -1;
    QString out;
    QString err;
};

class TestMbpoll : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void readsTheChannels_data();
    void readsTheChannels();
    void refusesPastRegister31_data();
    void refusesPastRegister31();

private:
    PollResult mbpoll(const QStringList &args);

    QString mbpollPath_;
    QProcess sim_;
    QString pty_;
};

namespace {

// The module's temperatures; channel 3 has an open sensor.
const QList<double> kCelsius{23.5, -10.0, 0.0, 100.1, -0.5, 3276.7, -200.0, 25.0};
constexpr int kOpenChannel = 3;

// What a register must hold: tenths of a degree as a signed 16-bit value, -1 (0xFFFF) when open.
int expectedRegister(int reg) {
    if (reg >= 8)
        return 0;
    if (reg + 1 == kOpenChannel)
        return -1;
    return int(std::lround(kCelsius[reg] * 10));
}

} // namespace

void TestMbpoll::initTestCase() {
    // CI installs mbpoll; without it this check would prove nothing, so it fails.
    mbpollPath_ = QStandardPaths::findExecutable("mbpoll");
    QVERIFY2(!mbpollPath_.isEmpty(), "mbpoll is not installed (Debian package mbpoll)");

    QStringList values;
    for (double t : kCelsius)
        values << QString::number(t);
    sim_.start(TR_SIM_PATH, {"--values", values.join(','), "--open", QString::number(kOpenChannel),
                             "--exit-on-stdin-eof", "--exit-with-parent"});
    QVERIFY(sim_.waitForStarted(5000));
    const QDeadlineTimer deadline(5000);
    while (!sim_.canReadLine() && !deadline.hasExpired())
        sim_.waitForReadyRead(int(deadline.remainingTime()));
    pty_ = QString::fromLocal8Bit(sim_.readLine()).trimmed();
    QVERIFY(pty_.startsWith('/'));
}

void TestMbpoll::cleanupTestCase() {
    sim_.closeWriteChannel();
    if (!sim_.waitForFinished(2000))
        sim_.kill();
}

PollResult TestMbpoll::mbpoll(const QStringList &args) {
    QProcess process;
    process.start(mbpollPath_, QStringList{"-m", "rtu", "-a", "2", "-b", "19200", "-P", "none",
                                           "-1", "-o", "1"} +
                                   args + QStringList{pty_});
    PollResult result;
    result.finished = process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void TestMbpoll::readsTheChannels_data() {
    QTest::addColumn<QString>("table"); // mbpoll -t: 3 input registers (fc 4), 4 holding (fc 3)
    QTest::addColumn<int>("start");     // 0-based register
    QTest::addColumn<int>("count");
    QTest::newRow("fc4 channels 1-8") << "3" << 0 << 8;
    QTest::newRow("fc3 channels 1-8") << "4" << 0 << 8;
    QTest::newRow("fc4 channels 6-7") << "3" << 5 << 2;
    QTest::newRow("fc3 registers 6-31") << "4" << 6 << 26;
}

void TestMbpoll::readsTheChannels() {
    QFETCH(QString, table);
    QFETCH(int, start);
    QFETCH(int, count);

    const PollResult poll =
        mbpoll({"-t", table, "-0", "-r", QString::number(start), "-c", QString::number(count)});
    QVERIFY2(poll.finished && poll.exitCode == 0, qPrintable(poll.out + poll.err));

    // Lines like "[1]: \t65436 (-100)": the reference, the unsigned value, the signed one if it
    // differs.
    static const QRegularExpression line(R"(^\[(\d+)\]:\s+(\d+)(?:\s+\((-?\d+)\))?\s*$)",
                                         QRegularExpression::MultilineOption);
    QMap<int, int> seen;
    for (auto it = line.globalMatch(poll.out); it.hasNext();) {
        const auto m = it.next();
        const int unsignedValue = m.captured(2).toInt();
        const int signedValue = m.captured(3).isEmpty() ? unsignedValue : m.captured(3).toInt();
        QCOMPARE(signedValue & 0xFFFF, unsignedValue);
        seen.insert(m.captured(1).toInt(), signedValue);
    }
    QCOMPARE(seen.size(), count);
    for (int reg = start; reg < start + count; ++reg)
        QCOMPARE(seen.value(reg, 99999), expectedRegister(reg));
}

void TestMbpoll::refusesPastRegister31_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::newRow("fc3 registers 31-32") << "4" << 31 << 2;
    QTest::newRow("fc4 registers 31-32") << "3" << 31 << 2;
    QTest::newRow("fc4 register 32") << "3" << 32 << 1;
    QTest::newRow("fc3 registers 0-32") << "4" << 0 << 33;
}

void TestMbpoll::refusesPastRegister31() {
    QFETCH(QString, table);
    QFETCH(int, start);
    QFETCH(int, count);

    const PollResult poll =
        mbpoll({"-t", table, "-0", "-r", QString::number(start), "-c", QString::number(count)});
    QVERIFY(poll.finished && poll.exitCode != 0);
    // libmodbus names exception 02 this way; a time-out or a CRC error would read differently.
    QVERIFY2(poll.err.contains("Illegal data address"), qPrintable(poll.err));
}

QTEST_GUILESS_MAIN(TestMbpoll)
#include "tst_interop_mbpoll.moc"
