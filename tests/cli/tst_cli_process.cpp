// The real tr6400-cli program against the real simulator on a pseudo-terminal, and against a
// scripted far end where the simulator cannot misbehave in the way a case needs.
#include "support/ptypeer.h"
#include "support/simulatorprocess.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

using namespace std::chrono_literals;
using tr::test::fromHex;
using tr::test::withCrc;

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
    qint64 elapsedMs = 0;
    QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }
};

CliRun runCli(const QStringList &args, const QString &program = QStringLiteral(TR_CLI_PATH)) {
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    CliRun r;
    r.finished = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
    r.elapsedMs = clock.elapsed();
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString why(const CliRun &r) {
    return QStringLiteral("exit %1\nstdout:\n%2\nstderr:\n%3").arg(r.exitCode).arg(r.out, r.err);
}

QByteArray contents(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The simulator's log after it stopped: the tags ("RX", "TX", "DROP", ...) and their stamps.
struct WireEntry {
    qint64 micros = 0;
    QString tag;
    QString bytes;
};

QList<WireEntry> wireLog(SimulatorProcess &sim) {
    if (sim.process().state() != QProcess::NotRunning)
        sim.stop(SIGTERM, 2s);
    QList<WireEntry> entries;
    for (const QString &line : sim.logLines()) {
        const QStringList parts = line.split(' ');
        entries.append({parts.value(0).toLongLong(), parts.value(1), parts.mid(2).join(' ')});
    }
    return entries;
}

int countTags(const QList<WireEntry> &log, const QString &prefix) {
    return int(std::count_if(log.begin(), log.end(),
                             [&](const WireEntry &e) { return e.tag.startsWith(prefix); }));
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// CPU seconds of reaped child processes so far.
double childCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A calibration state file for the simulator: "channel slope offset" per line.
QByteArray stateFile(const QList<std::pair<int, int>> &table) {
    QByteArray text;
    for (int i = 0; i < table.size(); ++i)
        text += QByteArray::number(i + 1) + ' ' + QByteArray::number(table[i].first) + ' ' +
                QByteArray::number(table[i].second) + '\n';
    return text;
}

} // namespace

class TstCliProcess : public QObject {
    Q_OBJECT
private slots:
    void readsTheValueLine_data();
    void readsTheValueLine();
    void csvRowsLeaveOpenSensorsEmpty();
    void keepsItsPeriod();
    void marksDroppedSamples();
    void marksSamplesMissedWhileStopped();
    void exitStatus_data();
    void exitStatus();
    void waitsWithoutSpinning();
    void logs_data();
    void logs();
    void csvLogGetsOneHeader();
    void settingsBesideTheProgram();
    void usageErrors_data();
    void usageErrors();
    void calWriteThenRead();
    void backupRestoreRoundTrip();
    void malformedRestoreWritesNothing_data();
    void malformedRestoreWritesNothing();
    void dryRunPrintsTheFrames();
    void staleBytesAreDropped();
    void exceptionAnswerEndsTheWait();
    void answerFromAnotherStationIsNotRetried();
    void restoreReportsAReadBackThatDiffers();
};

void TstCliProcess::readsTheValueLine_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("cliArgs");
    QTest::addColumn<QString>("line");
    QTest::newRow("function 4") << QStringList() << QStringList{"--function", "4"} << kLine;
    QTest::newRow("function 3") << QStringList() << QStringList{"--function", "3"} << kLine;
    QTest::newRow("open sensor 3 has no item")
        << QStringList{"--open", "3"} << QStringList()
        << "1#:23.50 2#:-10.00 4#:100.10 5#:-0.50 6#:3276.70 7#:-200.00 8#:25.00 ";
    QTest::newRow("registers 5 and 6 are numbered from 1, as in the window")
        << QStringList() << QStringList{"--start", "5", "--count", "2"} << "1#:3276.70 2#:-200.00 ";
    QTest::newRow("station 17 at 9600 baud")
        << QStringList{"--station", "17", "--baud", "9600"}
        << QStringList{"--station", "17", "--baud", "9600", "--count", "1"} << "1#:23.50 ";
}

void TstCliProcess::readsTheValueLine() {
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, cliArgs);
    QFETCH(QString, line);
    SimulatorProcess sim;
    QVERIFY(sim.start(QStringList{"--values", kValues} + simArgs));
    const CliRun r = runCli(QStringList{"read", "--port", sim.ptyPath()} + cliArgs);
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(why(r)));
    QCOMPARE(r.out, line + '\n');
    QCOMPARE(r.err, QString());
}

