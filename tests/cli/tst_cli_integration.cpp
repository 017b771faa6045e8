// For integrators: several modules on one bus (one simulator answering stations 2 and 5 with
// values of their own), JSON lines, the bus scan, and MQTT to a real mosquitto broker on
// 127.0.0.1 that is stopped for two seconds in the middle of a run.
#include "support/broker.h"
#include "support/files.h"
#include "support/simulatorprocess.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <netinet/in.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QStringList kTwoModules{"--station", "2,5",
                              "--values",  "2:-10.5,2,3,4,5,6,7,8",
                              "--values",  "5:30.1,0,13,14,15,16,17,18",
                              "--open",    "2"};

// Exit status, standard output lines, standard error.
std::tuple<int, QStringList, QString> runCli(const QStringList &args) {
    QProcess p;
    p.start(TR_CLI_PATH, args);
    p.waitForFinished(60000);
    return {p.exitCode(),
            QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
            QString::fromUtf8(p.readAllStandardError())};
}

// A JSON row as the csv cells after the time: seq[,station],ch...,status.
QString cellsOf(const QByteArray &json, bool station) {
    const QJsonObject row = QJsonDocument::fromJson(json).object();
    QStringList cells{QString::number(row["seq"].toInteger())};
    if (station)
        cells << QString::number(row["station"].toInt());
    for (const QJsonValue ch : row["ch"].toArray())
        cells << (ch.isNull() ? QString() : QString::number(ch.toDouble(), 'f', 2));
    return (cells << row["status"].toString()).join(',');
}

} // namespace

class TstCliIntegration : public QObject {
    Q_OBJECT
private slots:
    // Station 3 is absent: its rows alone time out; the JSON lines hold what the csv holds.
    void rowsPerStation() {
        SimulatorProcess sim;
        QVERIFY(sim.start(kTwoModules));
        const QStringList read{"read",  "--port",    sim.ptyPath(), "--station",
                               "2,3,5", "--count",   "2",           "--samples",
                               "2",     "--retries", "0",           "--timeout-ms",
                               "100",   "--format"};
        const auto [csvExit, csv, csvErr] = runCli(read + QStringList{"csv"});
        QCOMPARE(csvExit, 2); // the first failure: no answer from station 3
        QCOMPARE(csv.value(0), "time,seq,station,ch1,ch2,status");
        const QStringList cells = csv.mid(1).replaceInStrings(QRegularExpression("^[^,]*,"), "");
        QCOMPARE(cells, (QStringList{"1,2,-10.50,,ok", "1,3,,,timeout", "1,5,30.10,,ok",
                                     "2,2,-10.50,,ok", "2,3,,,timeout", "2,5,30.10,,ok"}));
        QVERIFY2(csvErr.contains("summary: 6 samples, 4 ok, 2 timeout"), qPrintable(csvErr));
        const auto [jsonExit, json, jsonErr] = runCli(read + QStringList{"jsonl"});
        QStringList fromJson;
        for (const QString &line : json)
            fromJson << cellsOf(line.toUtf8(), true);
        QCOMPARE(fromJson, cells);
    }

    // An answer that comes after its request timed out is discarded and counted, never taken
    // for the answer of the next station; each row says which register its first value is.
    void lateAnswersAreDiscarded() {
        SimulatorProcess sim;
        QVERIFY(sim.start(kTwoModules + QStringList{"--late", "0.3", "--late-ms", "150", "--seed",
                                                    "4", "--log"}));
        const auto [code, rows, err] = runCli(
            {"read", "--port", sim.ptyPath(), "--station", "2,5", "--start", "2", "--count", "2",
             "--samples", "15", "--retries", "0", "--timeout-ms", "100", "--format", "jsonl"});
        QMap<QString, int> counts;
        for (const QString &line : rows) {
            const QJsonObject row = QJsonDocument::fromJson(line.toUtf8()).object();
            const QString status = row["status"].toString();
            ++counts[status];
            QCOMPARE(row["start"].toInt(-1), 2);
            if (status == "ok")
                QCOMPARE(cellsOf(line.toUtf8(), true).section(',', 1),
                         row["station"].toInt() == 2 ? "2,3.00,4.00,ok" : "5,13.00,14.00,ok");
        }
        const int late = QRegularExpression(" (\\d+) late;").match(err).captured(1).toInt();
        const auto tags = sim.stop(SIGTERM, 2s) ? sim.logLines().filter("-LATE").size() : -1;
        QVERIFY2(counts["ok"] + counts["timeout"] == 30 && late > 0 && late <= tags,
                 qPrintable(err));
        QCOMPARE(code, 2);
    }

