// Loading data files into the trend: the window's own records come back with their times and
// values, the command line's csv too; bad lines are counted, not fatal; a binary is refused.
#include "domain/datafile.h"
#include "monitor/samplecsv.h"
#include "monitor/sampleloader.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tr;

namespace {

QDateTime localAt(int h, int m, int s) {
    return QDateTime(QDate(2024, 3, 5), QTime(h, m, s));
}

// "23.50,-,..." as readings of the eight boxes ("-": open sensor).
std::vector<Reading> readings(const QString &values) {
    std::vector<Reading> out;
    const QStringList cells = values.split(QLatin1Char(','));
    for (int box = 0; box < int(cells.size()); ++box) {
        if (cells[box] == QLatin1String("-"))
            out.push_back({box, true, 0});
        else
            out.push_back({box, false, qRound(cells[box].toDouble() * 10)});
    }
    return out;
}

// One sample as "ms v1,v2,..." with "-" where a channel has no value (its lo; hi when merged).
QString rowText(const SampleRow &r) {
    QStringList cells;
    for (int c = 0; c < kChannels; ++c)
        cells << (r.hasValue(c) ? QString::number(tenthsOf(r.lo[std::size_t(c)]) / 10.0, 'f', 2)
                                : QStringLiteral("-"));
    return QString::number(r.ms) + QLatin1Char(' ') + cells.join(QLatin1Char(','));
}

QStringList rowsOf(const SampleStore &store) {
    QStringList rows;
    for (qint64 i = store.firstIndex(); i < store.endIndex(); ++i)
        rows << rowText(store.row(i));
    return rows;
}

QString expected(const QDateTime &when, const QString &values) {
    QStringList cells = values.split(QLatin1Char(','));
    while (cells.size() < kChannels)
        cells << QStringLiteral("-");
    for (QString &c : cells) {
        if (c != QLatin1String("-"))
            c = QString::number(c.toDouble(), 'f', 2);
    }
    return QString::number(when.toMSecsSinceEpoch()) + QLatin1Char(' ') +
           cells.join(QLatin1Char(','));
}

struct Loaded {
    LoadSummary summary;
    QStringList rows;
    int steps = 0;
};

// Loads with deadlines already passed, so every step does the least it may.
Loaded load(const QByteArray &content) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.txt"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    f.close();
    SampleFileLoader loader(path);
    Loaded out;
    while (loader.step(QDeadlineTimer(0)))
        ++out.steps;
    out.summary = loader.summary();
    out.rows = rowsOf(loader.store());
    return out;
}

} // namespace

class TstSampleLoad : public QObject {
    Q_OBJECT

private slots:
    void windowRecordsComeBack_data() {
        QTest::addColumn<QString>("lineEnd");
        QTest::newRow("CR LF") << "\r\n";
        QTest::newRow("LF") << "\n";
    }
    void windowRecordsComeBack() {
        QFETCH(QString, lineEnd);
        const QList<QPair<QDateTime, QString>> samples = {
            {localAt(9, 7, 5), "23.5,-10,0,100.1,-0.5,55.5,12.3,40"},
            {localAt(9, 7, 6), "23.6,-,0.1,-,-0.4,55.4,-,40.1"},
            {localAt(10, 0, 0), "-,-,-,-,-,-,-,-"},
            {localAt(23, 59, 59), "-2553.5,4000,-0.2,0,1,2,3,4"}};
        QByteArray file = clearedDataFile();
        QStringList want;
        for (const auto &[when, values] : samples) {
            file += dataRecord(when, valueLine(readings(values)));
            want << expected(when, values);
        }
        file.replace("\r\n", lineEnd.toLatin1());
        const Loaded got = load(file);
        QCOMPARE(got.summary.failure, LoadSummary::Failure::None);
        QCOMPARE(got.summary.malformed, 0);
        QCOMPARE(got.summary.samples, samples.size());
        QCOMPARE(got.rows, want);
    }

    void files_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("failure");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("malformed");
        QTest::addColumn<int>("firstBad");