void TstCliProcess::csvRowsLeaveOpenSensorsEmpty() {
    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", kValues, "--open", "3,8"}));
    const CliRun r = runCli({"read", "--port", sim.ptyPath(), "--format", "csv", "--samples", "3"});
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
        QCOMPARE(cells.mid(2, 8),
                 (QStringList{"23.50", "-10.00", "", "100.10", "-0.50", "3276.70", "-200.00", ""}));
        QCOMPARE(cells[10], "ok");
    }
}

void TstCliProcess::keepsItsPeriod() {
    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", kValues, "--log"}));
    const CliRun r = runCli(
        {"read", "--port", sim.ptyPath(), "--format", "csv", "--every", "100", "--samples", "20"});
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(why(r)));
    const QStringList lines = r.lines();
    QCOMPARE(lines.size(), 21);

    // Each sample's time against start + k * 100 ms: a schedule that adds the period to the end
    // of the previous sample slips 20 ms a sample and ends some 400 ms late.
    const QDateTime first = QDateTime::fromString(lines[1].section(',', 0, 0), Qt::ISODateWithMs);
    QList<double> lateness;
    for (int k = 0; k < 20; ++k) {
        const QDateTime t =
            QDateTime::fromString(lines[k + 1].section(',', 0, 0), Qt::ISODateWithMs);
        QCOMPARE(lines[k + 1].section(',', 1, 1), QString::number(k + 1));
        lateness << double(first.msecsTo(t) - 100 * k);
    }
    qInfo("row times against the schedule: median %.1f ms, last %.1f ms", median(lateness),
          lateness.last());
    QVERIFY2(qAbs(median(lateness)) <= 5, qPrintable(QString::number(median(lateness))));
    QVERIFY2(lateness.last() >= -2 && lateness.last() <= 15,
             qPrintable(QString::number(lateness.last())));

    // The simulator's own stamps of the requests tell the same on an independent clock.
    const QList<WireEntry> log = wireLog(sim);
    QList<double> wireLateness;
    qint64 firstRx = -1;
    int k = 0;
    for (const WireEntry &e : log) {
        if (e.tag != "RX")
            continue;
        if (firstRx < 0)
            firstRx = e.micros;
        wireLateness << double(e.micros - firstRx - 100000LL * k++) / 1000.0;
    }
    QCOMPARE(k, 20);
    qInfo("requests on the wire against the schedule: median %.2f ms, last %.2f ms",
          median(wireLateness), wireLateness.last());
    QVERIFY(qAbs(median(wireLateness)) <= 5);
    QVERIFY(qAbs(wireLateness.last()) <= 15);
}

void TstCliProcess::marksDroppedSamples() {
    QTemporaryDir dir;
    const QString logPath = dir.filePath("samples.csv");
    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", kValues, "--drop", "0.2", "--seed", "7", "--log"}));
    const CliRun r = runCli({"read", "--port", sim.ptyPath(), "--format", "csv", "--every", "100",
                             "--samples", "20", "--retries", "0", "--log", logPath});
    QVERIFY(r.finished);
    const QList<WireEntry> log = wireLog(sim);
    const int drops = countTags(log, "DROP");
    QVERIFY2(drops > 0 && drops < 20, "the seed must drop some answers, not all");
    QCOMPARE(countTags(log, "RX"), 20); // no retries

    const QStringList lines = r.lines();
    QCOMPARE(lines.size(), 21);
    int timeouts = 0;
    const QDateTime first = QDateTime::fromString(lines[1].section(',', 0, 0), Qt::ISODateWithMs);
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
    QCOMPARE(contents(logPath), (lines.join("\r\n") + "\r\n").toUtf8());
}

