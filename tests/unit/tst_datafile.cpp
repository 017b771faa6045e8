// Data-file records byte for byte. (Appending, clearing and the failure messages are checked
// through the window in tst_acquisition.)
#include "domain/datafile.h"

#include <QTest>

using namespace tr;

class TstDataFile : public QObject {
    Q_OBJECT
private slots:
    void records_data() {
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
    void records() {
        QFETCH(QDateTime, when);
        QFETCH(QString, line);
        QFETCH(QByteArray, bytes);
        QCOMPARE(dataRecord(when, line), bytes);
    }
};

QTEST_APPLESS_MAIN(TstDataFile)
#include "tst_datafile.moc"
