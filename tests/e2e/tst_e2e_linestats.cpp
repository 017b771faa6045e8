// The line statistics, the traffic history and the trend's gaps under the simulator's fault
// injection: every counter matches what the simulator's wire log says it did.
#include "monitor/samplestore.h"
#include "panels/linepanel.h"
#include "panels/trendpanel.h"
#include "support/simwindow.h"

using namespace tr;
using namespace tr::test;

class TstE2eLineStats : public QObject {
    Q_OBJECT

private slots:
    void countersMatchTheWireLog_data() {
        QTest::addColumn<QString>("faults");
        QTest::newRow("dropped") << "--drop 0.3 --seed 11";
        QTest::newRow("corrupted") << "--corrupt 0.3 --seed 12";
        QTest::newRow("truncated") << "--truncate 0.3 --seed 13";
        QTest::newRow("exception") << "--exception 0.3 --seed 14";
        QTest::newRow("all four") << "--drop 0.1 --corrupt 0.1 --truncate 0.1 --exception 0.1 "
                                     "--seed 15";
    }
    void countersMatchTheWireLog() {
        QFETCH(QString, faults);
        constexpr int kRequests = 30;

        SimWindow f;
        QVERIFY(f.start(faults.split(' ')));
        for (int i = 0; i < kRequests; ++i)
            f.acquireOnce();
        const QList<WireLine> requests = f.waitForLog(QStringLiteral("RX"), kRequests);
        QCOMPARE(requests.size(), kRequests);

        // What the simulator did with each request, and the wire time of each intact answer.
        int intact = 0, dropped = 0, corrupted = 0, truncated = 0, exceptions = 0, faulty = 0;
        qint64 quickestMicros = std::numeric_limits<qint64>::max();
        QList<QByteArray> answers;
        qint64 lastRequestAt = 0;
        bool lastDropped = false;
        for (const WireLine &w : f.log()) {
            if (w.tag == QLatin1String("RX")) {
                lastRequestAt = w.micros;
                continue;
            }
            lastDropped = w.tag == QLatin1String("DROP");
            if (w.tag == QLatin1String("TX")) {
                ++intact;
                answers << w.bytes;
                quickestMicros = std::min(quickestMicros, w.micros - lastRequestAt);
            } else if (lastDropped) {
                ++dropped;
            } else if (w.tag.startsWith(QLatin1String("TX-"))) {
                ++faulty;
                corrupted += w.tag == QLatin1String("TX-CORRUPT");
                exceptions += w.tag == QLatin1String("TX-EXCEPTION");
                truncated += w.tag.contains(QLatin1String("TRUNCATE"));
            }
        }
        QVERIFY(faulty + dropped > 0);

        const LineRecorder &line = f.window->lineRecorder();
        const LineStatistics::Counts &c = line.statistics().counts();
        QCOMPARE(c.requests, kRequests);
        QCOMPARE(c.decoded, intact);
        // The last request's fate is known only when the next one is written.
        QCOMPARE(c.noAnswer + (lastDropped ? 1 : 0), dropped);
        QCOMPARE(c.exceptions, exceptions);
        // A corrupted exception answer or a cut one is judged by what is left of it.
        QVERIFY(c.badCrc >= corrupted);
        QVERIFY(c.shortAnswers >= truncated);
        QCOMPARE(c.badCrc + c.shortAnswers + c.exceptions, faulty);

        // Answer times run from the start of our write to our receive event, so they cover the
        // simulator's request-to-answer time even on a loaded machine; every answer came within
        // the wait.
        const LineStatistics::AnswerTimes t = line.statistics().answerTimes();
        QCOMPARE(t.count, intact);
        if (intact > 0) {
            QVERIFY2(t.minMs * 1000 + 500 >= double(quickestMicros),
                     qPrintable(QStringLiteral("%1 ms < %2 µs").arg(t.minMs).arg(quickestMicros)));
            QVERIFY(t.minMs <= t.medianMs && t.medianMs <= t.p99Ms && t.p99Ms <= t.maxMs);
            QVERIFY(t.maxMs < Link::kReadWaitMs);
        }

        // The history shows every request and exactly the intact answers as decoded.
        int sent = 0;
        QList<QByteArray> decoded;
        for (qsizetype i = 0; i < line.history().size(); ++i) {
            const TrafficLine &l = line.history().at(i);
            sent += l.direction == TrafficLine::Direction::Sent;
            if (l.status == AnswerStatus::Ok)
                decoded << l.bytes;
        }
        QCOMPARE(sent, kRequests);
        QCOMPARE(decoded, answers);

        // Every request left a row in the trend: values for an answer, a gap for the rest.
        const SampleStore &store = f.window->trend().liveStore();
        int gaps = 0, values = 0;
        for (qint64 i = store.firstIndex(); i < store.endIndex(); ++i) {
            const SampleRow &r = store.row(i);
            bool any = false;
            for (int ch = 0; ch < kChannels; ++ch)
                any = any || r.hasValue(ch);
            (any ? values : gaps) += 1;
        }
        QCOMPARE(values, intact);
        QCOMPARE(gaps, kRequests - intact - (lastDropped ? 1 : 0));
    }
};

QTEST_MAIN(TstE2eLineStats)
#include "tst_e2e_linestats.moc"
