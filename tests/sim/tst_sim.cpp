// The simulator as the other suites use it: the real program on a pseudo-terminal, answering at
// the pace of the wire, only to its own station, with calibration (0x42) and injected faults.
#include "support/files.h"
#include "support/ptypeer.h"
#include "support/simulatorprocess.h"
#include "support/wirelog.h"

#include <QTemporaryDir>
#include <QTest>

#include <bit>
#include <csignal>

using namespace std::chrono_literals;
using namespace tr::test;

class TstSim : public QObject {
    Q_OBJECT
private slots:
    // One request to a fresh simulator at 1200 baud with a 30 ms turnaround, where a byte takes
    // 8.3 ms on the wire: what comes back, when, and what the log says. @STATE@ holds slope 1234
    // and offset 65526 (-1.0 degree) for channel 2.
    void exchanges_data() {
        QTest::addColumn<QString>("simArgs");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer"); // for a spoiled answer: the intact one
        QTest::addColumn<QString>("tags");
        const auto row = [](const char *sim, const char *request, const char *answer,
                            const char *tags) {
            QTest::addRow("%s | %s | %s", sim, request, tags)
                << QString(sim) << fromHex(request) << fromHex(answer) << QString(tags);
        };
        const char *read = "02 04 00 00 00 02 71 F8";
        const char *intact = "02 04 04 00 EB FF 9C F9 29";
        row("", read, intact, "RX TX");
        row("--station 1", "01 03 00 00 00 08 44 0C",
            "01 03 10 00 EB FF 9C FF FF 00 00 03 E9 FF FB 7F FF F8 30 A7 46", "RX TX");
        row("", "01 03 00 00 00 08 44 0C", "", "RX-OTHER");            // another station
        row("", "02 03 00 1F 00 02 F5 FE", "02 83 02 30 F1", "RX TX"); // past register 31
        row("", "02 42 00 00 02 09 B8 90", "02 C2 02 00 A1", "RX TX");
        row("", "02 06 00 00 00 01 48 39", "02 86 01 73 A0", "RX TX"); // function 6 // channel 9
        row("--station 1 --state @STATE@", "01 42 00 00 02 02 F9 64",  // low byte first
            "01 42 D2 04 F6 FF 06 9C", "RX TX");
        row("--station 1 --state @STATE@", "01 04 00 00 00 02 71 CB", // -10 x 1.234 - 1.0
            "01 04 04 00 EB FF 7B 8A 63", "RX TX");
        row("--station 1", "01 42 01 E8 03 01 39 3D", "01 42 01 E8 03 01 39 3D", "RX TX");
        row("--drop 1", read, "", "RX DROP");
        row("--exception 1", read, "02 84 04 B2 C3", "RX TX-EXCEPTION");
        row("--truncate 1", read, intact, "RX TX-TRUNCATE");
        row("--corrupt 1", read, intact, "RX TX-CORRUPT");
        row("--garbage 1", read, intact, "RX TX-GARBAGE");
        row("--late-ms 100", read, intact, "RX TX-LATE");
    }
    void exchanges() {
        QFETCH(QString, simArgs);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(QString, tags);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("cal.txt"), "2 1234 65526\n"));
        SimulatorProcess sim;
        QVERIFY(sim.start(
            QStringList{"--values", "23.5,-10,25,0,100.1,-0.5,3276.7,-200", "--open", "3", "--baud",
                        "1200", "--turnaround-ms", "30", "--log"} +
            simArgs.replace("@STATE@", dir.filePath("cal.txt")).split(' ', Qt::SkipEmptyParts)));
        SerialEnd port;
        QVERIFY(port.open(sim.ptyPath()));
        const qint64 sent = tr::monotonicMicros();
        QVERIFY(port.write(request));
        QByteArray got;
        qint64 took = 0;
        for (QByteArray b; !(b = port.read(1, got.isEmpty() ? 500ms : 100ms)).isEmpty();
             took = tr::monotonicMicros() - sent)
            got += b;
        QVERIFY(sim.stop(SIGTERM, 2s));
        const QList<WireLine> log = wireLines(sim.logLines());
        QStringList seen;
        for (const WireLine &w : log)
            seen << w.tag;
        QCOMPARE(seen.join(' '), tags);
        const QString fault = tags.section(' ', 1);
        if (fault == "TX-TRUNCATE") {
            QVERIFY(!got.isEmpty() && got.size() < answer.size() && answer.startsWith(got));
        } else if (fault == "TX-CORRUPT") {
            int bits = got.size() == answer.size() ? 0 : 99;
            for (qsizetype k = 0; k < got.size() && k < answer.size(); ++k)
                bits += std::popcount(uint(quint8(got[k] ^ answer[k])));
            QCOMPARE(bits, 1);
        } else if (fault == "TX-GARBAGE") {
            QVERIFY(got.endsWith(answer) && got.size() > answer.size() &&
                    got.size() <= answer.size() + 4);
        } else {
            QCOMPARE(got.toHex(' '), answer.toHex(' '));
        }
        if (got.isEmpty())
            return;
        // The log holds what went out; the last byte cannot arrive before the request and the
        // answer crossed the wire and the module turned around (and waited, when late).
        QCOMPARE(log.last().bytes.toHex(' '), got.toHex(' '));
        const qint64 due =
            wireMicros(8 + int(got.size()), 1200) + 30000 + (fault == "TX-LATE" ? 100000 : 0);
        QVERIFY2(took >= due && took < due + 100000,
                 qPrintable(QStringLiteral("%1 us, due %2 us").arg(took).arg(due)));
    }
};

QTEST_GUILESS_MAIN(TstSim)
#include "tst_sim.moc"
