#include "domain/exportfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TstCalibrationExport : public QObject {
    Q_OBJECT
private slots:
    void bytes_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("empty list") << QString() << QByteArray::fromHex("2222 0D0A");
        QTest::newRow("one line") << QStringLiteral("3::1000--0\r\n")
                                  << QByteArray("\"3::1000--0\r\n\"\r\n");
        // The list box gives its lines back with LF only; the file still ends each in CR LF.
        QTest::newRow("line ends from the list box")
            << QStringLiteral("1::1000--10\n2::999--0\n")
            << QByteArray("\"1::1000--10\r\n2::999--0\r\n\"\r\n");
        QTest::newRow("edited, no final line end")
            << QStringLiteral("note") << QByteArray("\"note\"\r\n");

        QString eight;
        QByteArray eightFile("\"");
        for (int ch = 1; ch <= 8; ++ch) {
            const QByteArray line = QByteArray::number(ch) + "::" + QByteArray::number(1000 + ch) +
                                    "--" + QByteArray::number(ch * 3);
            eight += QString::fromLatin1(line) + QStringLiteral("\r\n");
            eightFile += line + "\r\n";
        }
        eightFile += "\"\r\n";
        QTest::newRow("eight lines") << eight << eightFile;
    }
    void bytes() {
        QFETCH(QString, list);
        QFETCH(QByteArray, expected);
        QCOMPARE(tr::exportBytes(list), expected);
    }
    void fileName_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");

        QTest::newRow("no suffix") << "/tmp/x/data"
                                   << "/tmp/x/data.txt";
        QTest::newRow("suffix kept") << "/tmp/x/data.txt"
                                     << "/tmp/x/data.txt";
        QTest::newRow("upper-case suffix") << "/tmp/x/DATA.TXT"
                                           << "/tmp/x/DATA.TXT.txt";
        QTest::newRow("other suffix") << "/tmp/x/data.csv"
                                      << "/tmp/x/data.csv.txt";
        QTest::newRow("folder named .txt") << "/tmp/x.txt/data"
                                           << "/tmp/x.txt/data.txt";
    }
    void fileName() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(tr::exportFileName(chosen), written);
    }
    void writesExactBytes_data() {
        QTest::addColumn<QByteArray>("before"); // empty: no file yet
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("new file") << QByteArray() << QByteArray("\"1::1--1\r\n\"\r\n");
        QTest::newRow("longer file replaced")
            << QByteArray(300, 'x') << QByteArray::fromHex("2222 0D0A");
        QTest::newRow("eight-bit bytes kept")
            << QByteArray("old") << QByteArray::fromHex("22 B2 E2 0A 0D 00 FF 22 0D 0A");
    }
    void writesExactBytes() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("data.txt"));
        if (!before.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(before);
        }

        QCOMPARE(tr::writeExport(path, bytes), std::nullopt);

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("data.txt")});
    }
    void failureLeavesNoFile_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("folder is a file") << "file";
    }
    void failureLeavesNoFile() {
        QFETCH(QString, where);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString folder = dir.filePath(QStringLiteral("out"));
        if (where == QLatin1String("file")) {
            QFile f(folder);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QString path = folder + QStringLiteral("/data.txt");

        const std::optional<QString> failure = tr::writeExport(path, QByteArray("\"\"\r\n"));

        QVERIFY(failure.has_value());
        QVERIFY(!failure->isEmpty());
        QVERIFY(!QFileInfo::exists(path));
    }
};

QTEST_APPLESS_MAIN(TstCalibrationExport)
#include "tst_calibration_export.moc"
