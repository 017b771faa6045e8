// mbpoll, a Modbus master we did not write, polls the simulator: our framing, register layout
// and exception answers are checked against libmodbus's reading of them.
#include "support/simulatorprocess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

// The module's temperatures; channel 3 has an open sensor.
const QString kCelsius = QStringLiteral("23.5,-10,0,100.1,-0.5,3276.7,-200,25");
constexpr int kOpenChannel = 3;
// What registers 0..7 must hold: tenths of a degree as a signed 16-bit value, -1 when open.
const QList<int> kRegisters{235, -100, -1, 1001, -5, 32767, -2000, 250};

} // namespace

class TstMbpoll : public QObject {
    Q_OBJECT

    QString mbpoll_;
    SimulatorProcess sim_;

    // Runs mbpoll once on registers start..start+count-1 of a table (3: input, fc 4; 4: holding,
    // fc 3); false when it did not end by itself.
    bool poll(const QString &table, int start, int count, int *exitCode, QString *out,
              QString *err) {
        QProcess p;
        p.start(mbpoll_, {"-m", "rtu", "-a", "2", "-b", "19200", "-P", "none", "-1", "-o", "1",
                          "-t", table, "-0", "-r", QString::number(start), "-c",
                          QString::number(count), sim_.ptyPath()});
        const bool finished = p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit;
        *exitCode = p.exitCode();
        *out = QString::fromUtf8(p.readAllStandardOutput());
        *err = QString::fromUtf8(p.readAllStandardError());
        return finished;
    }

private slots:
    void initTestCase() {
        // CI installs mbpoll; without it this check would prove nothing, so it fails.
        mbpoll_ = QStandardPaths::findExecutable("mbpoll");
        QVERIFY2(!mbpoll_.isEmpty(), "mbpoll is not installed (Debian package mbpoll)");
        QVERIFY(sim_.start({"--values", kCelsius, "--open", QString::number(kOpenChannel)}));
    }

    void readsTheChannels_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("start"); // 0-based register
        QTest::addColumn<int>("count");
        QTest::newRow("fc4 channels 1-8") << "3" << 0 << 8;
        QTest::newRow("fc3 registers 6-31") << "4" << 6 << 26;
    }
    void readsTheChannels() {
        QFETCH(QString, table);
        QFETCH(int, start);
        QFETCH(int, count);
        int exitCode = -1;
        QString out, err;
        QVERIFY(poll(table, start, count, &exitCode, &out, &err));
        QVERIFY2(exitCode == 0, qPrintable(out + err));

        // Lines like "[1]: \t65436 (-100)": the reference, the unsigned value, the signed one if
        // it differs.
        static const QRegularExpression line(R"(^\[(\d+)\]:\s+(\d+)(?:\s+\((-?\d+)\))?\s*$)",
                                             QRegularExpression::MultilineOption);
        QMap<int, int> seen;
        for (auto it = line.globalMatch(out); it.hasNext();) {
            const auto m = it.next();
            const int unsignedValue = m.captured(2).toInt();
            const int signedValue = m.captured(3).isEmpty() ? unsignedValue : m.captured(3).toInt();
            QCOMPARE(signedValue & 0xFFFF, unsignedValue);
            seen.insert(m.captured(1).toInt(), signedValue);
        }
        QCOMPARE(seen.size(), count);
        for (int reg = start; reg < start + count; ++reg)
            QCOMPARE(seen.value(reg, 99999), kRegisters.value(reg, 0));
    }

    void refusesPastRegister31_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::newRow("fc3 registers 31-32") << "4" << 31 << 2;
        QTest::newRow("fc4 register 32") << "3" << 32 << 1;
    }
    void refusesPastRegister31() {
        QFETCH(QString, table);
        QFETCH(int, start);
        QFETCH(int, count);
        int exitCode = -1;
        QString out, err;
        QVERIFY(poll(table, start, count, &exitCode, &out, &err));
        QVERIFY(exitCode != 0);
        // libmodbus names exception 02 this way; a time-out or a CRC error would read differently.
        QVERIFY2(err.contains("Illegal data address"), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TstMbpoll)
#include "tst_interop_mbpoll.moc"
