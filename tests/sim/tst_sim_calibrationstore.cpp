#include "calibrationstore.h"

#include "support/files.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tr::sim;

class TstCalibrationStore : public QObject {
    Q_OBJECT

private slots:
    void refusals_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("missing offset") << QByteArray("1 1000\n");
        QTest::newRow("channel 9") << QByteArray("9 1000 0\n");
        QTest::newRow("slope 65536") << QByteArray("1 65536 0\n");
        QTest::newRow("extra field") << QByteArray("1 1000 0 7\n");
    }
    void refusals() {
        QFETCH(QByteArray, line);
        QTemporaryDir dir;
        const QString path = dir.filePath("cal.txt");
        // A comment, a blank line and a good line come first.
        QVERIFY(tr::test::writeFile(path, "# channel slope offset\n\n2 1000 0\n" + line));
        const LoadedCalibration loaded = loadCalibration(path.toStdString());
        // The error names the file and the line, so the user can fix it.
        QVERIFY2(QString::fromStdString(loaded.error).contains("cal.txt:4"), loaded.error.c_str());
        // Neither a folder nor a file in a missing folder will do.
        QVERIFY(!loadCalibration(dir.path().toStdString()).error.empty());
        QVERIFY(!saveCalibration(dir.filePath("no/such/cal.txt").toStdString(), {}).empty());
    }
};

QTEST_APPLESS_MAIN(TstCalibrationStore)
#include "tst_sim_calibrationstore.moc"
