// The calibration frame of the real window, its port on a pseudo-terminal whose far end the
// test plays: requests on the wire, refusals, answers, the batch read and the export.
#include "ptywindow.h"

#include "panels/calibrationpanel.h"

using namespace tr;
using namespace tr::test;

namespace {

// The entries "slope|offset|station|channel" as controls to set or look at.
QString entries(const QString &slopeOffsetStationChannel) {
    const QStringList e = slopeOffsetStationChannel.split('|');
    return QStringLiteral(
               "txtAlarmValue_0=%1|txtAlarmValue_1=%2|txtAlarmValue_2=%3|txtAlarmValue_3=%4")
        .arg(e[0], e[1], e[2], e[3]);
}

} // namespace

class TstCalibration : public QObject {
    Q_OBJECT
private slots:
    // Each row starts with logging on, "before" in both texts and "old" in the list.
    void requests_data() {
        scenarioColumns();
        const QString read = "cmdReadAlarm", slope = "CmdWriteAlarmValue", offset = "Command5";
        const QString refused = "txtCommand=before|txtState=before|txtSet=old|lamp=R|msg=";
        const QString address = refused + "请输入正确的设备地址和通道，范围为0-255";
        const QString value = refused + "请输入正确的参数值，范围为0-65535";
        scenario("read", entries("0|0|1|1"), read, "01 42 00 00 02 01 B9 65", "01 42 E8 03 0A 00",
                 entries("1000|10|1|1") + "|txtSet=1::1000--10\n|lamp=G|msg=");
        scenario("read, function 0x43", entries("7|8|1|2"), read, "01 42 00 00 02 02",
                 "01 43 E8 03 0A 00", entries("7|8|1|2") + "|txtSet=2::7--8\n");
        scenario("write slope", entries("1000|0|1|1"), slope, "01 42 01 E8 03 01 39 3D",
                 "01 42 01 E9 03 01", entries("1001|0|1|1") + "|txtSet=old");
        scenario("write offset", entries("0|0|1|1"), offset, "01 42 02 00 00 01 B9 BD",
                 "01 42 02 40 9C 01", entries("0|40000|1|1"));
        scenario("echo, function 0xC2", entries("7|8|1|1"), slope, "01 42 01 07 00 01",
                 "01 C2 01 E9 03 01", entries("7|8|1|1"));
        // Only the written value is checked: a bad entry in the other box does not stop it.
        scenario("offset, bad slope entry", entries("-1|0|1.5|0.5"), offset,
                 "02 42 02 00 00 00 78 4E", "", "txtState=|lamp=G");
        scenario("read, closed port", "Combo1=#10", read, "", "",
                 "txtCommand=01 42 00 00 02 01 B9 65 |txtState=|lamp=R");
        scenario("read: station abc", entries("5|5|abc|1"), read, "", "",
                 entries("5|5|abc|1") + '|' + address);
        scenario("read: channel 256", entries("5|5|1|256"), read, "", "", address);
        scenario("slope 65536", entries("65536|5|1|1"), slope, "", "", value);
        scenario("offset -0.6", entries("5|-0.6|1|1"), offset, "", "", value);
        scenario("station before value", entries("x|5|x|1"), slope, "", "", address);
        scenario("batch: station 256", entries("5|5|256|4"), "cmdReadAll", "", "",
                 entries("5|5|256|4") + '|' + address);
    }
    void requests() {
        PtyWindow w;
        w.set("txtTimerSet_0=100000|CheckSave=true|txtCommand=before|txtState=before|txtSet=old");
        w.click("cmdOneM");
        w.play();
        // A request stops logging; a refusal leaves it running.
        QCOMPARE(w.acquisition().Timer2().isActive(), w.shown("msg").startsWith("请输入"));
    }

