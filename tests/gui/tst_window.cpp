// The window as a bench operator meets it: every control as uic builds it, start-up from the
// settings files, the port box and "保存设置", the cable pulled during cyclic acquisition; the
// measurement road (request fields, the 200 ms wait, the counter, the intervals, the data file)
// and the calibration frame (requests, refusals, answers, the batch read, the export).
#include "ptywindow.h"

#include "panels/calibrationpanel.h"

#include <QDomDocument>
#include <QTabWidget>
#include <QTimer>
#include <ctime>

using namespace tr::test;

class TstWindow : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    ScriptedMessages messages_;
    ScriptedFiles files_;
    tr::frmMain designed_{tr::ToolDirs::portable(dir_.path()), messages_, files_}; // no start-up

    // Every scenario row starts alike: COM3 a second peer, COM11 a link to no device,
    // txt/data.txt holding "kept", "before" in both texts, "old" in the list, the counter at 42,
    // two registers.
    void play(const QString &first = {}) {
        PtyWindow w;
        PtyPeer com3;
        QVERIFY(com3.linkAs(w.dir.path(), 3) && QDir(w.dir.path()).mkdir("txt"));
        QVERIFY(writeFile(w.path("txt/data.txt"), "kept"));
        w.linkAbsent(11);
        if (QTest::currentDataTag() == QByteArray("unwritable comm.set"))
            QVERIFY(QFile::remove(w.path("comm.set")) && QDir(w.dir.path()).mkdir("comm.set"));
        w.set(first +
              "|txtCommand=before|txtState=before|txtSet=old|lblCounter=42|txtDataLength=2");
        w.play();
    }

