// The operator's numbers, settings files, data-file records, calibration requests as typed and
// the export file: what is accepted, how it is rounded, and the bytes that result.
#include "domain/datafile.h"
#include "domain/exportfile.h"
#include "domain/opnumber.h"
#include "domain/parameterrequest.h"
#include "domain/settingsfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace tr;

class TstDomain : public QObject {
    Q_OBJECT
private slots:
    void operatorNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("value"); // "-": not a number
        for (const auto &[text, value] :
             std::initializer_list<std::pair<const char *, const char *>>{
                 {" \t2\t ", "2"},  {"-0.5", "-0.5"}, {".5", "0.5"}, {"5.", "5"},
                 {"+3", "3"},       {"25E-1", "2.5"}, {"010", "10"}, {"&H15", "21"},
                 {" &hff ", "255"}, {"1e-400", "0"},  {"", "-"},     {"1A", "-"},
                 {"&H", "-"},       {"&HZZ", "-"},    {"0x15", "-"}, {"1 2", "-"},
                 {"1e", "-"},       {"-", "-"},       {".", "-"},    {"1e999", "-"},
                 {"2,5", "-"},      {"１", "-"}})
            QTest::newRow(*text ? text : "empty") << QString::fromUtf8(text) << QString(value);
    }
    void operatorNumbers() {
        QFETCH(QString, text);
        QFETCH(QString, value);
        const std::optional<double> got = parseOperatorNumber(text);
        QCOMPARE(got ? QString::number(*got) : QStringLiteral("-"), value);
    }

    void roundings_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("down");
        QTest::addColumn<double>("even");
        QTest::newRow("2.7") << 2.7 << 2.0 << 3.0;
        QTest::newRow("-0.5") << -0.5 << -1.0 << 0.0;
        QTest::newRow("1.5") << 1.5 << 1.0 << 2.0;
        QTest::newRow("2.5") << 2.5 << 2.0 << 2.0;
        QTest::newRow("-2.5") << -2.5 << -3.0 << -2.0;
    }
    void roundings() {
        QFETCH(double, value);
        QFETCH(double, down);
        QFETCH(double, even);
        QCOMPARE(roundDown(value), down);
        QCOMPARE(roundHalfEven(value), even);
    }

    void settingsFields_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("values"); // comma-joined, or what is wrong and where
        const auto row = [](const char *name, const QByteArray &content, int count, const char *v) {
            QTest::newRow(name) << content << count << QString(v);
        };
        row("comm.set", "4,19200\r\n", 2, "4,19200");
        row("two lines, LF", "4\n19200\n", 2, "4,19200");
        row("blanks around fields", "  4 ,\t19200  \r\n", 2, "4,19200");
        row("extra content ignored", "12,9600,junk\r\nmore", 2, "12,9600");
        row("ModSet.set", "1,7,5,1\r\n", 4, "1,7,5,1");
        row("bounds", "32767,-32768", 2, "32767,-32768");
        row("single field", "4\r\n", 2, "missing 2");
        row("empty file", "", 2, "missing 1");
        row("empty field", "4,,19200", 2, "empty 2");
        row("not a number", "COM4,19200", 2, "not integer 1");
        row("fraction", "4.5,19200", 2, "not integer 1");
        row("32768", "4,32768", 2, "out of range 2");
        row("-32769", "-32769,1", 2, "out of range 1");
        row("huge digit run", "4," + QByteArray(5000, '9'), 2, "out of range 2");
    }
    void settingsFields() {
        QFETCH(QByteArray, content);
        QFETCH(int, count);
        QFETCH(QString, values);
        static const char *const kinds[] = {"unreadable", "missing", "empty", "not integer",
                                            "out of range"};
        const SettingsFields got = readSettingsFields(content, count);
        QStringList parts;
        for (auto v : got.values)
            parts << QString::number(v);
        QCOMPARE(
            got.ok()
                ? parts.join(QLatin1Char(','))
                : QStringLiteral("%1 %2").arg(kinds[int(got.error->kind)]).arg(got.error->field),
            values);
    }

    void dataRecords() {
        const QDateTime when(QDate(2024, 3, 5), QTime(9, 7, 5));
        QCOMPARE(dataRecord(when, QString()), QByteArray("\"2024-3-5 9:07:05      \"\r\n"));
        QCOMPARE(dataRecord(when, "1#:-5.20 "),
                 QByteArray("\"2024-3-5 9:07:05   1#:-5.20    \"\r\n"));
    }

    void calibrationEntries_data() {
        QTest::addColumn<int>("op");              // 0 read, else the Parameter
        QTest::addColumn<QStringList>("entries"); // station, value, channel
        QTest::addColumn<QString>("sent");        // bytes 0..5, or the fault
        const auto row = [](const char *name, int op, const char *entries, const char *sent) {
            QTest::newRow(name) << op << QString(entries).split(QLatin1Char('|')) << QString(sent);
        };
        row("halves to even: station 2.5", 0, "2.5|0|1", "02 42 00 00 02 01");
        row("channel 7.5", 0, "1|0|7.5", "01 42 00 00 02 08");
        row("slope 1001.5", 1, "1|1001.5|1", "01 42 01 ea 03 01");
        row("offset -0.5", 2, "1|-0.5|1", "01 42 02 00 00 01");
        row("hex station, blanks", 0, "&HF7|0| 8 ", "f7 42 00 00 02 08");
        row("station 255.4", 0, "255.4|0|1", "ff 42 00 00 02 01");
        row("station empty", 0, "|0|1", "address");
        row("station 255.5", 0, "255.5|0|1", "address");
        row("channel -1", 1, "1|5|-1", "address");
        row("slope 65535.4", 1, "1|65535.4|1", "01 42 01 ff ff 01");
        row("slope 65536", 1, "1|65536|1", "value");
        row("offset x", 2, "1|x|1", "value");
        row("offset -0.6", 2, "1|-0.6|1", "value");
        row("station before value", 2, "x|x|1", "address");
    }
    void calibrationEntries() {
        QFETCH(int, op);
        QFETCH(QStringList, entries);
        QFETCH(QString, sent);
        const ParameterRequest r =
            op ? writeRequest(Parameter(op), entries[0], entries[1], entries[2])
               : readRequest(entries[0], entries[2]);
        static const char *const faults[] = {"", "address", "value"};
        QCOMPARE(r.ok() ? QString::fromLatin1(toBytes(r.frame).left(6).toHex(' '))
                        : QString::fromLatin1(faults[int(r.fault)]),
                 sent);
    }

    void exportFile_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty list") << QString() << QByteArray("\"\"\r\n");
        // The list box gives its lines back with LF only; the file ends each in CR LF.
        QTest::newRow("list box lines") << QStringLiteral("1::1000--10\n2::999--0\n")
                                        << QByteArray("\"1::1000--10\r\n2::999--0\r\n\"\r\n");
        QTest::newRow("edited, no final line end") << "note" << QByteArray("\"note\"\r\n");
    }
    void exportFile() {
        QFETCH(QString, list);
        QFETCH(QByteArray, bytes);
        QCOMPARE(exportBytes(list), bytes);
    }

    void exportNames() {
        QCOMPARE(exportFileName("/tmp/x/data"), QStringLiteral("/tmp/x/data.txt"));
        QCOMPARE(exportFileName("/tmp/x/data.txt"), QStringLiteral("/tmp/x/data.txt"));
        QCOMPARE(exportFileName("/tmp/x/DATA.TXT"), QStringLiteral("/tmp/x/DATA.TXT.txt"));
        QCOMPARE(exportFileName("/tmp/x.txt/data"), QStringLiteral("/tmp/x.txt/data.txt"));
    }

    // The export replaces an older, longer file whole, and a failed one leaves no file behind.
    void exportWrite() {
        QTemporaryDir dir;
        const QString path = dir.filePath("data.txt");
        QVERIFY(!writeExport(path, QByteArray(300, 'x')));
        const QByteArray bytes = QByteArray::fromHex("22 B2 E2 0A 0D 00 FF 22 0D 0A");
        QVERIFY(!writeExport(path, bytes));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.txt"});
        QVERIFY(writeExport(dir.filePath("missing/data.txt"), bytes).has_value());
        QVERIFY(!QFileInfo::exists(dir.filePath("missing/data.txt")));
    }
};

QTEST_APPLESS_MAIN(TstDomain)
#include "tst_domain.moc"