void TstCliProcess::marksSamplesMissedWhileStopped() {
    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", kValues}));
    QProcess cli;
    cli.start(TR_CLI_PATH, {"read", "--port", sim.ptyPath(), "--format", "csv", "--every", "500",
                            "--samples", "6"});
    // Once the first row is out, the program sleeps until sample 2 is due at 500 ms.
    QByteArray out;
    const QDeadlineTimer firstRow(5000);
    while (out.count('\n') < 2 && !firstRow.hasExpired() && cli.waitForReadyRead(1000))
        out += cli.readAllStandardOutput();
    QCOMPARE(out.count('\n'), 2);
    QTest::qWait(150);
    // The machine stalls for 1.7 s, in the middle of that sleep: samples 2 and 3 (due at 500
    // and 1000 ms) lose their whole period, sample 4 (1500 ms) still has some of its own.
    QCOMPARE(::kill(pid_t(cli.processId()), SIGSTOP), 0);
    QThread::msleep(1700);
    QCOMPARE(::kill(pid_t(cli.processId()), SIGCONT), 0);
    QVERIFY(cli.waitForFinished(10000));
    out += cli.readAllStandardOutput();
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    QVERIFY2(cli.exitCode() == 0, qPrintable(QString::fromUtf8(out) + err));

    const QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 7);
    QStringList statuses;
    for (int k = 1; k <= 6; ++k) {
        const QStringList cells = lines[k].split(',');
        QCOMPARE(cells[1], QString::number(k));
        statuses << cells.last();
    }
    // A slow machine may come back after 2000 ms and lose sample 4 as well.
    const QStringList exact{"ok", "missed", "missed", "ok", "ok", "ok"};
    const QStringList late{"ok", "missed", "missed", "missed", "ok", "ok"};
    QVERIFY2(statuses == exact || statuses == late, qPrintable(statuses.join(' ')));
    QCOMPARE(err.count("missed"), int(statuses.count("missed")));
}

void TstCliProcess::exitStatus_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("cliArgs");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("function 1: exception, not retried")
        << QStringList() << QStringList{"read", "--function", "1"} << 4 << 1 << "exception 1\n"
        << "illegal function";
    QTest::newRow("past register 31: exception 2")
        << QStringList() << QStringList{"read", "--start", "31", "--count", "2"} << 4 << 1
        << "exception 2\n"
        << "illegal data address";
    QTest::newRow("corrupt CRC, retried twice")
        << QStringList{"--corrupt", "1"} << QStringList{"read"} << 3 << 3 << "crc\n"
        << "CRC error";
    QTest::newRow("corrupt CRC, no retries")
        << QStringList{"--corrupt", "1"} << QStringList{"read", "--retries", "0"} << 3 << 1
        << "crc\n"
        << "CRC error";
    QTest::newRow("stray bytes before every answer")
        << QStringList{"--garbage", "1"} << QStringList{"read", "--retries", "1"} << 3 << 2
        << "crc\n"
        << "CRC error";
    QTest::newRow("another station answers nothing")
        << QStringList{"--station", "5"} << QStringList{"read", "--timeout-ms", "100"} << 2 << 3
        << "timeout\n"
        << "no answer";
    QTest::newRow("truncated answers time out")
        << QStringList{"--truncate", "1"}
        << QStringList{"read", "--timeout-ms", "100", "--retries", "1"} << 2 << 2 << "timeout\n"
        << "no answer";
    QTest::newRow("late answers time out")
        << QStringList{"--late-ms", "400"}
        << QStringList{"read", "--timeout-ms", "100", "--retries", "0"} << 2 << 1 << "timeout\n"
        << "no answer";
    QTest::newRow("calibration read: exception 4")
        << QStringList{"--exception", "1"} << QStringList{"cal", "read", "--channel", "1"} << 4 << 1
        << QString() << "server device failure";
    QTest::newRow("calibration write: no answer")
        << QStringList{"--drop", "1"}
        << QStringList{"cal", "write", "--channel", "1", "--slope", "1", "--timeout-ms", "50"} << 2
        << 3 << QString() << "writing the slope";
    QTest::newRow("backup stops at the first failure")
        << QStringList{"--exception", "1"} << QStringList{"cal", "backup", "@FILE@"} << 4 << 1
        << QString() << "was not written";
}