private slots:
    // Every control of frmmain.ui as the operator meets it once the window has set itself up:
    // class, container, place, size and caption as the form gives them, and for screen readers
    // the name it had in the original program: Label8(0).
    void layout() {
        QFile file(TR_FORM_PATH);
        QDomDocument form;
        QVERIFY(file.open(QIODevice::ReadOnly) && form.setContent(&file));
        QStringList expected, seen;
        const QDomNodeList widgets = form.elementsByTagName("widget");
        for (int i = 0; i < widgets.size(); ++i) {
            const QDomElement e = widgets.at(i).toElement();
            const QString name = e.attribute("name"), cls = e.attribute("class");
            const QWidget *w = i == 0 ? &designed_ : control<QWidget>(designed_, name);
            const auto add = [&](const QString &what, const QString &inForm, const QString &shown) {
                expected << name + ' ' + what + ' ' + inForm;
                seen << name + ' ' + what + ' ' + shown;
            };
            const QWidget *c = w->parentWidget();
            while (c && c->objectName().startsWith("qt_")) // a tab widget's own stack
                c = c->parentWidget();
            add("in", cls + ' ' + e.parentNode().toElement().attribute("name"),
                (w->inherits(qPrintable(cls)) ? cls : w->metaObject()->className()) + ' ' +
                    (c ? c->objectName() : ""));
            if (i > 0 && !name.startsWith("tab")) // the tab pages had no name of their own
                add("described", QString(name).replace(QRegularExpression("_(\\d)$"), "(\\1)"),
                    w->accessibleDescription());
            for (QDomElement p = e.firstChildElement("property"); !p.isNull();
                 p = p.nextSiblingElement("property")) {
                const QString property = p.attribute("name");
                const QDomElement r = p.firstChildElement("rect");
                const auto at = [&](const char *f) { return r.firstChildElement(f).text(); };
                const QRect g = w->geometry();
                if (property == "geometry" && i == 0) // centred on the screen: only the size
                    add("size", at("width") + 'x' + at("height"),
                        QString::asprintf("%dx%d", g.width(), g.height()));
                else if (property == "geometry")
                    add("at", at("x") + ',' + at("y") + ' ' + at("width") + 'x' + at("height"),
                        QString::asprintf("%d,%d %dx%d", g.x(), g.y(), g.width(), g.height()));
                else if (QStringList{"text", "title", "plainText"}.contains(property) &&
                         name != "lblAbout") // the about text is the window's own
                    add(property, p.firstChildElement("string").text(),
                        w->property(qPrintable(property)).toString());
            }
        }
        QCOMPARE(seen, expected);
        QVERIFY(expected.size() > 250);
    }
    void titlesAndLamps() {
        auto *tabs = control<QTabWidget>(designed_, "SSTab1");
        // The form's three tabs first, in their order; the monitor's two after them.
        QStringList seen{designed_.windowTitle(), tabs->currentWidget()->objectName()};
        for (int i = 0; i < tabs->count(); ++i)
            seen << tabs->tabText(i) + ' ' + tabs->widget(i)->objectName();
        QCOMPARE(seen.join('|'), "TR6400多通道温度采集模块工具软件|tab1|采集与存储 tab1|参数设置 "
                                 "tab2|关于软件 tab3|趋势 tabTrend|通信 tabLine");
        QVERIFY(!control<QLabel>(designed_, "imgConnected")->pixmap().isNull());
    }

    void startup_data() {
        QTest::addColumn<QByteArray>("comm"); // null: no comm.set
        QTest::addColumn<int>("port");        // the peer's; negative: a link to no device
        QTest::addColumn<QByteArray>("modset");
        // Both boxes' texts, the port, station and length; or why start-up stopped.
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *name, const QByteArray &comm, int port,
                            const QString &outcome, const char *modset = "1,2,8,1") {
            QTest::newRow(name) << comm << port << QByteArray(modset) << outcome;
        };
        const QString comm = "无法读取设置文件 comm.set：",
                      modSet = "无法读取设置文件 ModSet.set：";
        row("COM4 opened", "4,19200\r\n", 4, "COM4 19200 COM4 open 19200 7 5", "9,7,5,3\r\n");
        // Start-up looks for the port among the first eight entries only.
        row("COM12 not looked for", "12,9600", 12, "COM4 9600 COM12 closed 9600 2 8");
        row("a rate not in the list", "3,4800", 3, "COM3 19200 COM3 open 4800 2 8");
        row("absent port", "5,19200", -5, "COM5 19200 COM5 closed 19200 2 8");
        row("38400 does not fit", "3,38400", 4, comm + "第2项超出范围（-32768～32767）");
        row("missing comm.set", QByteArray(), 4, comm + "文件不存在或无法打开");
        row("chinese digits", "四,一九二〇〇", 4, comm + "第1项不是整数");
        row("ModSet three fields", "4,19200", 4, modSet + "缺少第4项", "1,2,8");
        row("ModSet blank field", "4,19200", 4, modSet + "第2项为空", "1, ,8,1");
        row("port 0 refused", "0,19200", 4, "设置文件 comm.set 中的串口号 0 无法使用");
        row("negative baud", "4,-9600", 4, "设置文件 comm.set 中的波特率 -9600 无法使用");
    }
    void startup() {
        QFETCH(QByteArray, comm);
        QFETCH(int, port);
        QFETCH(QByteArray, modset);
        QFETCH(QString, outcome);
        const qint64 started = tr::monotonicMicros();
        PtyWindow w(comm, modset, port);
        // Settings read, port opened and the window shown within two seconds.
        QVERIFY(w.loadFailure || QTest::qWaitForWindowExposed(w.window.get()));
        QVERIFY(tr::monotonicMicros() - started < 2000000);
        QCOMPARE(w.shown("msg") + w.shown("lamp") + QString::number(w.window->link().CommReady()),
                 w.loadFailure ? "R0" : "R1");
        QStringList seen;
        for (const char *key : {"Combo1", "Combo2", "port", "txtStationID", "txtDataLength"})
            seen << w.shown(key);
        QCOMPARE(w.loadFailure.value_or(seen.join(' ')), outcome);
        // The opened device really is the peer: a byte written there reaches the port.
        if (w.window->port().PortOpen() && w.peer.write("\x01"))
            QTRY_COMPARE(w.look("txtState=|lamp="), "txtState= 01|lamp=G");
    }

    // Choosing a port switches to it; "保存设置" also writes comm.set.
    void portBox_data() {
        scenarioColumns();
        const auto row = [](const char *name, const char *set, bool save, const char *port,
                            const char *file, const QString &msg = "串口设置保存成功") {
            scenario(name, set, save ? "cmdCom" : "",
                     QStringLiteral("port=%1|comm.set=%2|msg=%3").arg(port, file, msg));
        };
        row("chosen, not saved", "Combo1=#2", false, "COM3 open 19200", "4,19200\r\n", "");
        row("COM3 at 9600 saved", "Combo1=#2|Combo2=#0", true, "COM3 open 9600", "3,9600\r\n");
        row("typed baud saves 9600", "Combo1=#2|Combo2=4800", true, "COM3 open 9600", "3,9600\r\n");
        row("typed port ignored", "Combo1=COM3", true, "COM4 open 19200", "4,19200\r\n");
        row("absent port saved", "Combo1=#10", true, "COM11 closed 19200", "11,19200\r\n");
        // comm.set is made a folder: the port is switched all the same.
        row("unwritable comm.set", "Combo2=#0", true, "COM4 open 9600", "<missing>",
            "串口设置保存失败：~/comm.set（）");
    }
    void portBox() { play(); }

    // The adapter is pulled out during cyclic acquisition and plugged back in.
    void cablePulled() {
        PtyWindow w;
        w.set("txtDataLength=1|txtTimerSet_0=250|click=cmdOneM");
        std::unique_ptr<PtyPeer> peer;
        // A new adapter as COM4, chosen in the port box, answers the next request.
        const auto plugIn = [&](const char *answer, const QString &shown) {
            peer = std::make_unique<PtyPeer>();
            QVERIFY(peer->linkAs(w.dir.path(), 4));
            w.set("Combo1=#3");
            peer->readFor(1000, 8);
            peer->write(withCrc(fromHex(answer)));
            QTRY_COMPARE(w.look("txtValue_0=|lamp="), "txtValue_0=" + shown + "|lamp=G");
        };
        plugIn("02 04 02 00 EB", "23.50");
        // A silent module, then none: asleep in the 200 ms waits and after, not spinning.
        const auto cpuInASecond = [] {
            const std::clock_t before = std::clock();
            QTest::qWait(1000);
            return double(std::clock() - before) / CLOCKS_PER_SEC;
        };
        QVERIFY(cpuInASecond() < 0.2);
        peer.reset(); // the device disappears
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->port().PortOpen(), 3000);
        const int countAtLoss = w.shown("lblCounter").toInt();
        QVERIFY(cpuInASecond() < 0.2);
        // Still counting; the value stale, the red lamp, no message.
        QVERIFY(w.shown("lblCounter").toInt() >= countAtLoss + 3);
        QCOMPARE(w.look("txtValue_0=|red=|lamp=|msg="),
                 "txtValue_0=23.50|red=11111111|lamp=R|msg=");
        plugIn("02 04 02 FF 97", "-10.50"); // back under the same name
    }

    // "单次采集".
    void request_data() {
        scenarioColumns();
        const auto row = [](const char *name, const char *set, const QString &frame,
                            const QString &see) {
            scenario(name, set, "comDoOnce" + (frame.isEmpty() ? "" : " > " + frame), see);
        };
        const QString sent = "txtState=|red=11111111|msg=",
                      refused = "txtState=before|red=00000000|msg=";
        const QString range =
            refused + "请输入正确的地址、数据长度，地址和数据长度不能为0，数据长度值范围为1-21";
        row("2/4/0/2", "", "02 04 00 00 00 02 71 F8", sent);
        row("station 250 sent", "txtStationID=250", "FA 04 00 00 00 02", sent);
        row("station 251 refused", "txtStationID=251", "", range + "|txtCommand=before");
        row("length 21 sent", "txtStartID=255|txtDataLength=21", "02 04 00 FF 00 15", sent);
        row("length 22 refused", "txtDataLength=22", "", range);
        row("start 300 refused", "txtStartID=300", "", range);
        row("not a number", "txtStartID=1A", "",
            refused + "请输入正确的命令，命令、地址、数据长度等都应该是十六进制数据");
        row("closed port", "Combo1=#10", "", sent + "|txtCommand=before");
    }
    void request() { play(); }

    // Stray bytes wait in the port and the operator clicks again while the first click waits:
    // the stray bytes are dropped, the second click sends nothing, the answer counts. An answer
    // split by the end of the wait is lost. Then the counter: it wraps after 65535; stopped, and
    // before start-up has finished, a tick neither counts nor sends.
    void waitAndCounter() {
        PtyWindow w;
        w.set("txtDataLength=1|txtTimerSet_0=100000");
        w.window->port().setRThreshold(50); // keeps the stray bytes in the buffer
        QVERIFY(w.peer.write(fromHex("DE AD BE EF")));
        QTRY_COMPARE(w.window->port().InBufferCount(), 4);
        QTimer::singleShot(
            50, [&] { w.peer.write(withCrc(fromHex("02 04 02 00 EB"))), w.click("comDoOnce"); });
        const qint64 clicked = tr::monotonicMicros();
        w.click("comDoOnce");
        QVERIFY(tr::monotonicMicros() - clicked >= 200000);
        QCOMPARE(w.peer.readFor(0).size(), 8);
        QCOMPARE(w.shown("txtValue_0"), "23.50");
        // Half an answer in the wait, the rest after it: dropped when the wait ends.
        QTimer::singleShot(50, [&] { w.peer.write(withCrc(fromHex("02 04 02 FF 97")).left(4)); });
        w.click("comDoOnce");
        w.peer.write(withCrc(fromHex("02 04 02 FF 97")).mid(4));
        QTest::qWait(100);
        QCOMPARE(w.look("txtValue_0=|txtState="), "txtValue_0=23.50|txtState=");
        w.set("click=cmdOneM|lblCounter=65535");
        w.acquisition().cyclicTick();
        QString counted;
        // Each tick's read runs after it; a tick while that read waits counts and sends nothing.
        QTimer::singleShot(50,
                           [&] { counted = w.shown("lblCounter"), w.acquisition().cyclicTick(); });
        QTest::qWait(300);
        w.set("click=cmdStopOnce");
        w.window->link().setCommReady(false);
        w.acquisition().cyclicTick();
        QCOMPARE(counted + ' ' + w.look("lblCounter=|timers="), "65536 lblCounter=1|timers=0 0");
        QCOMPARE(w.peer.readFor(50).size(), 16);
        // A read still queued when acquisition restarts or stops is not sent.
        w.window->link().setCommReady(true);
        for (const char *again : {"cmdOneM", "cmdStopOnce"}) {
            w.set("click=cmdOneM");
            w.acquisition().cyclicTick();
            w.click(again);
            QCOMPARE(w.peer.readFor(100).size(), 0);
        }
    }

    // "循环采集".
    void intervals_data() {
        scenarioColumns();
        const QString store = "CheckSave=1|", started = "lblCounter=1|msg=|timers=";
        const QString refused = "lblCounter=42|timers=0 0|msg=请输入正确的刷新时长和存储时间间隔";
        scenario("defaults, with storage", store, "cmdOneM", started + "1000 3000");
        scenario("halves to even", store + "txtTimerSet_0=100000.5|txtTimerSet_1=0.0025", "cmdOneM",
                 started + "100000 2");
        scenario("storage unchecked", "txtTimerSet_1=abc", "cmdOneM", started + "1000 0");
        scenario("period zero", "txtTimerSet_0=0", "cmdOneM", refused);
        scenario("storage too long", store + "txtTimerSet_1=2147484", "cmdOneM", refused);
    }
    void intervals() { play(); }

    // "选择文件" (cancelled while there is no txt folder, then chosen), "清空文件", a record
    // before an answer and one after; a failing file is told once.
    void dataFile_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("written") << "~/txt/log.txt";
        QTest::newRow("missing folder") << "~/missing/data.txt";
        QTest::newRow("disk full") << "/dev/full";
    }
    void dataFile() {
        QFETCH(QString, path);
        PtyWindow w;
        w.set("dialog=|dialog=" + path + "|txtDataLength=4");
        w.click("CommandChangeFile");
        const QString dialog = "|dialog=打开文件 序列号文件 (*.txt) (*.txt);;所有文件（*） (*) ~";
        QCOMPARE(w.look("txtFilePath=|dialog="), "txtFilePath=~/dataGet.txt" + dialog + " 001");
        QVERIFY(QDir(w.dir.path()).mkdir("txt"));
        w.click("CommandChangeFile");
        QCOMPARE(w.look("txtFilePath=|dialog="), "txtFilePath=" + path + dialog + "/txt 001");
        w.click("cmdClearTxt");
        w.acquisition().logReading();
        QTimer::singleShot(
            30, [&] { w.peer.write(withCrc(fromHex("02 04 08 00 FD 01 02 FF FF FF CE"))); });
        w.click("comDoOnce");
        w.acquisition().logReading();
        const bool written = path.endsWith("log.txt");
        const QString failed =
            QStringLiteral("清空文件失败：%1（） / 数据文件写入失败：%1（）").arg(path);
        QCOMPARE(w.shown("msg"), written ? "" : failed);
        const QRegularExpression when(R"(\d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{2}:\d{2})");
        if (written)
            QCOMPARE(w.shown("txt/log.txt").replace(when, "T"),
                     "\"\"\r\n\"T      \"\r\n\"T   1#:25.30 2#:25.80 4#:-5.00    \"\r\n");
    }

    // Calibration with logging on. The entries: slope, offset, station, channel.
    void calibration_data() {
        scenarioColumns();
        const QString read = "cmdReadAlarm", slope = "CmdWriteAlarmValue", offset = "Command5";
        const QString
            e = "txtAlarmValue_*=",
            no = "txtCommand=before|txtState=before|txtSet=old|lamp=R|timers=100000 3000|msg=";
        const QString address = no + "请输入正确的设备地址和通道，范围为0-255",
                      value = no + "请输入正确的参数值，范围为0-65535";
        // A request stops logging.
        scenario("read", e + "0,0,1,1", read + " > 01 42 00 00 02 01 B9 65 < 01 42 E8 03 0A 00",
                 e + "1000,10,1,1|txtSet=1::1000--10\n|lamp=G|timers=100000 0|msg=");
        scenario("write slope", e + "1000,0,1,1",
                 slope + " > 01 42 01 E8 03 01 39 3D < 01 42 01 E9 03 01", e + "1001,0,1,1");
        // Only the written value is checked: a bad entry in the other box does not stop it.
        scenario("write offset, bad slope", e + "-1,0,1,1",
                 offset + " > 01 42 02 00 00 01 B9 BD < 01 42 02 40 9C 01", e + "-1,40000,1,1");
        scenario("read, closed port", "Combo1=#10", read,
                 "txtCommand=01 42 00 00 02 01 B9 65 |txtState=|lamp=R");
        scenario("read: station abc", e + "5,5,abc,1", read, e + "5,5,abc,1|" + address);
        scenario("slope 65536", e + "65536,5,1,1", slope, value);
        scenario("station checked before value", e + "x,5,x,1", slope, address);
        scenario("batch: station 256", e + "5,5,256,4", "cmdReadAll", e + "5,5,256,4|" + address);
    }
    void calibration() { play("txtTimerSet_0=100000|CheckSave=true|click=cmdOneM"); }

    // "批量读出" reads channel 1 at once and the next one at every 2 s tick; the operator may
    // steer it through the entries: `edit` is "<after so many answers>:<control>=<text>".
    void batch_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QList<int>>("asked");
        QTest::addColumn<QString>("channel"); // the channel entry at the end
        const auto row = [](const char *name, const char *edit, const QList<int> &asked,
                            const char *channel) {
            QTest::newRow(name) << QString(edit) << asked << QString(channel);
        };
        row("all eight", "", {1, 2, 3, 4, 5, 6, 7, 8}, "8");
        row("channel to 5 after 2", "2:txtAlarmValue_3=5", {1, 2, 6, 7, 8}, "8");
        // No more answers: every channel is asked all the same.
        row("port closed after 1", "1:Combo1=#10", {1}, "8");
    }
    void batch() {
        QFETCH(QString, edit);
        QFETCH(QList<int>, asked);
        QFETCH(QString, channel);
        PtyWindow w;
        w.set("txtSet=old|txtAlarmValue_3=5");
        const int after = edit.section(':', 0, 0).toInt();
        const QTimer &timer = w.window->calibration().batchReadTimer();
        w.click("cmdReadAll");
        QCOMPARE(timer.interval(), 2000);
        // Plays the module, answering every request; each tick comes at once, not 2 s later.
        QList<int> heard;
        QString list;
        for (; timer.isActive(); w.window->calibration().batchReadTick()) {
            const QByteArray request = w.peer.readFor(100, 8);
            if (request.size() < 8)
                continue;
            const int ch = quint8(request[5]), slope = 1000 + ch, offset = 3 * ch;
            const char answer[] = {1, 0x42, char(slope), char(slope >> 8), char(offset), 0};
            QVERIFY(w.peer.write(withCrc(QByteArray(answer, 6))));
            list += QStringLiteral("%1::%2--%3\n").arg(ch).arg(slope).arg(offset);
            QTRY_COMPARE(w.shown("txtSet"), list);
            if ((heard << ch).size() == after)
                w.set(edit.section(':', 1));
        }
        QCOMPARE(heard, asked);
        QCOMPARE(w.look("txtSet=|txtAlarmValue_3=|msg="),
                 "txtSet=" + list + "|txtAlarmValue_3=" + channel + "|msg=");
    }

    // "存储成文件": what the list box shows is saved, the operator's own edits included.
    void exportList_data() {
        scenarioColumns();
        const QString list = "txtSet=1::5--5\n2::6--6 edited|dialog=", save = "cmdSaveFile";
        const QString kept = "|dialog=保存文件 txt (*.txt) ~/txt 110|txt/data.txt=kept";
        scenario("saved", list + "txt/data.txt", save,
                 "msg=" + QString(kept).replace("kept", "\"1::5--5\r\n2::6--6 edited\"\r\n"));
        scenario("cancelled", list, save, "msg=" + kept);
        scenario("folder missing", list + "missing/data", save,
                 "msg=文件保存失败：~/missing/data.txt（）" + kept);
    }
    void exportList() { play(); }
};

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