    void scan_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("stations 2 and 5 at 19200")
            << kTwoModules << "19200"
            << QStringList{"station 2 at 19200 baud: 1#:-10.50 3#:3.00 4#:4.00 5#:5.00 6#:6.00 "
                           "7#:7.00 8#:8.00",
                           "station 5 at 19200 baud: 1#:30.10 3#:13.00 4#:14.00 5#:15.00 6#:16.00 "
                           "7#:17.00 8#:18.00"};
        QTest::newRow("auto finds a module at 9600")
            << QStringList{"--baud", "9600", "--values", "1,2,3,4,5,6,7,8"} << "auto"
            << QStringList{"station 2 at 9600 baud: 1#:1.00 2#:2.00 3#:3.00 4#:4.00 5#:5.00 "
                           "6#:6.00 7#:7.00 8#:8.00"};
    }
    void scan() {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, baud);
        QFETCH(QStringList, found);
        SimulatorProcess sim; // a module hears only its own rate, as on a wire
        QVERIFY(sim.start(simArgs + QStringList{"--match-baud"}));
        const auto [exitCode, out, err] =
            runCli({"scan", "--port", sim.ptyPath(), "--station", "1-8", "--baud", baud});
        QCOMPARE(exitCode, 0);
        QCOMPARE(out, found);
        QVERIFY2(err.contains(QStringLiteral("%1 module(s) found").arg(found.size())),
                 qPrintable(err));
    }

    void mqttDeliversEverySampleInOrderAcrossABrokerRestart() {
        if (kBroker.isEmpty())
            QSKIP("the mosquitto broker is not installed (scripts/install-deps installs it)");
        Broker broker("allow_anonymous true\n");
        QVERIFY(broker.start());
        const QString port = QString::number(broker.port);
        Subscriber subscriber;
        QVERIFY(subscriber.start(broker.port, "plant/#"));
        QProcess &sub = subscriber.process;
        SimulatorProcess sim;
        QVERIFY(sim.start({}));
        QTemporaryDir spool;
        QProcess cli;
        cli.start(TR_CLI_PATH, {"read", "--port", sim.ptyPath(), "--every", "100", "--samples",
                                "50", "--format", "csv", "--mqtt", "127.0.0.1:" + port, "--topic",
                                "plant/line1", "--spool", spool.path()});
        QTest::qWait(1500);
        broker.stop();
        QTest::qWait(2000);
        QVERIFY(broker.start());
        QVERIFY(cli.waitForFinished(20000));
        const QStringList csv = QString::fromUtf8(cli.readAllStandardOutput()).split('\n');
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        QVERIFY2(cli.exitCode() == 0 && err.contains("mqtt 50 published, 0 queued, 0 dropped"),
                 qPrintable(err));

        QStringList firsts; // rows by first arrival, each as its csv row of the same run should be
        int duplicates = 0;
        for (const QDeadlineTimer deadline(10000); firsts.size() < 50 && !deadline.hasExpired();) {
            sub.waitForReadyRead(100);
            while (sub.canReadLine()) {
                const QString row = cellsOf(sub.readLine(), false);
                duplicates += firsts.contains(row);
                if (!firsts.contains(row) && !row.startsWith("0,"))
                    firsts << row;
            }
        }
        qInfo("broker stopped for 2 s: %lld of 50 arrived, %d duplicate(s)", qint64(firsts.size()),
              duplicates);
        QCOMPARE(firsts, csv.mid(1, 50).replaceInStrings(QRegularExpression("^[^,]*,"), ""));
    }

    void mqttWrongPasswordEndsTheRun() {
        if (kBroker.isEmpty())
            QSKIP("the mosquitto broker is not installed (scripts/install-deps installs it)");
        QTemporaryDir dir;
        const QString passwords = dir.filePath("passwords"), wrong = dir.filePath("wrong");
        QCOMPARE(QProcess::execute("mosquitto_passwd", {"-c", "-b", passwords, "tr", "right"}), 0);
        QVERIFY(tr::test::writeFile(wrong, "wrong\n"));
        Broker broker("allow_anonymous false\npassword_file " + passwords.toUtf8() + "\n");
        QVERIFY(broker.start());
        SimulatorProcess sim;
        QVERIFY(sim.start({}));
        const auto [exitCode, out, err] =
            runCli({"read", "--port", sim.ptyPath(), "--every", "100", "--mqtt",
                    "127.0.0.1:" + QString::number(broker.port), "--topic", "t", "--mqtt-user",
                    "tr", "--mqtt-password-file", wrong, "--spool", dir.filePath("spool")});
        QCOMPARE(exitCode, 6); // at once, not a retry loop (the run has no end of its own)
        QVERIFY2(err.contains("refused the connection: Connection Refused: not authorised"),
                 qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TstCliIntegration)
#include "tst_cli_integration.moc"
