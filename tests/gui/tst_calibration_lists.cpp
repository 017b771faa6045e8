// "从文件导入": a file the command line's restore would take fills the list as a batch read of
// those channels shows it; any other file, or Cancel, changes nothing. "批量定入" refuses a list
// or station it cannot write before it asks, and sends nothing.
#include "windowfixture.h"

using namespace tr;
using namespace tr::test;

class TstCalibrationLists : public QObject {
    Q_OBJECT
private slots:
    void import_data() {
        QTest::addColumn<QByteArray>("file"); // null: the dialog is cancelled
        QTest::addColumn<QString>("list");    // the list box afterwards
        QTest::addColumn<QString>("message");
        QTest::newRow("CR LF, leading zeros")
            << QByteArray("\"2::1000--10\r\n5::0998--65535\r\n\"\r\n")
            << "2::1000--10\n5::998--65535\n"
            << "";
        QTest::newRow("LF, any order")
            << QByteArray("\"8::1--2\n1::3--4\n\"\n") << "8::1--2\n1::3--4\n"
            << "";
        QTest::newRow("duplicate channel")
            << QByteArray("\"1::1--1\r\n2::1--1\r\n1::5--5\r\n\"\r\n") << "old"
            << "导入失败：第3行 通道重复（第1行已有通道1）";
        QTest::newRow("channel 9") << QByteArray("\"1::1--1\r\n9::1--1\r\n\"\r\n") << "old"
                                   << "导入失败：第2行 通道9超出范围，应为1-8";
        QTest::newRow("value 65536") << QByteArray("\"3::1--65536\r\n\"\r\n") << "old"
                                     << "导入失败：第1行 偏移量65536超出范围，应为0-65535";
        QTest::newRow("empty file") << QByteArray("") << "old"
                                    << "导入失败：第1行 文件为空";
        QTest::newRow("cancel") << QByteArray() << "old"
                                << "";
    }
    void import() {
        QFETCH(QByteArray, file);
        QFETCH(QString, list);
        QFETCH(QString, message);
        WindowFixture f;
        const QString path = f.path("module.txt");
        QVERIFY(file.isNull() || writeFile(path, file));
        f.files.answers << (file.isNull() ? std::nullopt : std::optional<QString>(path));
        f.ui().txtSet->setPlainText("old");
        f.peer.drain();

        f.ui().Command1->click();

        QCOMPARE(f.files.asked.size(), 1);
        QCOMPARE(f.files.asked[0].filter, QStringLiteral("txt (*.txt)"));
        QCOMPARE(f.files.asked[0].initialDir, f.dir.path());
        QVERIFY(f.files.asked[0].mustExist && !f.files.asked[0].save);
        QCOMPARE(f.ui().txtSet->toPlainText(), list);
        QCOMPARE(f.messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        for (const auto &m : f.messages.shown)
            QCOMPARE(m.caption, QStringLiteral("系统提示"));
        QVERIFY(f.peer.readFor(50).isEmpty());
        if (list == "old")
            return;
        // Saved again, the list is the file an export of those channels writes.
        f.files.answers << f.path("again.txt");
        f.ui().cmdSaveFile->click();
        QCOMPARE(readFile(f.path("again.txt")),
                 "\"" + list.replace("\n", "\r\n").toLatin1() + "\"\r\n");
    }

    void batchWriteRefusals_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad line") << "1::1--1\n2:1--1\n"
                                  << "1"
                                  << "批量定入失败：第2行 格式应为“通道::斜率--偏移量”";
        QTest::newRow("channel twice") << "4::1--1\n4::2--2"
                                       << "1"
                                       << "批量定入失败：第2行 通道重复（第1行已有通道4）";
        QTest::newRow("empty list") << "\n"
                                    << "1"
                                    << "列表中没有要写入的通道";
        QTest::newRow("station 256") << "1::1--1"
                                     << "256"
                                     << "请输入正确的设备地址和通道，范围为0-255";
        QTest::newRow("station 0, a broadcast")
            << "1::1--1"
            << "0"
            << "设备地址0是广播地址，模块不回应，无法逐个通道校验，请输入模块的设备地址";
    }
    void batchWriteRefusals() {
        QFETCH(QString, list);
        QFETCH(QString, station);
        QFETCH(QString, message);
        WindowFixture f;
        f.ui().txtSet->setPlainText(list);
        f.controls->txtAlarmValue[2]->setText(station);
        f.messages.replies << true;
        f.peer.drain();
        f.ui().Command2->click();
        QCOMPARE(f.messages.texts(), QStringList{message});
        QVERIFY(f.messages.asked.isEmpty());
        QVERIFY(f.peer.readFor(100).isEmpty());
        QCOMPARE(f.ui().txtSet->toPlainText(), list);
    }
};

QTEST_MAIN(TstCalibrationLists)
#include "tst_calibration_lists.moc"