void TstCliProcess::exitStatus() {
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, cliArgs);
    QFETCH(int, exitCode);
    QFETCH(int, requests);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir dir;
    const QString file = dir.filePath("backup.txt");
    cliArgs.replaceInStrings("@FILE@", file);
    SimulatorProcess sim;
    QVERIFY(sim.start(QStringList{"--values", kValues, "--log"} + simArgs));
    const CliRun r = runCli(cliArgs + QStringList{"--port", sim.ptyPath()});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QCOMPARE(countTags(wireLog(sim), "RX"), requests);
    QVERIFY(!QFile::exists(file));
}

void TstCliProcess::waitsWithoutSpinning() {
    SimulatorProcess sim;
    QVERIFY(sim.start({"--station", "5"}));
    const double before = childCpuSeconds();
    const CliRun r = runCli({"read", "--port", sim.ptyPath(), "--timeout-ms", "500"});
    const double cpu = childCpuSeconds() - before;
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 2);
    // Three attempts of 500 ms each; a loop polling the port would burn most of that.
    QVERIFY2(r.elapsedMs >= 1500, qPrintable(QString::number(r.elapsedMs)));
    qInfo("1.5 s of waiting took %.3f s of CPU", cpu);
    QVERIFY2(cpu < 0.4, qPrintable(QString::number(cpu)));
}

void TstCliProcess::logs_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("record"); // regular expression of one record
    // The window's data-file record: quote, date-time, three blanks, value line, three blanks.
    const QString stamp = QStringLiteral(R"(\d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{2}:\d{2})");
    QTest::newRow("text") << QStringList() << "text"
                          << "\"" + stamp + "   " + QRegularExpression::escape(kLine) + "   \"\r\n";
    QTest::newRow("text, no answer") << QStringList{"--station", "9"} << "text"
                                     << "\"" + stamp + "   timeout   \"\r\n";
    QTest::newRow("csv") << QStringList() << "csv"
                         << QStringLiteral(
                                R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(Z|[+-]\d\d:\d\d),\d,)") +
                                QRegularExpression::escape(
                                    "23.50,-10.00,0.00,100.10,-0.50,3276.70,-200.00,25.00,"
                                    "ok\r\n");
}

void TstCliProcess::logs() {
    QFETCH(QStringList, simArgs);
    QFETCH(QString, format);
    QFETCH(QString, record);
    QTemporaryDir dir;
    const QString path = dir.filePath("dataGet.txt");
    // A cleared data file, or a csv log that has its header already: both stay as they are.
    const QByteArray before =
        format == "text" ? QByteArray("\"\"\r\n")
                         : QByteArray("time,seq,ch1,ch2,ch3,ch4,ch5,ch6,ch7,ch8,status\r\n");
    QVERIFY(writeFile(path, before));
    SimulatorProcess sim;
    QVERIFY(sim.start(QStringList{"--values", kValues} + simArgs));
    const CliRun r = runCli({"read", "--port", sim.ptyPath(), "--samples", "2", "--log", path,
                             "--format", format, "--timeout-ms", "100", "--retries", "0"});
    QVERIFY(r.finished);
    const QByteArray bytes = contents(path);
    QVERIFY(bytes.startsWith(before));
    const QRegularExpression twoRecords("^(" + record + "){2}$");
    QVERIFY2(twoRecords.match(QString::fromLatin1(bytes.mid(before.size()))).hasMatch(),
             bytes.constData());
}

