// Reading back the export file of the batch read: what a restore may trust, and where a broken
// file is broken.
#include "cli/calcommands.h"
#include "domain/exportparse.h"

#include <QTest>

using namespace tr;

namespace {

// "1:1000:0 3:5:7" for the entries, to compare a whole parse in one go.
QString summary(const ParsedExport &p) {
    QStringList items;
    for (const ExportEntry &e : p.entries)
        items
            << QStringLiteral("%1:%2:%3@%4").arg(e.channel).arg(e.slope).arg(e.offset).arg(e.line);
    return items.join(QLatin1Char(' '));
}

} // namespace

class TstExportParse : public QObject {
    Q_OBJECT
private slots:
    void accepts_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("entries");
        QTest::newRow("two channels, CR LF")
            << QByteArray("\"1::1000--0\r\n2::998--65526\r\n\"\r\n") << "1:1000:0@1 2:998:65526@2";
        QTest::newRow("empty list") << QByteArray("\"\"\r\n") << "";
        QTest::newRow("bare LF line ends")
            << QByteArray("\"3::1000--5\n4::7--0\n\"\n") << "3:1000:5@1 4:7:0@2";
        QTest::newRow("closing quote after the last line")
            << QByteArray("\"8::1--2\"\r\n") << "8:1:2@1";
        QTest::newRow("any channel order, leading zeros")
            << QByteArray("\"7::01000--00\r\n2::0--0\r\n\"\r\n") << "7:1000:0@1 2:0:0@2";
        QTest::newRow("blank lines after the closing quote")
            << QByteArray("\"1::1--1\r\n\"\r\n\r\n") << "1:1:1@1";
    }
    void accepts() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, entries);
        const ParsedExport p = parseExport(bytes);
        QVERIFY2(p.ok(), qPrintable(cli::exportFaultText(p)));
        QCOMPARE(summary(p), entries);
    }

    void refuses_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty file") << QByteArray() << 1 << "empty";
        QTest::newRow("no opening quote") << QByteArray("1::1000--0\r\n\"\r\n") << 1 << "start";
        QTest::newRow("no closing quote")
            << QByteArray("\"1::1000--0\r\n2::1000--0\r\n") << 2 << "closing";
        QTest::newRow("garbage on line 3")
            << QByteArray("\"1::1000--0\r\n2::1000--0\r\n3:1000--0\r\n\"\r\n") << 3
            << "channel::slope--offset";
        QTest::newRow("negative offset")
            << QByteArray("\"1::1000---5\r\n\"\r\n") << 1 << "channel::slope--offset";
        QTest::newRow("channel 9") << QByteArray("\"1::1--1\r\n9::1--1\r\n\"\r\n") << 2 << "9";
        QTest::newRow("channel 0") << QByteArray("\"0::1--1\r\n\"\r\n") << 1 << "channel 0";
        QTest::newRow("slope above 65535")
            << QByteArray("\"1::65536--1\r\n\"\r\n") << 1 << "slope 65536";
        QTest::newRow("channel twice")
            << QByteArray("\"1::1--1\r\n2::1--1\r\n3::1--1\r\n2::5--5\r\n\"\r\n") << 4
            << "already given on line 2";
        QTest::newRow("empty line inside")
            << QByteArray("\"1::1--1\r\n\r\n2::1--1\r\n\"\r\n") << 2 << "empty line";
        QTest::newRow("text after the closing quote")
            << QByteArray("\"1::1--1\r\n\"\r\n2::1--1\r\n") << 3 << "after the closing";
    }
    void refuses() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const ParsedExport p = parseExport(bytes);
        QVERIFY(!p.ok());
        QCOMPARE(p.errorLine, line);
        const QString why = cli::exportFaultText(p);
        QVERIFY2(why.contains(reason), qPrintable(why));
        QVERIFY(p.entries.empty());
    }
};

QTEST_GUILESS_MAIN(TstExportParse)
#include "tst_cli_exportparse.moc"
