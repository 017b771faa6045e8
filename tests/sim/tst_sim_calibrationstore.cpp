#include "calibrationstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tr::sim;

class TestCalibrationStore : public QObject {
    Q_OBJECT

private slots:
    void missingFileMeansFactoryCalibration();
    void savedTableReadsBack();
    void handWrittenFile();
    void malformedLine_data();
    void malformedLine();
    void saveIntoMissingFolderFails();
    void folderIsNotAStateFile();

private:
    static void write(const QString &path, const QByteArray &text) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

void TestCalibrationStore::missingFileMeansFactoryCalibration() {
    QTemporaryDir dir;
    const LoadedCalibration loaded = loadCalibration(dir.filePath("cal.txt").toStdString());
    QVERIFY(loaded.error.empty());
    for (const Calibration &cal : loaded.table)
        QVERIFY(cal == (Calibration{1000, 0}));
}

void TestCalibrationStore::savedTableReadsBack() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("cal.txt").toStdString();
    CalibrationTable table{};
    table[0] = {2000, 10};
    table[7] = {65535, 65526};
    QCOMPARE(QString::fromStdString(saveCalibration(path, table)), QString());

    // Saving over an existing file replaces it and leaves no temporary file behind.
    table[3] = {999, 1};
    QCOMPARE(QString::fromStdString(saveCalibration(path, table)), QString());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"cal.txt"});

    const LoadedCalibration loaded = loadCalibration(path);
    QVERIFY(loaded.error.empty());
    QVERIFY(loaded.table == table);
}

void TestCalibrationStore::handWrittenFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("cal.txt");
    write(path, "# channel slope offset\n\n3 1500 20\n1  900   65535\n");
    const LoadedCalibration loaded = loadCalibration(path.toStdString());
    QVERIFY(loaded.error.empty());
    QVERIFY(loaded.table[0] == (Calibration{900, 65535}));
    QVERIFY(loaded.table[2] == (Calibration{1500, 20}));
    // Channels not listed keep the factory calibration.
    QVERIFY(loaded.table[1] == (Calibration{1000, 0}));
}

void TestCalibrationStore::malformedLine_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("missing offset") << QByteArray("1 1000\n");
    QTest::newRow("channel 0") << QByteArray("0 1000 0\n");
    QTest::newRow("channel 9") << QByteArray("9 1000 0\n");
    QTest::newRow("slope 65536") << QByteArray("1 65536 0\n");
    QTest::newRow("negative offset") << QByteArray("1 1000 -1\n");
    QTest::newRow("words") << QByteArray("one slope offset\n");
    QTest::newRow("extra field") << QByteArray("1 1000 0 7\n");
}

void TestCalibrationStore::malformedLine() {
    QFETCH(QByteArray, line);
    QTemporaryDir dir;
    const QString path = dir.filePath("cal.txt");
    write(path, "2 1000 0\n" + line);
    const LoadedCalibration loaded = loadCalibration(path.toStdString());
    // The error names the file and the line, so the user can fix it.
    QVERIFY2(QString::fromStdString(loaded.error).contains("cal.txt:2"), loaded.error.c_str());
}

void TestCalibrationStore::saveIntoMissingFolderFails() {
    QTemporaryDir dir;
    const std::string error =
        saveCalibration(dir.filePath("no/such/folder/cal.txt").toStdString(), CalibrationTable{});
    QVERIFY(!error.empty());
}

void TestCalibrationStore::folderIsNotAStateFile() {
    QTemporaryDir dir;
    QVERIFY(!loadCalibration(dir.path().toStdString()).error.empty());
}

QTEST_APPLESS_MAIN(TestCalibrationStore)
#include "tst_sim_calibrationstore.moc"
