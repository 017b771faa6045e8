// Reading comm.set / ModSet.set fields: layouts that must read alike, and files that must be
// refused with a reason instead of crashing or inventing values.
#include "domain/settingsfile.h"

#include <QTest>

using namespace tr;

class TstSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void reads_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("values"); // comma-joined, or what is wrong and where
        QTest::newRow("one line CR LF") << QByteArray("4,19200\r\n") << 2 << "4,19200";
        QTest::newRow("one line LF") << QByteArray("4,19200\n") << 2 << "4,19200";
        QTest::newRow("no line end") << QByteArray("4,19200") << 2 << "4,19200";
        QTest::newRow("two lines") << QByteArray("4\r\n19200\r\n") << 2 << "4,19200";
        QTest::newRow("blanks around fields") << QByteArray("  4 ,\t19200  \r\n") << 2 << "4,19200";
        QTest::newRow("extra content ignored") << QByteArray("12,9600,junk\r\nmore") << 2 << "12,9600";
        QTest::newRow("four ModSet fields") << QByteArray("1,7,5,1\r\n") << 4 << "1,7,5,1";
        QTest::newRow("bounds") << QByteArray("32767,-32768") << 2 << "32767,-32768";
        QTest::newRow("negative and plus") << QByteArray("-3,+9600") << 2 << "-3,9600";
        QTest::newRow("single field") << QByteArray("4\r\n") << 2 << "missing 2";
        QTest::newRow("three ModSet fields") << QByteArray("1,7,5\r\n") << 4 << "missing 4";
        QTest::newRow("empty file") << QByteArray() << 2 << "missing 1";
        QTest::newRow("empty field") << QByteArray("4,,19200") << 2 << "empty 2";
        QTest::newRow("only commas") << QByteArray(",,,,") << 2 << "empty 1";
        QTest::newRow("not a number") << QByteArray("COM4,19200") << 2 << "not integer 1";
        QTest::newRow("fraction") << QByteArray("4.5,19200") << 2 << "not integer 1";
        QTest::newRow("32768 does not fit") << QByteArray("4,32768") << 2 << "out of range 2";
        QTest::newRow("-32769 does not fit") << QByteArray("-32769,1") << 2 << "out of range 1";
        QTest::newRow("huge digit run") << QByteArray("4,") + QByteArray(5000, '9') << 2 << "out of range 2";
        QTest::newRow("utf-8 byte order mark") << QByteArray("\xEF\xBB\xBF" "4,19200") << 2 << "not integer 1";
        QTest::newRow("lone sign") << QByteArray("-,19200") << 2 << "not integer 1";
        QTest::newRow("binary junk") << QByteArray("\x00\x01\xFF,\x02", 5) << 2 << "not integer 1";
    }
    void reads() {
        QFETCH(QByteArray, content);
        QFETCH(int, count);
        QFETCH(QString, values);
        const SettingsFields got = readSettingsFields(content, count);
        if (got.ok()) {
            QStringList parts;
            for (auto v : got.values)
                parts << QString::number(v);
            QCOMPARE(parts.join(QLatin1Char(',')), values);
            QCOMPARE(int(got.values.size()), count);
        } else {
            static const char *kinds[] = {"unreadable", "missing", "empty", "not integer",
                                          "out of range"};
            QCOMPARE(QStringLiteral("%1 %2")
                         .arg(QLatin1String(kinds[int(got.error->kind)]))
                         .arg(got.error->field),
                     values);
        }
    }
};

QTEST_APPLESS_MAIN(TstSettingsFile)
#include "tst_settingsfile.moc"
