// The list box and files: "从文件导入" takes what the command line's restore takes and shows it as
// a batch read would; "批量定入" refuses a list or station it cannot write before it asks, and
// stops at once on a closed port. Nothing is sent.
#include "ptywindow.h"

using namespace tr;
using namespace tr::test;

class TstCalibrationLists : public QObject {
    Q_OBJECT
private slots:
    void lists_data() {
        QTest::addColumn<QString>("button"); // Command1 imports the file, Command2 writes the list
        QTest::addColumn<QString>("contents"); // the file's or the list's; "cancel": no file chosen
        QTest::addColumn<QString>("station");  // "closed": station 1 on a closed port
        QTest::addColumn<QString>("listAfter");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *button, const char *contents, const char *station,
                            const char *listAfter, const char *message) {
            QTest::newRow(qPrintable(QString(*message ? message : contents).simplified()))
                << QString(button) << QString(contents) << QString(station) << QString(listAfter)
                << QString(message);
        };
        row("Command1", "\"2::1000--10\r\n5::0998--65535\r\n\"\r\n", "1",
            "2::1000--10\n5::998--65535\n", "");
        row("Command1", "\"8::1--2\n1::3--4\n\"\n", "1", "8::1--2\n1::3--4\n", "");
        row("Command1", "\"1::1--1\r\n2::1--1\r\n1::5--5\r\n\"\r\n", "1", "old",
            "导入失败：第3行 通道重复（第1行已有通道1）");
        row("Command1", "\"1::1--1\r\n9::1--1\r\n\"\r\n", "1", "old",
            "导入失败：第2行 通道9超出范围，应为1-8");
        row("Command1", "\"3::1--65536\r\n\"\r\n", "1", "old",
            "导入失败：第1行 偏移量65536超出范围，应为0-65535");
        row("Command1", "", "1", "old", "导入失败：第1行 文件为空");
        row("Command1", "cancel", "1", "old", "");
        row("Command2", "1::1--1\n2:1--1\n", "1", "1::1--1\n2:1--1\n",
            "批量定入失败：第2行 格式应为“通道::斜率--偏移量”");
        row("Command2", "\n", "1", "\n", "列表中没有要写入的通道");
        row("Command2", "1::1--1", "256", "1::1--1", "请输入正确的设备地址和通道，范围为0-255");
        row("Command2", "1::1--1", "0", "1::1--1",
            "设备地址0是广播地址，模块不回应，无法逐个通道校验，请输入模块的设备地址");
        row("Command2", "1::1--1", "closed", "1::1--1\n",
            "批量定入失败：第1通道 写入斜率：串口未打开\n已完成的通道：无");
    }
    void lists() {
        QFETCH(QString, button);
        QFETCH(QString, contents);
        QFETCH(QString, station);
        QFETCH(QString, listAfter);
        QFETCH(QString, message);
        PtyWindow f;
        const bool import = button == "Command1";
        const QString path = f.path("module.txt");
        QVERIFY(!import || contents == "cancel" || writeFile(path, contents.toUtf8()));
        f.files.answers << (contents == "cancel" ? std::nullopt : std::optional<QString>(path));
        f.get("txtSet")->setProperty("plainText", import ? "old" : contents);
        f.window->port().setPortOpen(station != "closed"); // closed: asked, then nothing sent
        f.get("txtAlarmValue_2")->setProperty("text", station == "closed" ? "1" : station);
        f.messages.replies << true;
        f.click(button);
        QCOMPARE(f.files.asked.value(0).initialDir, import ? f.dir.path() : QString());
        QVERIFY(f.peer.readFor(50).isEmpty()); // and a message told after the click is in
        QCOMPARE(f.shown("txtSet"), listAfter);
        QCOMPARE(f.messages.texts(), message);
        QCOMPARE(f.messages.asked.size(), station == "closed" ? 1 : 0);
    }
};

QTEST_MAIN(TstCalibrationLists)
#include "tst_calibration_lists.moc"
