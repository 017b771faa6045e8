// The command line on a line in the field: the device pulled and put back during read --every,
// stopped by a signal with its summary, and the COMn links of a temporary tool folder.
#include "support/ptypeer.h"
#include "support/simulatorprocess.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace std::chrono_literals;

namespace {

// Lets the program run until its standard output holds a line matching `pattern`.
bool waitForOutput(QProcess &p, QString &out, const QString &pattern) {
    const QRegularExpression re(pattern, QRegularExpression::MultilineOption);
    const QDeadlineTimer deadline(10000);
    while (!re.match(out).hasMatch()) {
        if (deadline.hasExpired() || !p.waitForReadyRead(int(deadline.remainingTime())))
            return false;
        out += QString::fromLatin1(p.readAllStandardOutput());
    }
    return true;
}

} // namespace

class TstCliLine : public QObject {
    Q_OBJECT
private slots:
    void readResumesAfterTheDeviceReturns_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl+C") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("to the end") << 0; // back before the last sample: success
    }
    void readResumesAfterTheDeviceReturns() {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString com = dir.filePath("ports/COM4");
        auto sim = std::make_unique<SimulatorProcess>();
        QVERIFY(sim->start({"--values", "1.5,2.5", "--link", com}));
        QProcess cli;
        cli.start(
            TR_CLI_PATH,
            QStringList{"read", "--port", com, "--every", "100", "--format", "csv", "--count", "2"}
                << (signal ? QStringList() : QStringList{"--samples", "40"}));
        QString out;
        QVERIFY(waitForOutput(cli, out, "^[^,]+,5,"));
        QVERIFY(sim->stop(SIGTERM, 2s));
        QVERIFY(waitForOutput(cli, out, ",disconnected\\r?\\n(.*\\n){5}"));
        sim = std::make_unique<SimulatorProcess>();
        QVERIFY(sim->start({"--values", "7.5,8.5", "--link", com}));
        QVERIFY(waitForOutput(cli, out, "7.50,8.50,ok\\r?\\n(.*\\n){4}"));
        if (signal)
            ::kill(pid_t(cli.processId()), signal);
        QVERIFY(cli.waitForFinished(5000));
        out += QString::fromLatin1(cli.readAllStandardOutput());
        const QString err = QString::fromLatin1(cli.readAllStandardError());
        QCOMPARE(cli.exitCode(), signal ? 128 + signal : 0);

        // Old values, then nothing while away, then only new ones: every seq, no stale value.
        const QStringList rows = out.split('\n', Qt::SkipEmptyParts).mid(1);
        const QHash<QString, char> letters{{"1.50,2.50,ok", 'o'},
                                           {",,timeout", 't'},
                                           {",,disconnected", '-'},
                                           {"7.50,8.50,ok", 'n'}};
        QString statuses; // a letter a row: o old values, - away, n new values
        for (int k = 0; k < rows.size(); ++k) {
            QCOMPARE(rows[k].section(',', 1, 1), QString::number(k + 1));
            statuses += letters.value(rows[k].section(',', 2), '?');
        }
        // The sample under way when the simulator ended may find no answer.
        QVERIFY2(QRegularExpression("^o+t?-{5,}n+$").match(statuses).hasMatch(),
                 qPrintable(statuses));
        QVERIFY2(
            err.contains(QStringLiteral("summary: %1 samples, ").arg(rows.size())) &&
                err.contains(QStringLiteral(" %1 disconnected, 0 missed, 0 late; answer ms min ")
                                 .arg(statuses.count('-'))),
            qPrintable(err));
    }

    // ports beside a copy of the program: a temporary tool folder of its own.
    void portsLinkAndUnlink() {
        QTemporaryDir dir;
        const QString cli = dir.filePath("tr6400-cli"), com3 = dir.filePath("ports/COM3");
        QVERIFY(QFile::copy(TR_CLI_PATH, cli));
        tr::test::PtyPeer peer;
        const auto run = [&](const QStringList &args) {
            QProcess p;
            p.start(cli, args);
            p.waitForFinished(10000);
            return QString::number(p.exitCode()) + ' ' +
                   QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        };
        const QString slave = peer.slavePath();
        QCOMPARE(run({"ports", "link", "com3", slave}), "0 COM3 -> " + slave + '\n');
        QVERIFY(run({"ports"}).contains("COM3 -> " + slave + "  (present)"));
        const QString refused = run({"ports", "link", "COM3", cli});
        QVERIFY2(refused.startsWith("5 ") && refused.contains("not a character device"),
                 qPrintable(refused));
        QVERIFY(run({"ports", "link", "COM3", "/dev/null"})
                    .startsWith("5 tr6400-cli: /dev/null is no serial"));
        QCOMPARE(QFileInfo(com3).symLinkTarget(), slave);
        QCOMPARE(run({"ports", "unlink", "COM3"}), "0 ");
        QVERIFY(!QFileInfo(com3).isSymLink());
        QVERIFY(run({"ports", "unlink", "COM3"}).startsWith("5 "));
    }
};

QTEST_GUILESS_MAIN(TstCliLine)
#include "tst_cli_line.moc"
