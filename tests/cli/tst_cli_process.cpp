// The real tr6400-cli program against the real simulator on a pseudo-terminal, and against a
// scripted far end where the simulator cannot misbehave in the way a case needs.
#include "support/wirelog.h"
#include "support/files.h"
#include "support/ptypeer.h"
#include "support/simulatorprocess.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>

using namespace std::chrono_literals;
using tr::test::fromHex;
using tr::test::withCrc;
using tr::test::writeFile;

namespace {

// Fixed temperatures for all eight channels, so nothing drifts; the value line they give.
const QString kValues = QStringLiteral("23.5,-10,0,100.1,-0.5,3276.7,-200,25");
const QString kLine =
    QStringLiteral("1#:23.50 2#:-10.00 3#:0.00 4#:100.10 5#:-0.50 6#:3276.70 7#:-200.00 8#:25.00 ");

struct CliRun {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }
};

CliRun runCli(const QStringList &args, const QString &program = QStringLiteral(TR_CLI_PATH)) {
    QProcess p;
    p.start(program, args);
    CliRun r;
    r.finished = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString why(const CliRun &r) {
    return QStringLiteral("exit %1\nstdout:\n%2\nstderr:\n%3").arg(r.exitCode).arg(r.out, r.err);
}

// The simulator's log after it stopped.
QList<tr::test::WireLine> wireLog(SimulatorProcess &sim) {
    if (sim.process().state() != QProcess::NotRunning)
        sim.stop(SIGTERM, 2s);
    return tr::test::wireLines(sim.logLines());
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// A line of blank-separated words as arguments.
QStringList words(const QString &line) {
    return line.split(' ', Qt::SkipEmptyParts);
}

} // namespace

class TstCliProcess : public QObject {
    Q_OBJECT
private slots:
    void readsTheValueLine_data() {
        QTest::addColumn<QString>("simArgs");
        QTest::addColumn<QString>("cliArgs");
        QTest::addColumn<QString>("line");
        QTest::newRow("function 4") << ""
                                    << "--function 4" << kLine;
        QTest::newRow("function 3") << ""
                                    << "--function 3" << kLine;
        QTest::newRow("registers 5 and 6 are numbered from 1, as in the window")
            << ""
            << "--start 5 --count 2"
            << "1#:3276.70 2#:-200.00 ";
        QTest::newRow("station 17 at 9600 baud") << "--station 17 --baud 9600"
                                                 << "--station 17 --baud 9600 --count 1"
                                                 << "1#:23.50 ";
    }
    void readsTheValueLine() {
        QFETCH(QString, simArgs);
        QFETCH(QString, cliArgs);
        QFETCH(QString, line);
        SimulatorProcess sim;
        QVERIFY(sim.start(QStringList{"--values", kValues} + words(simArgs)));
        const CliRun r = runCli(QStringList{"read", "--port", sim.ptyPath()} + words(cliArgs));
        QVERIFY2(r.finished && r.exitCode == 0, qPrintable(why(r)));
        QCOMPARE(r.out, line + '\n');
        QCOMPARE(r.err, QString());
    }
    void csvRowsLeaveOpenSensorsEmpty() {
        SimulatorProcess sim;
        QVERIFY(sim.start({"--values", kValues, "--open", "3,8"}));
        const CliRun r =
            runCli({"read", "--port", sim.ptyPath(), "--format", "csv", "--samples", "3"});
        QVERIFY2(r.finished && r.exitCode == 0, qPrintable(why(r)));
        const QStringList lines = r.lines();
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], "time,seq,ch1,ch2,ch3,ch4,ch5,ch6,ch7,ch8,status");
        QDateTime previous;
        for (int i = 1; i < lines.size(); ++i) {
            const QStringList cells = lines[i].split(',');
            QCOMPARE(cells.size(), 11);
            const QDateTime when = QDateTime::fromString(cells[0], Qt::ISODateWithMs);
            QVERIFY2(when.isValid(), qPrintable(cells[0]));
            QVERIFY(qAbs(when.msecsTo(QDateTime::currentDateTime())) < 60000);
            if (previous.isValid())
                QVERIFY(previous <= when);
            previous = when;
            QCOMPARE(cells[1], QString::number(i));
            QCOMPARE(cells.mid(2, 8), (QStringList{"23.50", "-10.00", "", "100.10", "-0.50",
                                                   "3276.70", "-200.00", ""}));
            QCOMPARE(cells[10], "ok");
        }
    }
    // Rows keep to start + k x 100 ms although some answers never come: a schedule that adds the
    // period to the end of the previous sample would slip.
    void marksDroppedSamples() {
        QTemporaryDir dir;
        const QString logPath = dir.filePath("samples.csv");
        SimulatorProcess sim;
        QVERIFY(sim.start({"--values", kValues, "--drop", "0.2", "--seed", "7", "--log"}));
        const CliRun r = runCli({"read", "--port", sim.ptyPath(), "--format", "csv", "--every",
                                 "100", "--samples", "20", "--retries", "0", "--log", logPath});
        QVERIFY(r.finished);
        const QList<tr::test::WireLine> log = wireLog(sim);
        const int drops = int(tr::test::wireLines(sim.logLines(), "DROP").size());
        QVERIFY2(drops > 0 && drops < 20, "the seed must drop some answers, not all");
        // The simulator stamps the requests on a clock of its own.
        QList<double> wireLateness;
        for (const tr::test::WireLine &e : log)
            if (e.tag == "RX")
                wireLateness << double(e.micros - log[0].micros) / 1000.0 -
                                    100 * wireLateness.size();
        QCOMPARE(wireLateness.size(), 20); // no retries
        qInfo("requests on the wire against the schedule: median %.2f ms, last %.2f ms",
              median(wireLateness), wireLateness.last());
        QVERIFY(qAbs(median(wireLateness)) <= 5);
        QVERIFY(qAbs(wireLateness.last()) <= 15);

        const QStringList lines = r.lines();
        QCOMPARE(lines.size(), 21);
        int timeouts = 0;
        const QDateTime first =
            QDateTime::fromString(lines[1].section(',', 0, 0), Qt::ISODateWithMs);
        for (int k = 0; k < 20; ++k) {
            const QStringList cells = lines[k + 1].split(',');
            QCOMPARE(cells[1], QString::number(k + 1)); // no sample left out
            const QString status = cells.last();
            QVERIFY2(status == "ok" || status == "timeout", qPrintable(status));
            if (status == "timeout") {
                ++timeouts;
                QCOMPARE(cells.mid(2, 8), QStringList(8, QString()));
            }
            // A dropped answer waits at most until the next sample is due.
            const qint64 late =
                first.msecsTo(QDateTime::fromString(cells[0], Qt::ISODateWithMs)) - 100 * k;
            QVERIFY2(late >= -2 && late <= 20, qPrintable(lines[k + 1]));
        }
        QCOMPARE(timeouts, drops);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err.count("no answer"), drops);

        // The log holds the same rows, CR LF ended, under one header.
        QCOMPARE(tr::test::readFile(logPath), (lines.join("\r\n") + "\r\n").toUtf8());
    }
    void exitStatus_data() {
        QTest::addColumn<QString>("simArgs");
        QTest::addColumn<QString>("cliArgs");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("function 1: exception, not retried")
            << ""
            << "read --function 1" << 4 << 1 << "exception 1\n"
            << "illegal function";
        QTest::newRow("corrupt CRC, retried twice") << "--corrupt 1"
                                                    << "read" << 3 << 3 << "crc\n"
                                                    << "CRC error";
        QTest::newRow("another station answers nothing")
            << "--station 5"
            << "read --timeout-ms 100" << 2 << 3 << "timeout\n"
            << "no answer";
        QTest::newRow("calibration read: exception 4") << "--exception 1"
                                                       << "cal read --channel 1" << 4 << 1 << ""
                                                       << "server device failure";
        QTest::newRow("backup stops at the first failure") << "--exception 1"
                                                           << "cal backup @FILE@" << 4 << 1 << ""
                                                           << "was not written";
    }
    void exitStatus() {
        QFETCH(QString, simArgs);
        QFETCH(QString, cliArgs);
        QFETCH(int, exitCode);
        QFETCH(int, requests);
        QFETCH(QString, out);
        QFETCH(QString, err);

        QTemporaryDir dir;
        const QString file = dir.filePath("backup.txt");
        SimulatorProcess sim;
        QVERIFY(sim.start(QStringList{"--values", kValues, "--log"} + words(simArgs)));
        const CliRun r =
            runCli(words(cliArgs.replace("@FILE@", file)) + QStringList{"--port", sim.ptyPath()});
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        // Requests to another station are logged as RX-OTHER.
        const QList<tr::test::WireLine> log = wireLog(sim);
        QCOMPARE(
            std::count_if(log.begin(), log.end(), [](auto &w) { return w.tag.startsWith("RX"); }),
            requests);
        QVERIFY(!QFile::exists(file));
    }
    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        QTest::newRow("no command") << QStringList() << 1 << "no command";
        QTest::newRow("unknown option")
            << QStringList{"read", "--port", "/dev/null", "--colour"} << 1 << "--colour";
        QTest::newRow("device that does not exist")
            << QStringList{"read", "--port", "/nonexistent/tty"} << 5 << "/nonexistent/tty";
        QTest::newRow("restore file that does not exist")
            << QStringList{"cal", "restore", "/nonexistent/b.txt", "--dry-run"} << 5
            << "/nonexistent/b.txt";
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        const CliRun r = runCli(args);
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, QString());
        QVERIFY2(r.err.startsWith("tr6400-cli: ") && r.err.contains(err), qPrintable(r.err));
        QCOMPARE(r.err.contains("--help"), exitCode == 1);
    }
    void backupRestoreRoundTrip() {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("a.state"),
                          "1 1200 5\n2 998 65526\n3 1000 0\n4 0 0\n"
                          "5 65535 1\n6 1001 300\n7 777 7\n8 1000 65535\n"));
        const QByteArray expected = "\"1::1200--5\r\n2::998--65526\r\n3::1000--0\r\n4::0--0\r\n"
                                    "5::65535--1\r\n6::1001--300\r\n7::777--7\r\n"
                                    "8::1000--65535\r\n\"\r\n";
        const QString first = dir.filePath("first.txt");
        {
            SimulatorProcess a;
            QVERIFY(a.start({"--state", dir.filePath("a.state")}));
            const CliRun r = runCli({"cal", "backup", first, "--port", a.ptyPath(), "--progress"});
            QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
            QCOMPARE(r.err.count("backup: channel"), 8);
        }
        QCOMPARE(tr::test::readFile(first), expected);

        SimulatorProcess b;
        QVERIFY(b.start({"--state", dir.filePath("b.state")}));
        const QStringList port{"--port", b.ptyPath()};
        const QString factory = dir.filePath("factory.txt");
        CliRun r = runCli(QStringList{"cal", "backup", factory} + port);
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        QVERIFY(tr::test::readFile(factory) != expected);

        r = runCli(QStringList{"cal", "restore", first, "--quiet"} + port);
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        QCOMPARE(r.err, QString());
        const QString second = dir.filePath("second.txt");
        r = runCli(QStringList{"cal", "backup", second} + port);
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        QCOMPARE(tr::test::readFile(second), tr::test::readFile(first));
    }
    void malformedRestoreWritesNothing_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");
        QTest::newRow("garbage on line 3")
            << QByteArray("\"1::1000--0\r\n2::1000--0\r\n3::abc--0\r\n4::1000--0\r\n\"\r\n") << 3;
        QTest::newRow("no closing quote") << QByteArray("\"1::1000--0\r\n2::1000--0\r\n") << 2;
    }
    void malformedRestoreWritesNothing() {
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        QTemporaryDir dir;
        const QString path = dir.filePath("backup.txt");
        QVERIFY(writeFile(path, file));
        SimulatorProcess sim;
        QVERIFY(sim.start({"--log", "--state", dir.filePath("sim.state")}));
        const CliRun r = runCli({"cal", "restore", path, "--port", sim.ptyPath()});
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 5);
        QVERIFY2(r.err.contains(QStringLiteral("%1:%2: ").arg(path).arg(line)), qPrintable(r.err));
        // Not one request went out, let alone a 0x42 write.
        QCOMPARE(wireLog(sim).size(), 0);
        QVERIFY(!QFile::exists(dir.filePath("sim.state")));
    }
    void staleBytesAreDropped() {
        tr::test::PtyPeer peer;
        QVERIFY(peer.ok());
        QProcess cli;
        cli.start(TR_CLI_PATH, {"read", "--port", peer.slavePath(), "--count", "2", "--samples",
                                "2", "--retries", "0"});
        const QByteArray request = fromHex("02 04 00 00 00 02 71 F8");
        const QByteArray answer = fromHex("02 04 04 00 EB FF 9C F9 29");
        QCOMPARE(peer.readFor(5000, 8), request);
        // Two stray bytes trail the first answer. They must not be read as the start of the
        // answer to the second request.
        peer.write(answer + fromHex("AA BB"));
        QCOMPARE(peer.readFor(2000, 8), request);
        peer.write(answer);
        QVERIFY(cli.waitForFinished(5000));
        QCOMPARE(cli.readAllStandardOutput(),
                 QByteArray("1#:23.50 2#:-10.00 \n1#:23.50 2#:-10.00 \n"));
        QCOMPARE(cli.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TstCliProcess)
#include "tst_cli_process.moc"
