// The trend's samples and their decimation: gaps stay gaps, every column keeps its extremes,
// and following the newest rows gives what a fresh summary gives.
#include "monitor/decimator.h"
#include "monitor/pagedring.h"

#include <QMap>
#include <QRandomGenerator>
#include <QTest>
#include <deque>

using namespace tr;

namespace {

constexpr qint64 kSecond = 1000;
constexpr qint64 kDay = 24 * 3600 * kSecond;

// "1000 20,21.5,-,..." : a reading at 1000 ms, "-" an open sensor, missing channels open too;
// "1000 gap": an unanswered request.
void addLine(SampleStore &store, const QString &line) {
    const QStringList parts = line.split(QLatin1Char(' '));
    const qint64 ms = parts[0].toLongLong();
    if (parts[1] == QLatin1String("gap")) {
        store.addGap(ms);
        return;
    }
    ChannelValues values;
    const QStringList cells = parts[1].split(QLatin1Char(','));
    for (qsizetype c = 0; c < cells.size() && c < kChannels; ++c) {
        if (cells[c] != QLatin1String("-"))
            values[std::size_t(c)] = qRound(cells[c].toDouble() * 10);
    }
    store.add(ms, values);
}

// "20.0 21.0|22.0": the segments' values, one decimal.
QString segmentsText(const ChannelTrace &trace) {
    QStringList segments;
    for (const TraceSegment &s : trace.segments) {
        QStringList values;
        for (const TracePoint &p : s)
            values << QString::number(p.tenths / 10.0, 'f', 1);
        segments << values.join(QLatin1Char(' '));
    }
    return segments.join(QLatin1Char('|'));
}

bool sameTraces(const Traces &a, const Traces &b) {
    for (std::size_t c = 0; c < a.size(); ++c) {
        if (a[c].segments.size() != b[c].segments.size())
            return false;
        for (std::size_t s = 0; s < a[c].segments.size(); ++s) {
            const TraceSegment &x = a[c].segments[s];
            const TraceSegment &y = b[c].segments[s];
            if (x.size() != y.size())
                return false;
            for (std::size_t i = 0; i < x.size(); ++i) {
                if (x[i].ms != y[i].ms || x[i].tenths != y[i].tenths)
                    return false;
            }
        }
    }
    return true;
}

} // namespace

class TstTrendStore : public QObject {
    Q_OBJECT

private slots:
    void gaps_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<qint64>("columnMs");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("drawn");