    // The batch reads channel 1 at once and the next at every 2 s tick, while the operator may
    // steer it through the entries: `edit` is "<after this many answers>:<control>=<text>".
    void batch_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("silent"); // the channel the module does not answer
        QTest::addColumn<QList<int>>("asked");
        QTest::addColumn<QString>("channel"); // the channel entry at the end
        QTest::newRow("all eight") << "" << 0 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << "8";
        QTest::newRow("channel to 5 after 2")
            << "2:txtAlarmValue_3=5" << 0 << QList<int>{1, 2, 6, 7, 8} << "8";
        QTest::newRow("channel to abc after 4")
            << "4:txtAlarmValue_3=abc" << 0 << QList<int>{1, 2, 3, 4} << "abc";
        QTest::newRow("station to abc after 3")
            << "3:txtAlarmValue_2=abc" << 0 << QList<int>{1, 2, 3} << "3";
        QTest::newRow("silent channel 4 skipped")
            << "" << 4 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << "8";
        QTest::newRow("closed port") << "0:Combo1=#10" << 0 << QList<int>{} << "8";
    }
    void batch() {
        QFETCH(QString, edit);
        QFETCH(int, silent);
        QFETCH(QList<int>, asked);
        QFETCH(QString, channel);
        PtyWindow w;
        w.set("txtSet=old|txtAlarmValue_3=5");
        int answered = 0;
        const auto steer = [&] {
            if (answered++ == edit.section(':', 0, 0).toInt())
                w.set(edit.section(':', 1));
        };
        steer();
        connect(&w.window->link(), &Link::parametersRead, this, steer);
        const QTimer &timer = w.window->calibration().Timer3();
        w.click("cmdReadAll");
        QCOMPARE(timer.interval(), 2000);
        // Plays the module, answering all but the silent channel; each tick comes at once.
        QList<int> heard;
        QString list;
        while (timer.isActive()) {
            if (const QByteArray request = w.peer.readFor(100, 8); request.size() == 8) {
                const int ch = quint8(request[5]), slope = 1000 + ch, offset = 3 * ch;
                if ((heard << ch).last() != silent) {
                    const char answer[] = {1, 0x42, char(slope), char(slope >> 8), char(offset), 0};
                    w.peer.write(withCrc(QByteArray(answer, 6)));
                    list += QStringLiteral("%1::%2--%3\n").arg(ch).arg(slope).arg(offset);
                    QTRY_COMPARE(w.shown("txtSet"), list);
                }
            }
            w.window->calibration().Timer3_Timer();
        }
        QCOMPARE(heard, asked);
        QCOMPARE(w.look("txtSet=|txtAlarmValue_3=|msg="),
                 "txtSet=" + list + "|txtAlarmValue_3=" + channel + "|msg=");
    }

    void exportList_data() {
        QTest::addColumn<QString>("chosen");  // null: cancelled
        QTest::addColumn<QByteArray>("file"); // txt/data.txt afterwards
        QTest::addColumn<QString>("message"); // %1: the program folder
        QTest::newRow("saved, .txt added")
            << "txt/data" << QByteArray("\"1::5--5\r\n2::6--6 edited\"\r\n") << "";
        QTest::newRow("cancelled") << QString() << QByteArray("kept") << "";
        QTest::newRow("folder missing")
            << "missing/data" << QByteArray("kept") << "文件保存失败：%1/missing/data.txt（";
    }
    void exportList() {
        QFETCH(QString, chosen);
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        PtyWindow w;
        QVERIFY(QDir(w.dir.path()).mkdir("txt") && writeFile(w.path("txt/data.txt"), "kept"));
        // What the list box shows is saved, the operator's own edits included.
        w.set("txtSet=1::5--5\n2::6--6 edited");
        w.files.answers = {chosen.isNull() ? std::nullopt : std::optional(w.path(chosen))};
        w.click("cmdSaveFile");
        const FileDialog::Options &o = w.files.asked.value(0);
        QVERIFY(o.save && o.confirmOverwrite && !o.mustExist);
        QCOMPARE(o.title + o.filter + o.initialDir, "保存文件txt (*.txt)" + w.path("txt"));
        QCOMPARE(readFile(w.path("txt/data.txt")), file);
        QCOMPARE(w.shown("msg").left(message.arg(w.dir.path()).size()) + "|" +
                     QString::number(w.shown("msg").isEmpty()),
                 message.arg(w.dir.path()) + "|" + QString::number(message.isEmpty()));
    }
};

QTEST_MAIN(TstCalibration)
#include "tst_calibration.moc"