void TstCliProcess::csvLogGetsOneHeader() {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.csv");
    QVERIFY(writeFile(path, QByteArray())); // an empty file counts as new
    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", kValues}));
    for (int run = 0; run < 2; ++run) {
        const CliRun r = runCli({"read", "--port", sim.ptyPath(), "--samples", "2", "--format",
                                 "csv", "--log", path, "--count", "1"});
        QVERIFY2(r.finished && r.exitCode == 0, qPrintable(why(r)));
    }
    const QList<QByteArray> lines = contents(path).split('\n');
    QCOMPARE(lines.size(), 6); // header, four rows, nothing after the last CR LF
    QCOMPARE(lines[0], QByteArray("time,seq,ch1,status\r"));
    for (int i = 1; i <= 4; ++i)
        QVERIFY2(lines[i].endsWith(",23.50,ok\r"), lines[i].constData());
    QVERIFY(lines[5].isEmpty());
}

void TstCliProcess::settingsBesideTheProgram() {
    // A copy of the program in a folder of its own, with and without settings files.
    QTemporaryDir dir;
    const QString program = dir.filePath("tr6400-cli");
    QVERIFY(QFile::copy(TR_CLI_PATH, program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner));

    CliRun r = runCli({"read"}, program);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("--port is required"), qPrintable(r.err));

    // comm.set names COM4; the simulator links its pseudo-terminal at ports/COM4 beside the
    // program. ModSet.set asks station 2 for three registers.
    QVERIFY(writeFile(dir.filePath("comm.set"), "4,19200\r\n"));
    QVERIFY(writeFile(dir.filePath("ModSet.set"), "1,2,3,1\r\n"));
    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", kValues, "--link", dir.filePath("ports/COM4")}));
    r = runCli({"read"}, program);
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(why(r)));
    QCOMPARE(r.out, "1#:23.50 2#:-10.00 3#:0.00 \n");

    // A flag wins over the file.
    r = runCli({"read", "--count", "1", "--port", "COM4"}, program);
    QVERIFY2(r.finished && r.exitCode == 0, qPrintable(why(r)));
    QCOMPARE(r.out, "1#:23.50 \n");

    QVERIFY(writeFile(dir.filePath("ModSet.set"), "1,2\r\n"));
    r = runCli({"read"}, program);
    QCOMPARE(r.exitCode, 5);
    QVERIFY2(r.err.contains("ModSet.set: field 3"), qPrintable(r.err));
}

void TstCliProcess::usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::newRow("no command") << QStringList() << 1 << "no command";
    QTest::newRow("unknown option")
        << QStringList{"read", "--port", "/dev/null", "--colour"} << 1 << "--colour";
    QTest::newRow("bad station") << QStringList{"read", "--port", "/dev/null", "--station", "0"}
                                 << 1 << "--station";
    QTest::newRow("write without a value")
        << QStringList{"cal", "write", "--port", "/dev/null", "--channel", "1"} << 1 << "--slope";
    QTest::newRow("device that does not exist")
        << QStringList{"read", "--port", "/nonexistent/tty"} << 5 << "/nonexistent/tty";
    QTest::newRow("restore file that does not exist")
        << QStringList{"cal", "restore", "/nonexistent/b.txt", "--dry-run"} << 5
        << "/nonexistent/b.txt";
}

void TstCliProcess::usageErrors() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    const CliRun r = runCli(args);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.startsWith("tr6400-cli: ") && r.err.contains(err), qPrintable(r.err));
    QCOMPARE(r.err.contains("--help"), exitCode == 1);

    const CliRun help = runCli({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("Examples:"));
}

