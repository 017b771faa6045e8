// Overnight logging in miniature: the window in cyclic acquisition with storage on, and meanwhile
// the command line, each against a simulator that drops, corrupts, cuts, prefixes garbage and
// delays answers. Every value shown or logged must come from an intact answer, the counts must
// fit the injected faults, and the window's memory must not grow. SOAK_CYCLES sets the length
// (the default is the short run of `make test`).
#include "support/livewindow.h"
#include "support/simulatorprocess.h"
#include "support/wirelog.h"

#include <QCheckBox>
#include <QLabel>
#include <QRegularExpression>

using namespace tr::test;

namespace {

const QStringList kFaults =
    QString("--drop 0.05 --corrupt 0.05 --truncate 0.03 --garbage 0.03 --late 0.03 --late-ms 120")
        .split(' ');
const int kCycles = qEnvironmentVariable("SOAK_CYCLES", "480").toInt();

// What a simulator logged to its file (so the test's memory holds none of it); it flushes every
// line.
struct Wire {
    QSet<std::size_t> intact; // hashes of the value lines of whole answers (late ones are whole)
    int requests = 0, clean = 0, faulty = 0;
    explicit Wire(const QString &path) {
        for (const WireLine &line : readWireLog(path)) {
            const bool whole = line.tag == "TX" || line.tag == "TX-LATE";
            requests += line.tag == "RX";
            clean += whole;
            faulty += !whole && (line.tag.startsWith("TX") || line.tag == "DROP");
            if (whole)
                intact.insert(qHash(valueLineOf(line.bytes)));
        }
    }
};

} // namespace

class TstSoak : public QObject {
    Q_OBJECT
    // Resident memory in 4 KiB pages.
    static long rss() { return readFile("/proc/self/statm").split(' ').value(1).toLong(); }
private slots:
    void windowAndCommandLineWithFaults() {
        LiveWindow w;
        SimulatorProcess sim, cliSim;
        QVERIFY(sim.start(
            QStringList{"--seed", "11", "--link", w.comPort(), "--log", w.path("wire")} + kFaults));
        QVERIFY(cliSim.start(QStringList{"--seed", "12", "--log", w.path("cli-wire")} + kFaults));
        QProcess cli;
        cli.setStandardOutputFile(w.path("cli-rows"));
        cli.start(TR_CLI_PATH, {"read", "--port", cliSim.ptyPath(), "--every", "1000", "--samples",
                                QString::number(kCycles / 4), "--retries", "0", "--timeout-ms",
                                "180", "--quiet"});
        QVERIFY(w.open());
        w.ui().txtFilePath->setText(w.path("soak.txt"));
        w.ui().txtTimerSet_0->setText("250");
        w.ui().txtTimerSet_1->setText("0.25");
        w.ui().CheckSave->setChecked(true);
        // Every value line put on screen, as hashes in room reserved up front, so the bookkeeping
        // does not count as growth of the window's memory.
        std::vector<std::size_t> shown;
        shown.reserve(std::size_t(kCycles) * 2);
        int decoded = 0;
        connect(&w.window->link(), &tr::Link::measurementDecoded, this, [&] { ++decoded; });
        connect(w.ui().txtOutPut, &QLineEdit::textChanged, this,
                [&](const QString &text) { shown.push_back(qHash(text)); });
        w.acquisition().startCyclic();
        long rssEarly = -1;
        for (int done = 0; done < kCycles; done = w.ui().lblCounter->text().toInt()) {
            QTest::qWait(250);
            if (rssEarly < 0 && done >= std::min(200, kCycles / 4))
                rssEarly = rss();
        }
        w.acquisition().stopCyclic();
        QTest::qWait(400); // late answers of the last cycles
        const long rssLate = rss();
        QVERIFY(cli.state() == QProcess::NotRunning || cli.waitForFinished(30000));

        const Wire wire(w.path("wire")), cliWire(w.path("cli-wire"));
        int wrongShown = 0, wrongRecords = 0, failedRows = 0, wrongRows = 0;
        for (const std::size_t line : shown)
            wrongShown += !wire.intact.contains(line);
        // A record is "time   values   " in quotes, CR LF; its values are empty before the first.
        static const QRegularExpression record("^\"[^\"]+?   (.*)   \"\r$");
        const QStringList records =
            QString(readFile(w.path("soak.txt"))).split('\n', Qt::SkipEmptyParts);
        for (const QString &r : records) {
            const QRegularExpressionMatch m = record.match(r);
            wrongRecords += !m.hasMatch() || !(m.captured(1).isEmpty() ||
                                               wire.intact.contains(qHash(m.captured(1))));
        }
        const QStringList rows =
            QString(readFile(w.path("cli-rows"))).split('\n', Qt::SkipEmptyParts);
        for (const QString &row : rows) {
            failedRows += !row.contains("#:");
            wrongRows += row.contains("#:") && !cliWire.intact.contains(qHash(row));
        }
        qInfo("soak: %d requests, %d spoiled, %d decoded, %d rows failed; wrong %d %d %d; RSS "
              "%ld->%ld",
              wire.requests, wire.faulty, decoded, failedRows, wrongShown, wrongRecords, wrongRows,
              rssEarly, rssLate);
        QCOMPARE(wrongShown + wrongRecords + wrongRows, 0);
        QVERIFY(wire.requests >= kCycles * 9 / 10); // a tick inside a late wait sends nothing
        // Nothing spoiled was decoded, and every whole answer on time was.
        QVERIFY(decoded <= wire.clean && decoded >= wire.clean - wire.clean / 20);
        // About 19 % of the answers are spoiled; the seed makes it repeatable.
        QVERIFY(wire.faulty >= wire.requests / 10 && wire.faulty <= wire.requests / 3);
        QVERIFY(records.size() >= kCycles * 8 / 10 && w.messages.shown.isEmpty());
        // The command line leaves no sample out; about 16 % fail (a late answer is in time).
        QVERIFY(rows.size() == kCycles / 4 && failedRows >= rows.size() / 20 &&
                failedRows <= rows.size() * 2 / 5);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's quarantine grows the heap on purpose
        QVERIFY2(rssLate - rssEarly <= 256, "memory grew by more than 1 MiB");
#endif
    }
};

QTEST_MAIN(TstSoak)
#include "tst_soak.moc"
