// The spool under the MQTT publisher: its bound, a damaged file, rows and seq across restarts.
#include "cli/spool.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using tr::cli::Spool;

namespace {

const QByteArray kRow = R"({"ch":[23.5,-10,null,100.1,-0.5,27.7,-20,25],"seq":1,"station":3,)"
                        R"("status":"ok","time":"2024-03-05T09:07:05.123+01:00"})";

std::unique_ptr<Spool> openSpool(const Spool::Settings &settings) {
    Spool::Opened opened = Spool::open(settings);
    if (!opened.spool)
        qWarning("spool: %s", qPrintable(opened.error));
    return std::move(opened.spool);
}

// Rows 1..n of station 3, each with its seq as topic.
void fill(Spool &spool, long long n) {
    for (long long seq = 1; seq <= n; ++seq)
        QVERIFY(!spool.append(QByteArray::number(seq), kRow, 3, seq));
}

QList<long long> seqsIn(Spool &spool) {
    QList<long long> seqs;
    for (const Spool::Row &row : spool.after(0, 1000000))
        seqs << row.topic.toLongLong();
    return seqs;
}

} // namespace

class TstSpool : public QObject {
    Q_OBJECT
private slots:
    // Beyond the bound the oldest rows go, counted; the newest are always kept.
    void bound_data() {
        QTest::addColumn<bool>("onDisk");
        QTest::addColumn<long long>("maxBytes");
        QTest::addColumn<long long>("maxRows");
        QTest::newRow("in memory, 500 rows") << false << 0LL << 500LL;
        QTest::newRow("on disk, 256 KiB") << true << 256LL * 1024 << 0LL;
    }
    void bound() {
        QFETCH(bool, onDisk);
        QFETCH(long long, maxBytes);
        QFETCH(long long, maxRows);
        QTemporaryDir dir;
        auto spool = openSpool({onDisk ? dir.path() : QString(), maxBytes, maxRows, 1000});
        QVERIFY(spool);
        constexpr long long n = 4000;
        fill(*spool, n);
        const QList<long long> kept = seqsIn(*spool);
        QVERIFY(spool->dropped() > 0);
        QCOMPARE(spool->dropped() + spool->backlog(), n);
        QCOMPARE(kept.size(), spool->backlog());
        QCOMPARE(kept.front(), spool->dropped() + 1);
        QCOMPARE(kept.back(), n);
        if (maxRows)
            QCOMPARE(spool->backlog(), maxRows);
        if (onDisk) // within the bound, and not emptied far below it
            QVERIFY2(QFileInfo(dir.filePath("spool.db")).size() <= maxBytes + 64 * 1024 &&
                         spool->backlog() > 500,
                     qPrintable(QString::number(spool->backlog())));
    }

    // A restarted logger finds the rows not acknowledged, in order, and goes on with seq.
    void rowsAndSeqSurviveAReopen() {
        QTemporaryDir dir;
        {
            auto spool = openSpool({dir.path(), 0, 0, 0});
            QVERIFY(spool);
            fill(*spool, 10);
            QVERIFY(!spool->append("x", kRow, 7, 41));
            spool->remove({1, 2, 3});
        }
        auto spool = openSpool({dir.path(), 0, 0, 0});
        QVERIFY(spool);
        QCOMPARE(seqsIn(*spool), (QList<long long>{4, 5, 6, 7, 8, 9, 10, 0}));
        QCOMPARE(spool->nextSeq({3}), 11);
        QCOMPARE(spool->nextSeq({3, 7}), 42);
        QCOMPARE(spool->nextSeq({5}), 1);
    }

    // Damage found at start is reported, what can be read is kept in order, and the spool works.
    void damagedFile_data() {
        QTest::addColumn<double>("where"); // where in the file the garbage goes, 0..1
        QTest::addColumn<bool>("someKept");
        QTest::newRow("a page in the middle") << 0.5 << true;
        QTest::newRow("the header") << 0.0 << false;
    }
    void damagedFile() {
        QFETCH(double, where);
        QFETCH(bool, someKept);
        QTemporaryDir dir;
        {
            auto spool = openSpool({dir.path(), 0, 0, 1000});
            QVERIFY(spool);
            fill(*spool, 3000);
        }
        QFile file(dir.filePath("spool.db"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(qint64(double(file.size()) * where) / 4096 * 4096));
        file.write(QByteArray(8192, '\x5a'));
        file.close();

        const Spool::Opened opened = Spool::open({dir.path(), 0, 0, 0});
        QVERIFY2(opened.spool, qPrintable(opened.error));
        QVERIFY2(opened.repaired.contains("damaged"), qPrintable(opened.repaired));
        Spool &spool = *opened.spool;
        const QList<long long> kept = seqsIn(spool);
        QVERIFY(kept.size() < 3000);
        QCOMPARE(!kept.isEmpty(), someKept);
        QVERIFY(std::ranges::is_sorted(kept));
        // seq never goes back: from the counters, or from the clock when they are lost
        QVERIFY(spool.nextSeq({3}) >= 3001);
        QVERIFY(!spool.append("new", kRow, 3, spool.nextSeq({3})));
        QCOMPARE(spool.backlog(), kept.size() + 1);
    }
};

QTEST_GUILESS_MAIN(TstSpool)
#include "tst_spool.moc"
