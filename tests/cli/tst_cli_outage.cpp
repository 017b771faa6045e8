// Store and forward in the field: ten stations every 100 ms into a real mosquitto that goes away
// for a minute while the logger is killed (SIGKILL) and started again at random moments. Every
// row the logger logged must reach a subscriber, in order per station.
#include "support/broker.h"
#include "support/simulatorprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>
#include <map>

namespace {

constexpr int kOutageMs = 60000;
constexpr int kKills = 6;

} // namespace

class TstCliOutage : public QObject {
    Q_OBJECT
private slots:
    void everyLoggedRowArrivesAfterAnOutageAndKills() {
        if (kBroker.isEmpty())
            QSKIP("the mosquitto broker is not installed (scripts/install-deps installs it)");
        Broker broker("allow_anonymous true\nmax_queued_messages 0\n");
        QVERIFY(broker.start());
        const QString port = QString::number(broker.port);
        QProcess sub; // a persistent session: what comes while it reconnects waits for it
        sub.start("mosquitto_sub",
                  {"-h", "127.0.0.1", "-p", port, "-t", "plant/#", "-q", "1", "-c", "-i", "trsub"});
        QByteArray received;
        for (const QDeadlineTimer ready(5000); !received.contains("probe") && !ready.hasExpired();
             received += sub.readAllStandardOutput()) {
            QProcess::execute("mosquitto_pub", {"-h", "127.0.0.1", "-p", port, "-t", "plant/probe",
                                                "-q", "1", "-m", "probe"});
            sub.waitForReadyRead(200);
        }
        QVERIFY(received.contains("probe"));
        received.clear();

        SimulatorProcess sim;
        QVERIFY(sim.start(
            {"--station", "1,2,3,4,5,6,7,8,9,10", "--baud", "115200", "--turnaround-ms", "1"}));
        QTemporaryDir dir;
        const QString log = dir.filePath("rows.csv");
        const QStringList args{"read",
                               "--port",
                               sim.ptyPath(),
                               "--baud",
                               "115200",
                               "--station",
                               "1-10",
                               "--every",
                               "100",
                               "--format",
                               "csv",
                               "--log",
                               log,
                               "--mqtt",
                               "127.0.0.1:" + port,
                               "--topic",
                               "plant/l1",
                               "--spool",
                               dir.filePath("spool")};
        auto cli = std::make_unique<QProcess>();
        cli->start(TR_CLI_PATH, args);
        QVERIFY(cli->waitForStarted());
        QTest::qWait(2000);
        broker.stop();

        // Kill moments spread over the outage, each at a random point of its own slice.
        QElapsedTimer outage;
        outage.start();
        QString stderrs;
        for (int i = 0; i < kKills; ++i) {
            const int slice = (kOutageMs - 2000) / kKills;
            const int at = 1000 + i * slice + int(QRandomGenerator::global()->bounded(slice - 500));
            QTest::qWait(std::max<int>(0, at - int(outage.elapsed())));
            if (i == 0) { // a second logger on the same spool, on a line of its own, is refused
                SimulatorProcess sim2;
                QVERIFY(sim2.start({"--station", "1", "--baud", "115200"}));
                QStringList other = args;
                other[2] = sim2.ptyPath();
                QProcess second;
                second.start(TR_CLI_PATH, other);
                QVERIFY(second.waitForFinished(10000));
                const QString err = QString::fromUtf8(second.readAllStandardError());
                QVERIFY2(second.exitCode() == 5 && err.contains("in use by another tr6400-cli"),
                         qPrintable(err));
            }
            ::kill(pid_t(cli->processId()), SIGKILL);
            QVERIFY(cli->waitForFinished(5000));
            stderrs += QString::fromUtf8(cli->readAllStandardError());
            cli = std::make_unique<QProcess>();
            cli->start(TR_CLI_PATH, args);
            QVERIFY(cli->waitForStarted());
        }
        QTest::qWait(std::max<int>(0, kOutageMs - int(outage.elapsed())));
        QVERIFY(broker.start());
        QElapsedTimer back;
        back.start();

        // Until the logger's spool is empty (the back-off may wait up to 30 s), then a stop.
        const auto logged = [&] {
            std::map<int, QList<long long>> rows;
            QFile file(log);
            if (!file.open(QIODevice::ReadOnly))
                return rows;
            for (const QByteArray &line : file.readAll().split('\n')) {
                const QList<QByteArray> cells = line.split(',');
                if (cells.size() == 12 && cells[1] != "seq")
                    rows[cells[2].toInt()] << cells[1].toLongLong();
            }
            return rows;
        };
        std::map<int, QList<long long>> firsts; // per station, seq by first arrival
        long long arrivals = 0, expected = 0;
        const auto take = [&] {
            received += sub.readAllStandardOutput();
            const qsizetype end = received.lastIndexOf('\n') + 1;
            for (const QByteArray &line : received.left(end).split('\n')) {
                const QJsonObject row =
                    QJsonDocument::fromJson(line.mid(line.indexOf(' ') + 1)).object();
                if (row.isEmpty())
                    continue;
                ++arrivals;
                QList<long long> &seqs = firsts[row["station"].toInt()];
                const long long seq = row["seq"].toInteger();
                if (!seqs.contains(seq))
                    seqs << seq;
            }
            received.remove(0, end);
        };
        const auto allThere = [&] {
            expected = 0;
            for (const auto &[station, seqs] : logged()) {
                expected += seqs.size();
                for (const long long seq : seqs)
                    if (!firsts[station].contains(seq))
                        return false;
            }
            return true;
        };
        qint64 drainedMs = -1;
        for (const QDeadlineTimer deadline(60000); !deadline.hasExpired();) {
            sub.waitForReadyRead(200);
            take();
            if (allThere()) {
                drainedMs = back.elapsed();
                break;
            }
        }
        ::kill(pid_t(cli->processId()), SIGTERM);
        QVERIFY(cli->waitForFinished(15000));
        stderrs += QString::fromUtf8(cli->readAllStandardError());
        QCOMPARE(cli->exitCode(), 143);
        // the rows of the last sample may still be on their way
        for (const QDeadlineTimer deadline(5000); !allThere() && !deadline.hasExpired();) {
            sub.waitForReadyRead(100);
            take();
        }
        QVERIFY2(stderrs.contains("backlog 0"), qPrintable(stderrs.right(500)));
        QVERIFY2(stderrs.contains("row(s) from an earlier run go first"), qPrintable(stderrs));

        long long logRows = 0;
        QStringList lost;
        for (const auto &[station, seqs] : logged()) {
            logRows += seqs.size();
            // seq goes on across the restarts: unique and rising in the log
            QVERIFY2(std::ranges::adjacent_find(seqs, std::greater_equal<>()) == seqs.end(),
                     qPrintable(QStringLiteral("station %1").arg(station)));
            const QList<long long> &got = firsts[station];
            QVERIFY2(std::ranges::is_sorted(got),
                     qPrintable(QStringLiteral("station %1 out of order").arg(station)));
            for (const long long seq : seqs)
                if (!got.contains(seq))
                    lost << QStringLiteral("%1:%2").arg(station).arg(seq);
        }
        QVERIFY2(lost.isEmpty(), qPrintable(QStringLiteral("%1 lost (station:seq), the first %2; "
                                                           "the subscriber %3; the logger said: %4")
                                                .arg(lost.size())
                                                .arg(lost.mid(0, 20).join(' '))
                                                .arg(sub.state() == QProcess::Running
                                                         ? "runs"
                                                         : "ended: " + sub.readAllStandardError())
                                                .arg(stderrs.right(2000))));
        QCOMPARE(logged().size(), std::size_t(10));
        qInfo("outage %d s with %d kills: %lld rows logged, %lld arrivals, all there %.1f s after "
              "the broker came back",
              kOutageMs / 1000, kKills, logRows, arrivals, double(drainedMs) / 1000);
        QVERIFY(drainedMs >= 0);
    }
};

QTEST_GUILESS_MAIN(TstCliOutage)
#include "tst_cli_outage.moc"
