// The measurement road through the real window: request fields and the frame on the wire, the
// 200 ms wait, the counter, the intervals and the data file.
#include "ptywindow.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>

using namespace tr;
using namespace tr::test;

class TstAcquisition : public QObject {
    Q_OBJECT
private slots:
    // Each row starts from "before" in both texts and two registers.
    void request_data() {
        scenarioColumns();
        const QString go = "comDoOnce", sent = "txtState=|red=11111111|msg=",
                      refused = "txtState=before|red=00000000|msg=";
        const QString range =
            refused + "请输入正确的地址、数据长度，地址和数据长度不能为0，数据长度值范围为1-21";
        scenario("2/4/0/2", "", go, "02 04 00 00 00 02 71 F8", "",
                 sent + "|txtCommand=02 04 00 00 00 02 71 F8 ");
        scenario("station 250 sent", "txtStationID=250", go, "FA 04 00 00 00 02", "", sent);
        scenario("station 251 refused", "txtStationID=251", go, "", "",
                 range + "|txtCommand=before");
        scenario("21 registers sent", "txtFunID=3|txtStartID=255|txtDataLength=21", go,
                 "02 03 00 FF 00 15", "", sent);
        scenario("22 registers refused", "txtDataLength=22", go, "", "", range);
        scenario("start 300 refused", "txtStartID=300", go, "", "", range);
        scenario("not a number", "txtStartID=1A", go, "", "",
                 refused + "请输入正确的命令，命令、地址、数据长度等都应该是十六进制数据");
        scenario("closed port sends nothing", "Combo1=#10", go, "", "",
                 sent + "|txtCommand=before");
    }
    void request() {
        PtyWindow w;
        w.set("txtCommand=before|txtState=before|txtDataLength=2");
        w.play();
    }

    // Stray bytes wait in the port, and the operator clicks again while the first click waits:
    // the stray bytes are dropped, the second click sends nothing, the answer still counts.
    void strayBytesAndSecondClick() {
        PtyWindow w;
        w.set("txtDataLength=1");
        w.window->port().setRThreshold(50); // keeps the stray bytes in the buffer
        w.peer.write(fromHex("DE AD BE EF"));
        QTRY_COMPARE(w.window->port().InBufferCount(), 4);
        QTimer::singleShot(50, [&] {
            w.click("comDoOnce");
            w.peer.write(withCrc(fromHex("02 04 02 00 EB")));
        });
        QElapsedTimer t;
        t.start();
        w.click("comDoOnce");
        QVERIFY(t.elapsed() >= 200);
        QCOMPARE(w.peer.readFor(0).size(), 8);
        QCOMPARE(w.look("txtValue_0=|red=|lamp=|txtOutPut="),
                 "txtValue_0=23.50|red=01111111|lamp=G|txtOutPut=1#:23.50 ");
    }

    void counter() {
        PtyWindow w;
        w.set("txtDataLength=1|txtTimerSet_0=100000");
        w.click("cmdOneM");
        QStringList counts{w.shown("lblCounter")};
        w.acquisition().Timer1_Timer();
        w.set("lblCounter=65535"); // wraps after 65535
        w.acquisition().Timer1_Timer();
        counts << w.shown("lblCounter");
        w.acquisition().Timer1_Timer();
        counts << w.shown("lblCounter");
        // Stopped, and before start-up has finished, a tick neither counts nor sends.
        w.click("cmdStopOnce");
        w.window->link().setCommReady(false);
        w.peer.readFor(0);
        w.acquisition().Timer1_Timer();
        QCOMPARE(counts << w.shown("lblCounter"), QStringList({"1", "65536", "1", "1"}));
        QVERIFY(!w.acquisition().Timer1().isActive() && w.peer.readFor(50).isEmpty());
    }