        const QString t0 = QString::number(localAt(9, 7, 5).toMSecsSinceEpoch());
        const QString t1 = QString::number(localAt(9, 7, 6).toMSecsSinceEpoch());
        const QString gap = QStringLiteral("-,-,-,-,-,-,-,-");
        const int ok = int(LoadSummary::Failure::None);
        QTest::newRow("empty file") << QByteArray() << ok << QStringList() << 0 << 0;
        QTest::newRow("malformed lines counted, the first named")
            << QByteArray("\"2024-3-5 9:07:05   1#:23.50    \"\r\n"
                          "hello\r\n"
                          "\"2024-3-5 9:07:06   1#:23.60 9#:1.00    \"\r\n"
                          "\"2024-3-5 9:07:06   1#:23.60    \"\r\n"
                          "\"2024-13-5 9:07:06   1#:23.60    \"\r\n")
            << ok << QStringList{t0 + " 23.50,-,-,-,-,-,-,-", t1 + " 23.60,-,-,-,-,-,-,-"} << 3
            << 2;
        QTest::newRow("not text") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                  << int(LoadSummary::Failure::NotText) << QStringList() << 0 << 0;
        QTest::newRow("command line text log: a failed sample is a gap")
            << QByteArray("\"2024-3-5 9:07:05   timeout   \"\r\n"
                          "\"2024-3-5 9:07:06   exception 4   \"\r\n")
            << ok << QStringList{t0 + ' ' + gap, t1 + ' ' + gap} << 0 << 0;
        QTest::newRow("command line csv, offsets and statuses")
            << QByteArray("time,seq,ch1,ch2,ch3,ch4,ch5,ch6,ch7,ch8,status\r\n"
                          "2024-03-05T09:07:05.000Z,1,23.50,-10.00,,100.10,-0.50,27.70,-20.00,"
                          "25.00,ok\r\n"
                          "2024-03-05T17:07:05.250+08:00,2,,,,,,,,,timeout\r\n"
                          "2024-03-05T09:07:05,3,1,2\r\n")
            << ok
            << QStringList{"1709629625000 23.50,-10.00,-,100.10,-0.50,27.70,-20.00,25.00",
                           "1709629625250 " + gap}
            << 1 << 4;
        QTest::newRow("csv with fewer channels, no status; last line without line end")
            << QByteArray("time,ch2,ch1\n2024-03-05T09:07:05.5+01:00,1.5,2.25") << ok
            << QStringList{"1709626025500 2.30,1.50,-,-,-,-,-,-"} << 0 << 0;
        QTest::newRow("csv rows before a header are malformed")
            << QByteArray("2024-03-05T09:07:05Z,1\ntime,ch1\n2024-03-05T09:07:05Z,1\n") << ok
            << QStringList{"1709629625000 1.00,-,-,-,-,-,-,-"} << 1 << 1;
    }
    void files() {
        QFETCH(QByteArray, content);
        QFETCH(int, failure);
        QFETCH(QStringList, rows);
        QFETCH(int, malformed);
        QFETCH(int, firstBad);

        const Loaded got = load(content);
        QCOMPARE(int(got.summary.failure), failure);
        QCOMPARE(got.rows, rows);
        QCOMPARE(got.summary.malformed, malformed);
        QCOMPARE(got.summary.firstBadLine, firstBad);
    }

    // A file of several chunks loads a slice at a time and ends where a single pass would.
    void largeFileLoadsInSlices() {
        QByteArray file;
        QDateTime when = localAt(0, 0, 0);
        for (int i = 0; i < 30000; ++i) {
            file += dataRecord(when, QStringLiteral("1#:%1.00 8#:-%1.50 ").arg(i % 50));
            when = when.addSecs(1);
        }
        QVERIFY(file.size() > 1 << 20);
        const Loaded got = load(file);
        QVERIFY(got.steps > 1);
        QCOMPARE(got.summary.samples, 30000);
        QCOMPARE(got.rows.size(), 30000);
        QCOMPARE(got.rows.last(), expected(localAt(8, 19, 59), "49,-,-,-,-,-,-,-49.5"));
    }

    // What the trend exports it reads back: same times (to the millisecond), same values.
    void exportReadsBack() {
        SampleStore store;
        const qint64 t0 = localAt(9, 0, 0).toMSecsSinceEpoch() + 123;
        for (int i = 0; i < 2000; ++i) {
            ChannelValues v;
            for (std::size_t c = 0; c < v.size(); ++c) {
                if ((i + int(c)) % 7 != 0)
                    v[c] = i * int(c + 1) % 4000 - 1000;
            }
            if (i % 50 == 0)
                store.addGap(t0 + i * 250);
            else
                store.add(t0 + i * 250, v);
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("view.csv"));
        SampleCsvWriter writer(store, t0 + 1000, t0 + 400000, path);
        int steps = 0;
        while (writer.step(QDeadlineTimer(0)))
            ++steps;
        QVERIFY(!writer.failure());
        QVERIFY(steps > 0);
        SampleFileLoader loader(path);
        while (loader.step(QDeadlineTimer(0))) {
        }
        QCOMPARE(loader.summary().malformed, 0);
        QStringList want = rowsOf(store);
        want = want.mid(4, 1596);
        QCOMPARE(rowsOf(loader.store()), want);
    }
};

QTEST_GUILESS_MAIN(TstSampleLoad)
#include "tst_sampleload.moc"
