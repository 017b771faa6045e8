// The spool under the MQTT publisher: its bound and a damaged file.
#include "cli/spool.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using tr::cli::Spool;

namespace {

const QByteArray kRow = R"({"ch":[23.5,-10,null,100.1,-0.5,27.7,-20,25],"seq":1,"station":3,)"
                        R"("status":"ok","time":"2024-03-05T09:07:05.123+01:00"})";

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
    void bound_data() { // rows in memory (--spool none), or 256 KiB on disk
        QTest::addColumn<long long>("maxRows");
        QTest::newRow("in memory, 500 rows") << 500LL;
        QTest::newRow("on disk, 256 KiB") << 0LL;
    }
    void bound() {
        QFETCH(long long, maxRows);
        QTemporaryDir dir;
        auto spool =
            Spool::open({maxRows ? QString() : dir.path(), maxRows ? 0 : 256 << 10, maxRows, 1000})
                .spool;
        QVERIFY(spool);
        fill(*spool, 4000);
        const QList<long long> kept = seqsIn(*spool);
        QVERIFY(spool->dropped() > 0 && kept.size() >= 500); // not emptied far below the bound
        QCOMPARE(kept.size(), spool->backlog());
        QCOMPARE(kept.front(), spool->dropped() + 1);
        QCOMPARE(kept.back(), 4000);
    }

    // Damage found at start is reported, what can be read is kept in order, and the spool works.
    void damagedFile_data() {
        QTest::addColumn<double>("where"); // where in the file the garbage goes, 0..1
        QTest::newRow("a page in the middle") << 0.5;
        QTest::newRow("the header: nothing kept") << 0.0;
    }
    void damagedFile() {
        QFETCH(double, where);
        QTemporaryDir dir;
        {
            auto spool = Spool::open({dir.path(), 0, 0, 1000}).spool;
            QVERIFY(spool);
            fill(*spool, 3000);
        }
        QFile file(dir.filePath("spool.db"));
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.seek(qint64(double(file.size()) * where) / 4096 * 4096) &&
                file.write(QByteArray(8192, '\x5a')) == 8192 && file.flush());

        const Spool::Opened opened = Spool::open({dir.path(), 0, 0, 0});
        QVERIFY2(opened.spool, qPrintable(opened.error));
        QVERIFY2(opened.repaired.contains("damaged"), qPrintable(opened.repaired));
        Spool &spool = *opened.spool;
        const QList<long long> kept = seqsIn(spool);
        QVERIFY(kept.size() < 3000 && kept.isEmpty() == (where == 0));
        QVERIFY(std::ranges::is_sorted(kept));
        // seq never goes back: from the counters, or from the clock when they are lost
        QVERIFY(spool.nextSeq({3}) >= 3001);
        QVERIFY(!spool.append("new", kRow, 3, spool.nextSeq({3})));
        QCOMPARE(spool.backlog(), kept.size() + 1);
    }
};

QTEST_GUILESS_MAIN(TstSpool)
#include "tst_spool.moc"