    void intervals_data() {
        QTest::addColumn<QString>("set");
        QTest::addColumn<QString>("timers"); // Timer1 and Timer2 ms, 0: stopped; "": refused
        QTest::newRow("defaults with storage") << "CheckSave=true"
                                               << "1000 3000";
        QTest::newRow("halves to even") << "txtTimerSet_0=2.5|txtTimerSet_1=0.0025|CheckSave=true"
                                        << "2 2";
        QTest::newRow("storage unchecked ignores its text") << "txtTimerSet_1=abc"
                                                            << "1000 0";
        QTest::newRow("longest period") << "txtTimerSet_0=2147483647"
                                        << "2147483647 0";
        QTest::newRow("period zero") << "txtTimerSet_0=0"
                                     << "";
        QTest::newRow("storage too long") << "txtTimerSet_1=2147484|CheckSave=true"
                                          << "";
    }
    void intervals() {
        QFETCH(QString, set);
        QFETCH(QString, timers);
        PtyWindow w;
        w.set("lblCounter=42|" + set);
        w.click("cmdOneM");
        const QTimer &t1 = w.acquisition().Timer1(), &t2 = w.acquisition().Timer2();
        QCOMPARE(QStringLiteral("%1 %2")
                     .arg(t1.isActive() * t1.interval())
                     .arg(t2.isActive() * t2.interval()),
                 timers.isEmpty() ? "0 0" : timers);
        QCOMPARE(w.look("lblCounter=|msg="),
                 timers.isEmpty() ? "lblCounter=42|msg=请输入正确的刷新时长和存储时间间隔"
                                  : "lblCounter=1|msg=");
    }

    // "选择文件" (cancelled, then chosen), "清空文件", a record before an answer and two after.
    void dataFile_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("written") << "%1/txt/log.txt";
        QTest::newRow("missing folder") << "%1/missing/data.txt";
        QTest::newRow("disk full") << "/dev/full";
        QTest::newRow("empty path") << "";
    }
    void dataFile() {
        QFETCH(QString, path);
        PtyWindow w;
        path = path.arg(w.dir.path());
        const bool writable = path.endsWith("log.txt");
        w.files.answers = {std::nullopt, path};
        w.click("CommandChangeFile");
        QCOMPARE(w.shown("txtFilePath"), w.path("dataGet.txt"));
        QVERIFY(QDir(w.dir.path()).mkdir("txt") && (!writable || writeFile(path, "kept")));
        w.click("CommandChangeFile");
        QCOMPARE(w.shown("txtFilePath") + (writable ? readFile(path) : ""),
                 path + (writable ? "kept" : ""));
        const FileDialog::Options &asked = w.files.asked[0];
        QVERIFY(asked.mustExist && !asked.save);
        QCOMPARE(asked.title + asked.filter + asked.initialDir + w.files.asked[1].initialDir,
                 "打开文件序列号文件 (*.txt);;所有文件（*） (*)" + w.dir.path() + w.path("txt"));

        w.click("cmdClearTxt");
        w.acquisition().Timer2_Timer();
        w.set("txtDataLength=4");
        QTimer::singleShot(
            30, [&] { w.peer.write(withCrc(fromHex("02 04 08 00 FD 01 02 FF FF FF CE"))); });
        w.click("comDoOnce");
        w.acquisition().Timer2_Timer();
        // A failure is told once for the path, and again after a success.
        w.set("txtFilePath=" + w.path("ok.txt"));
        w.acquisition().Timer2_Timer();
        w.set("txtFilePath=" + path);
        w.acquisition().Timer2_Timer();
        const QString failed = writable ? ""
                                        : "清空文件失败：%1（.+） / 数据文件写入失败：%1（.+） / "
                                          "数据文件写入失败：%1（.+）";
        QVERIFY2(QRegularExpression("^" + failed.arg(QRegularExpression::escape(path)) + "$")
                     .match(w.shown("msg"))
                     .hasMatch(),
                 qPrintable(w.shown("msg")));
        static const QRegularExpression record(
            R"(^"\d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{2}:\d{2}   (.*)   "\r$)");
        QStringList lines = QString::fromLatin1(readFile(writable ? path : "")).split('\n');
        for (QString &line : lines)
            line = record.match(line).hasMatch() ? record.match(line).captured(1) : line;
        if (writable)
            QCOMPARE(lines, (QStringList{"\"\"\r", "", "1#:25.30 2#:25.80 4#:-5.00 ",
                                         "1#:25.30 2#:25.80 4#:-5.00 ", ""}));
    }
};

QTEST_MAIN(TstAcquisition)
#include "tst_acquisition.moc"