void TstCliProcess::calWriteThenRead() {
    SimulatorProcess sim;
    QVERIFY(sim.start({"--values", kValues}));
    const QStringList port{"--port", sim.ptyPath()};
    CliRun r = runCli(QStringList{"cal", "read", "--channel", "3"} + port);
    QCOMPARE(r.out, "3::1000--0\n"); // factory calibration
    r = runCli(QStringList{"cal", "write", "--channel", "3", "--slope", "1200"} + port);
    QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
    r = runCli(QStringList{"cal", "write", "--channel", "3", "--offset", "65526"} + port);
    QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
    r = runCli(QStringList{"cal", "read", "--channel", "3"} + port);
    QCOMPARE(r.out, "3::1200--65526\n");
    r = runCli(QStringList{"cal", "read", "--channel", "4"} + port);
    QCOMPARE(r.out, "4::1000--0\n");
    // Channel 3 reads 0 °C raw: 0 x 1.2 - 1.0 = -1.0 now.
    r = runCli(QStringList{"read", "--start", "2", "--count", "1"} + port);
    QCOMPARE(r.out, "1#:-1.00 \n");
}

void TstCliProcess::backupRestoreRoundTrip() {
    QTemporaryDir dir;
    const QList<std::pair<int, int>> table{{1200, 5},  {998, 65526}, {1000, 0}, {0, 0},
                                           {65535, 1}, {1001, 300},  {777, 7},  {1000, 65535}};
    QVERIFY(writeFile(dir.filePath("a.state"), stateFile(table)));
    const QString first = dir.filePath("first.txt");
    {
        SimulatorProcess a;
        QVERIFY(a.start({"--state", dir.filePath("a.state")}));
        const CliRun r = runCli({"cal", "backup", first, "--port", a.ptyPath(), "--progress"});
        QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
        QCOMPARE(r.err.count("backup: channel"), 8);
    }
    QByteArray expected = "\"";
    for (int i = 0; i < table.size(); ++i)
        expected += QByteArray::number(i + 1) + "::" + QByteArray::number(table[i].first) + "--" +
                    QByteArray::number(table[i].second) + "\r\n";
    expected += "\"\r\n";
    QCOMPARE(contents(first), expected);

    SimulatorProcess b;
    QVERIFY(b.start({"--state", dir.filePath("b.state")}));
    const QStringList port{"--port", b.ptyPath()};
    const QString factory = dir.filePath("factory.txt");
    CliRun r = runCli(QStringList{"cal", "backup", factory} + port);
    QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
    QVERIFY(contents(factory) != expected);

    r = runCli(QStringList{"cal", "restore", first, "--quiet"} + port);
    QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
    QCOMPARE(r.err, QString());
    const QString second = dir.filePath("second.txt");
    r = runCli(QStringList{"cal", "backup", second} + port);
    QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
    QCOMPARE(contents(second), contents(first));
}

void TstCliProcess::malformedRestoreWritesNothing_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("line");
    QTest::newRow("garbage on line 3")
        << QByteArray("\"1::1000--0\r\n2::1000--0\r\n3::abc--0\r\n4::1000--0\r\n\"\r\n") << 3;
    QTest::newRow("channel 9 on line 2") << QByteArray("\"1::1000--0\r\n9::1000--0\r\n\"\r\n") << 2;
    QTest::newRow("no closing quote") << QByteArray("\"1::1000--0\r\n2::1000--0\r\n") << 2;
}

