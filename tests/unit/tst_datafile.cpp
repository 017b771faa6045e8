// Data-file records byte for byte, and what happens when the file cannot be written.
#include "acquisition/datafile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tr;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TstDataFile : public QObject {
    Q_OBJECT
private slots:
    void records_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("bytes");
        const QDateTime morning(QDate(2024, 3, 5), QTime(9, 7, 5));
        QTest::newRow("before any answer: six blanks")
            << morning << QString() << QByteArray("\"2024-3-5 9:07:05      \"\r\n");
        QTest::newRow("eight values: four blanks before the quote")
            << QDateTime(QDate(2024, 12, 25), QTime(23, 59, 59))
            << "1#:25.30 2#:25.41 3#:25.38 4#:25.22 5#:25.40 6#:25.31 7#:25.36 8#:24.99 "
            << QByteArray("\"2024-12-25 23:59:59   1#:25.30 2#:25.41 3#:25.38 4#:25.22 5#:25.40 "
                          "6#:25.31 7#:25.36 8#:24.99    \"\r\n");
        QTest::newRow("midnight hour is 0") << QDateTime(QDate(2025, 1, 9), QTime(0, 0, 7))
                                            << "1#:-5.20 " << QByteArray("\"2025-1-9 0:00:07   1#:-5.20    \"\r\n");
    }
    void records()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, line);
        QFETCH(QByteArray, bytes);
        QCOMPARE(dataRecord(when, line), bytes);
    }

    void appendsAndClears()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("dataGet.txt");
        const QByteArray r1 = dataRecord(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 5)), "1#:1.00 ");
        QCOMPARE(appendRecord(path, r1), std::nullopt);
        QCOMPARE(appendRecord(path, r1), std::nullopt);
        QCOMPARE(contents(path), r1 + r1);
        QCOMPARE(replaceFile(path, clearedDataFile()), std::nullopt);
        QCOMPARE(contents(path), QByteArray("\"\"\r\n"));
        QCOMPARE(appendRecord(path, r1), std::nullopt);
        QCOMPARE(contents(path), QByteArray("\"\"\r\n") + r1);
    }

    void failuresSayWhy_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty path") << QString();
        QTest::newRow("missing folder") << QStringLiteral("%TMP%/no/such/folder/data.txt");
        QTest::newRow("disk full") << QStringLiteral("/dev/full");
        QTest::newRow("a folder, not a file") << QStringLiteral("%TMP%");
    }
    void failuresSayWhy()
    {
        QFETCH(QString, path);
        QTemporaryDir dir;
        path.replace(QStringLiteral("%TMP%"), dir.path());
        const QByteArray record("\"x\"\r\n");
        const auto appended = appendRecord(path, record);
        QVERIFY(appended.has_value());
        QVERIFY(!appended->isEmpty());
        const auto cleared = replaceFile(path, clearedDataFile());
        QVERIFY(cleared.has_value());
        QVERIFY(!cleared->isEmpty());
    }
};

QTEST_APPLESS_MAIN(TstDataFile)
#include "tst_datafile.moc"
