// Store and forward in the field: ten stations every 100 ms into a real mosquitto that goes away
// for a minute while the logger is killed (SIGKILL) and started again at random moments. Every
// row the logger wrote to its log must reach a subscriber, in order per station.
#include "support/broker.h"
#include "support/simulatorprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>
#include <map>

class TstCliOutage : public QObject {
    Q_OBJECT
private slots:
    void everyLoggedRowArrivesAfterAnOutageAndKills() {
        if (kBroker.isEmpty())
            QSKIP("the mosquitto broker is not installed (scripts/install-deps installs it)");
        constexpr int outageMs = 60000, kills = 6, slice = (outageMs - 2000) / kills;
        Broker broker("allow_anonymous true\nmax_queued_messages 0\n");
        QVERIFY(broker.start());
        Subscriber sub;
        QVERIFY(sub.start(broker.port, "plant/#"));
        SimulatorProcess sim, other;
        const QStringList simArgs =
            QString("--station 1,2,3,4,5,6,7,8,9,10 --baud 115200 --turnaround-ms 1").split(' ');
        QVERIFY(sim.start(simArgs) && other.start(simArgs));
        QTemporaryDir dir;
        const QString log = dir.filePath("rows.csv");
        const QStringList args =
            QStringLiteral("read --port %1 --baud 115200 --station 1-10 --every "
                           "100 --format csv --log %2 --mqtt 127.0.0.1:%3 "
                           "--topic plant/l1 --spool %4")
                .arg(sim.ptyPath(), log, QString::number(broker.port), dir.filePath("spool"))
                .split(' ');
        auto cli = std::make_unique<QProcess>();
        cli->start(TR_CLI_PATH, args);
        QTest::qWait(2000);
        broker.stop();

        // Each kill at a random moment of its own slice of the outage.
        QElapsedTimer outage;
        outage.start();
        for (int i = 0; i < kills; ++i) {
            QTest::qWait(1000 + i * slice + QRandomGenerator::global()->bounded(slice - 500) -
                         int(outage.elapsed()));
            if (i == 0) { // a second logger on the same spool, on a line of its own, is refused
                QProcess second;
                second.start(TR_CLI_PATH,
                             QStringList(args).replaceInStrings(sim.ptyPath(), other.ptyPath()));
                QVERIFY(second.waitForFinished(10000));
                QCOMPARE(second.exitCode(), 5);
                QVERIFY(second.readAllStandardError().contains("in use by another tr6400-cli"));
            }
            ::kill(pid_t(cli->processId()), SIGKILL);
            QVERIFY(cli->waitForFinished(5000));
            cli = std::make_unique<QProcess>();
            cli->start(TR_CLI_PATH, args);
        }
        QTest::qWait(outageMs - int(outage.elapsed()));
        QVERIFY(broker.start());
        QElapsedTimer back;
        back.start();

        std::map<int, QList<long long>> logged, firsts; // per station: seq in the log, arrived
        const auto missing = [&] {
            QFile file(log);
            logged.clear();
            for (const QByteArray &line :
                 (file.open(QIODevice::ReadOnly) ? file.readAll() : "").split('\n')) {
                const QList<QByteArray> cells = line.split(',');
                if (cells.size() == 12 && cells[1] != "seq")
                    logged[cells[2].toInt()] << cells[1].toLongLong();
            }
            while (sub.process.canReadLine()) {
                const QJsonObject row = QJsonDocument::fromJson(sub.process.readLine()).object();
                QList<long long> &seqs = firsts[row["station"].toInt()];
                if (!row.isEmpty() && !seqs.contains(row["seq"].toInteger()))
                    seqs << row["seq"].toInteger();
            }
            QStringList lost;
            for (const auto &[station, seqs] : logged)
                for (const long long seq : seqs)
                    if (!firsts[station].contains(seq))
                        lost << QStringLiteral("%1:%2").arg(station).arg(seq);
            return lost;
        };
        // The back-off may wait up to 30 s; then a stop, and the last sample's rows.
        for (const QDeadlineTimer deadline(60000); !missing().isEmpty() && !deadline.hasExpired();)
            sub.process.waitForReadyRead(200);
        const qint64 drainedMs = back.elapsed();
        ::kill(pid_t(cli->processId()), SIGTERM);
        QVERIFY(cli->waitForFinished(15000));
        const QByteArray err = cli->readAllStandardError();
        QCOMPARE(cli->exitCode(), 143);
        for (const QDeadlineTimer deadline(5000); !missing().isEmpty() && !deadline.hasExpired();)
            sub.process.waitForReadyRead(100);

        const QStringList lost = missing();
        QVERIFY2(lost.isEmpty(), qPrintable("lost (station:seq) " + lost.mid(0, 20).join(' ')));
        QVERIFY2(err.contains("backlog 0"), err.constData());
        for (const auto &[station, seqs] : logged) {
            // seq unique and rising across the restarts, in order at arrival
            QVERIFY(std::ranges::adjacent_find(seqs, std::greater_equal<>()) == seqs.end());
            QVERIFY(std::ranges::is_sorted(firsts[station]));
        }
        qInfo("every row logged arrived %.1f s after the broker came back", drainedMs / 1000.0);
    }
};

QTEST_GUILESS_MAIN(TstCliOutage)
#include "tst_cli_outage.moc"