        const QStringList open3{"0 20,20,20", "1000 21,21,-", "2000 22,22,22"};
        QTest::newRow("open sensor breaks its own line") << open3 << kSecond << 2 << "20.0|22.0";
        QTest::newRow("the others run through") << open3 << kSecond << 1 << "20.0 21.0 22.0";
        QTest::newRow("unanswered request breaks every line")
            << QStringList{"0 20,20", "1000 gap", "2000 22,22"} << kSecond << 1 << "20.0|22.0";
        QTest::newRow("a value alone between gaps")
            << QStringList{"0 20", "1000 gap", "2000 25", "3000 gap", "4000 22"} << kSecond << 0
            << "20.0|25.0|22.0";
        QTest::newRow("a column with a gap keeps both sides' extremes")
            << QStringList{"0 20", "1000 25", "5000 gap", "6000 18", "7000 19"} << 10 * kSecond << 0
            << "20.0 25.0|18.0 19.0";
        QTest::newRow("values between two gaps of a column")
            << QStringList{"0 20", "1000 gap", "2000 30", "3000 31", "4000 gap", "5000 22"}
            << 10 * kSecond << 0 << "20.0|30.0 31.0|22.0";
        QTest::newRow("a gap at the start of the next column still breaks")
            << QStringList{"0 20", "9000 21", "10000 gap", "11000 23"} << 10 * kSecond << 0
            << "20.0 21.0|23.0";
        QTest::newRow("channel open from the start draws nothing")
            << QStringList{"0 20,-", "1000 21,-"} << kSecond << 1 << "";
    }
    void gaps() {
        QFETCH(QStringList, lines);
        QFETCH(qint64, columnMs);
        QFETCH(int, channel);
        QFETCH(QString, drawn);

        SampleStore store;
        for (const QString &line : lines)
            addLine(store, line);
        Decimator d;
        const auto traces = d.trace(store, 0, 20 * kSecond, columnMs);
        QCOMPARE(segmentsText(traces[std::size_t(channel)]), drawn);
    }

    // A day of one reading a second, flat but for one reading: drawn for 700 pixel columns, the
    // reading is still there, near its time, and no more points are drawn than the columns allow.
    void spikeSurvivesTheDayView_data() {
        QTest::addColumn<qint64>("at");
        QTest::addColumn<int>("tenths");
        QTest::newRow("spike mid-day") << kDay / 2 + 7 * kSecond << 800;
        QTest::newRow("dip mid-day") << kDay / 3 << -150;
        QTest::newRow("spike in the first column") << 3 * kSecond << 650;
        QTest::newRow("spike in the last second") << kDay - kSecond << 999;
    }
    void spikeSurvivesTheDayView() {
        QFETCH(qint64, at);
        QFETCH(int, tenths);

        SampleStore store;
        const qint64 start = 1700000000000;
        for (qint64 t = 0; t < kDay; t += kSecond) {
            ChannelValues v;
            v.fill(200 + int(t / kSecond % 3));
            if (t == at)
                v[4] = tenths;
            store.add(start + t, v);
        }
        QCOMPARE(store.size(), qsizetype(kDay / kSecond));

        const int pixels = 700;
        const qint64 column = columnWidthFor(kDay, pixels);
        Decimator d;
        const auto traces = d.trace(store, start, start + kDay, column);
        const ChannelTrace &spiked = traces[4];
        QCOMPARE(tenths > 200 ? spiked.range.hi : spiked.range.lo, tenths);
        QCOMPARE(traces[3].range.hi, 202);
        bool found = false;
        for (const TraceSegment &s : spiked.segments) {
            for (const TracePoint &p : s)
                found = found || (p.tenths == tenths && qAbs(p.ms - (start + at)) <= column);
        }
        QVERIFY(found);
        QVERIFY(kDay / column <= pixels);
        for (const ChannelTrace &t : traces)
            QVERIFY(t.points() <= 2 * (kDay / column + 1) + 2);
    }

    // Following the newest rows reuses the columns and draws again only the newest of them; the
    // drawing must equal a fresh one, also when readings merge into the last row, gaps come and
    // go, old rows are dropped, and the view steps on.
    void followingEqualsAFreshSummary() {
        SampleStore store({60 * kSecond, 600});
        Decimator following;
        QRandomGenerator random(16);
        qint64 t = 5000;
        int incremental = 0;
        for (int n = 0; n < 2000; ++n) {
            t += random.bounded(40, 400);
            if (random.bounded(20) == 0) {
                store.addGap(t);
            } else {
                ChannelValues v;
                for (std::size_t c = 0; c < v.size(); ++c) {
                    if (random.bounded(10) != 0)
                        v[c] = random.bounded(-50, 300);
                }
                store.add(t, v);
            }
            // The view's end steps every 5 s, as the trend's does when it follows.
            const qint64 to = (t / 5000 + 1) * 5000;
            const qint64 from = to - 30 * kSecond;
            const Traces drawn = following.trace(store, from, to, 250);
            incremental += following.changedFromMs().has_value();
            if (n % 37 == 0 || n > 1990) {
                Decimator fresh;
                QVERIFY2(sameTraces(drawn, fresh.trace(store, from, to, 250)),
                         qPrintable(QString::number(n)));
            }
        }
        QVERIFY(incremental > 1000);
        QVERIFY(store.size() <= 600);
        QVERIFY(store.row(store.firstIndex()).ms >= t - 60 * kSecond);
    }

    // Wide columns are summarised from blocks of rows: each column still shows exactly the
    // extremes of its rows, and breaks where one of them was a gap.
    void columnsKeepExtremes_data() {
        QTest::addColumn<qint64>("columnMs");
        QTest::addColumn<qint64>("keepMs"); // the oldest rows, and their blocks, are dropped
        QTest::newRow("narrower than a block") << 7 * kSecond << 0LL;
        QTest::newRow("about a block") << 64 * kSecond << 0LL;
        QTest::newRow("three blocks") << 185 * kSecond << 0LL;
        QTest::newRow("many blocks") << 1000 * kSecond << 0LL;
        QTest::newRow("three blocks, the oldest dropped") << 185 * kSecond << 7000 * kSecond;
    }
    void columnsKeepExtremes() {
        QFETCH(qint64, columnMs);
        QFETCH(qint64, keepMs);
        SampleStore store(keepMs > 0 ? SampleStore::Limits{keepMs, 1000000} : SampleStore::kLive);
        QRandomGenerator random(columnMs);
        const qint64 start = 1000 * columnMs;
        const int rows = 20000;
        for (int n = 0; n < rows; ++n) {
            if (random.bounded(300) == 0) {
                store.addGap(start + n * kSecond);
                continue;
            }
            ChannelValues v;
            for (std::size_t c = 0; c < v.size(); ++c) {
                if (c != 7 || random.bounded(50) != 0)
                    v[c] = random.bounded(-1000, 1000);
            }
            store.add(start + n * kSecond, v);
        }
        QVERIFY(keepMs == 0 || store.size() <= keepMs / kSecond + 1);
        Decimator d;
        const Traces traces = d.trace(store, start, start + rows * kSecond, columnMs);
        for (int c = 0; c < kChannels; ++c) {
            // The test's own summary of each column: extremes and whether it had a gap.
            QMap<qint64, ValueRange> expected;
            QMap<qint64, bool> gap;
            for (qint64 i = store.firstIndex(); i < store.endIndex(); ++i) {
                const SampleRow &r = store.row(i);
                const qint64 column = r.ms / columnMs;
                if (r.hasValue(c))
                    expected[column].add(tenthsOf(r.lo[c]), tenthsOf(r.hi[c]));
                else
                    gap[column] = true;
            }
            QMap<qint64, ValueRange> drawn;
            QMap<qint64, int> segmentEnds;
            for (const TraceSegment &s : traces[std::size_t(c)].segments) {
                for (const TracePoint &p : s)
                    drawn[p.ms / columnMs].add(p.tenths, p.tenths);
                ++segmentEnds[s.back().ms / columnMs];
            }
            for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
                QCOMPARE(drawn[it.key()].lo, it->lo);
                QCOMPARE(drawn[it.key()].hi, it->hi);
            }
            for (auto it = gap.cbegin(); it != gap.cend(); ++it) {
                // The line ends in the gap's column or, when the gap came first, the one before.
                QVERIFY(segmentEnds.value(it.key()) + segmentEnds.value(it.key() - 1) > 0 ||
                        !expected.contains(it.key() - 1));
            }
        }
    }

    void storeLimits_data() {
        QTest::addColumn<qint64>("keepMs");
        QTest::addColumn<int>("maxRows");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("rows"); // ms:lo-hi of channel 1, "gap" without a value

        QTest::newRow("faster readings merge into min and max")
            << qint64(10 * kSecond) << 10 << QStringList{"0 20", "300 25", "600 18", "1000 21"}
            << "0:18.0-25.0 1000:21.0-21.0";
        QTest::newRow("a gap does not merge with values")
            << qint64(10 * kSecond) << 10 << QStringList{"0 20", "300 gap", "600 18"}
            << "0:20.0-20.0 300:gap 600:18.0-18.0";
        QTest::newRow("rows older than the span go")
            << qint64(10 * kSecond) << 10 << QStringList{"0 20", "5000 21", "12000 22"}
            << "5000:21.0-21.0 12000:22.0-22.0";
        QTest::newRow("an earlier time counts as the newest")
            << qint64(10 * kSecond) << 10 << QStringList{"5000 20", "3000 21", "7000 22"}
            << "5000:20.0-21.0 7000:22.0-22.0";
        QTest::newRow("a full file store merges again, keeping extremes")
            << qint64(0) << 4
            << QStringList{"0 20", "1000 30", "2000 10", "3000 21", "4000 22", "5000 23"}
            << "0:10.0-30.0 3000:21.0-22.0 5000:23.0-23.0";
    }
    void storeLimits() {
        QFETCH(qint64, keepMs);
        QFETCH(int, maxRows);
        QFETCH(QStringList, lines);
        QFETCH(QString, rows);

        SampleStore store({keepMs, maxRows});
        for (const QString &line : lines)
            addLine(store, line);
        QStringList shown;
        for (qint64 i = store.firstIndex(); i < store.endIndex(); ++i) {
            const SampleRow &r = store.row(i);
            shown << QString::number(r.ms) + QLatin1Char(':') +
                         (r.hasValue(0) ? QString::number(tenthsOf(r.lo[0]) / 10.0, 'f', 1) +
                                              QLatin1Char('-') +
                                              QString::number(tenthsOf(r.hi[0]) / 10.0, 'f', 1)
                                        : QStringLiteral("gap"));
        }
        QCOMPARE(shown.join(QLatin1Char(' ')), rows);
    }

    // The ring against a deque through wrap-arounds, with pages as pieces so that memory is
    // given back often: a piece given back while it still holds a row reads as zeros.
    void ringKeepsRowsAndGivesBackTheRest_data() {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QString>("steps"); // +N adds N rows, -N drops N, =N keeps N, c clears
        QTest::newRow("filling, draining") << 500 << "+500 -499 +1 -2";
        QTest::newRow("wrapping many times") << 300 << "+250 -200 +250 -250 +300 -150 +290";
        QTest::newRow("full: the oldest give way") << 200 << "+1000 -100 +7";
        QTest::newRow("kept, then refilled") << 400 << "+390 =17 +380 =0 +40 c +5";
    }
    void ringKeepsRowsAndGivesBackTheRest() {
        QFETCH(int, capacity);
        QFETCH(QString, steps);
        constexpr std::size_t kPage = 4096;
        PagedRing<SampleRow> ring(std::size_t(capacity), kPage);
        QVERIFY(ring.capacity() >= std::size_t(capacity));
        std::deque<SampleRow> model;
        qint64 next = 1;
        for (const QString &step : steps.split(QLatin1Char(' '))) {
            const std::size_t n = step.mid(1).toULongLong();
            switch (step.at(0).toLatin1()) {
            case '+':
                for (std::size_t i = 0; i < n; ++i) {
                    SampleRow row;
                    row.ms = next++;
                    row.lo.fill(Code(next % 40000));
                    ring.push_back(row);
                    model.push_back(row);
                    if (model.size() > ring.capacity())
                        model.pop_front();
                }
                break;
            case '-':
                ring.pop_front(n);
                model.erase(model.begin(),
                            model.begin() + std::ptrdiff_t(std::min(n, model.size())));
                break;
            case '=':
                ring.truncate(n);
                model.resize(std::min(n, model.size()));
                break;
            default:
                ring.clear();
                model.clear();
            }
            QCOMPARE(ring.size(), model.size());
            for (std::size_t i = 0; i < model.size(); ++i) {
                QCOMPARE(ring[i].ms, model[i].ms);
                QCOMPARE(ring[i].lo[7], model[i].lo[7]);
            }
            // What it holds, plus the pieces shared at either end of the one or two stretches.
            QVERIFY2(ring.piecesInUse() <= model.size() * sizeof(SampleRow) / kPage + 4,
                     qPrintable(step));
        }
    }
};

QTEST_APPLESS_MAIN(TstTrendStore)
#include "tst_trendstore.moc"