void TstCliProcess::malformedRestoreWritesNothing() {
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

void TstCliProcess::dryRunPrintsTheFrames() {
    QTemporaryDir dir;
    const QString path = dir.filePath("backup.txt");
    QVERIFY(writeFile(path, "\"1::1000--0\r\n8::1000--0\r\n\"\r\n"));
    // No port is opened: a device that does not exist does not matter.
    const CliRun r = runCli(
        {"cal", "restore", path, "--dry-run", "--station", "1", "--port", "/nonexistent/tty"});
    QVERIFY2(r.exitCode == 0, qPrintable(why(r)));
    // Slope 1000 and offset 0 to channel 1 of station 1, then its read; the read of channel 8.
    QCOMPARE(r.lines(), (QStringList{"01 42 01 E8 03 01 39 3D ", "01 42 02 00 00 01 B9 BD ",
                                     "01 42 00 00 02 01 B9 65 ", "01 42 01 E8 03 08 F9 3B ",
                                     "01 42 02 00 00 08 79 BB ", "01 42 00 00 02 08 79 63 "}));
}

void TstCliProcess::staleBytesAreDropped() {
    tr::test::PtyPeer peer;
    QVERIFY(peer.ok());
    QProcess cli;
    cli.start(TR_CLI_PATH, {"read", "--port", peer.slavePath(), "--count", "2", "--samples", "2",
                            "--retries", "0"});
    const QByteArray request = fromHex("02 04 00 00 00 02 71 F8");
    const QByteArray answer = fromHex("02 04 04 00 EB FF 9C F9 29");
    QCOMPARE(peer.readFor(5000, 8), request);
    // Two stray bytes trail the first answer. They must not be read as the start of the
    // answer to the second request.
    peer.write(answer + fromHex("AA BB"));
    QCOMPARE(peer.readFor(2000, 8), request);
    peer.write(answer);
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.readAllStandardOutput(), QByteArray("1#:23.50 2#:-10.00 \n1#:23.50 2#:-10.00 \n"));
    QCOMPARE(cli.exitCode(), 0);
}

void TstCliProcess::exceptionAnswerEndsTheWait() {
    tr::test::PtyPeer peer;
    QVERIFY(peer.ok());
    QProcess cli;
    cli.start(TR_CLI_PATH,
              {"read", "--port", peer.slavePath(), "--timeout-ms", "8000", "--retries", "0"});
    QCOMPARE(peer.readFor(5000, 8).size(), 8);
    QElapsedTimer clock;
    clock.start();
    peer.write(withCrc(fromHex("02 84 02")));
    QVERIFY(cli.waitForFinished(5000));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(cli.exitCode(), 4);
    QCOMPARE(cli.readAllStandardOutput(), QByteArray("exception 2\n"));
}

void TstCliProcess::answerFromAnotherStationIsNotRetried() {
    tr::test::PtyPeer peer;
    QVERIFY(peer.ok());
    QProcess cli;
    cli.start(TR_CLI_PATH, {"read", "--port", peer.slavePath(), "--count", "1", "--retries", "2"});
    QCOMPARE(peer.readFor(5000, 8).size(), 8);
    peer.write(withCrc(fromHex("03 04 02 00 EB")));
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), 3);
    QVERIFY(cli.readAllStandardError().contains("another station"));
    QCOMPARE(peer.readFor(200), QByteArray());
}

void TstCliProcess::restoreReportsAReadBackThatDiffers() {
    QTemporaryDir dir;
    const QString path = dir.filePath("backup.txt");
    QVERIFY(writeFile(path, "\"2::1000--0\r\n\"\r\n"));
    tr::test::PtyPeer peer;
    QVERIFY(peer.ok());
    QProcess cli;
    cli.start(TR_CLI_PATH, {"cal", "restore", path, "--port", peer.slavePath(), "--quiet"});
    // A module that echoes both writes but keeps its old slope.
    const QByteArray slopeWrite = peer.readFor(5000, 8);
    QCOMPARE(slopeWrite, withCrc(fromHex("02 42 01 E8 03 02")));
    peer.write(slopeWrite);
    const QByteArray offsetWrite = peer.readFor(2000, 8);
    QCOMPARE(offsetWrite, withCrc(fromHex("02 42 02 00 00 02")));
    peer.write(offsetWrite);
    QCOMPARE(peer.readFor(2000, 8), withCrc(fromHex("02 42 00 00 02 02")));
    peer.write(withCrc(fromHex("02 42 E7 03 00 00")));
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), 3);
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    QVERIFY2(err.contains("channel 2: read back slope 999, offset 0"), qPrintable(err));
}

QTEST_GUILESS_MAIN(TstCliProcess)
#include "tst_cli_process.moc"
