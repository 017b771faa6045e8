// The window as a bench operator meets it: every control as uic builds it, start-up from the
// settings files (hand-edited ones too), the port box and "保存设置", and the cable pulled in
// the middle of cyclic acquisition.
#include "ptywindow.h"

#include "panels/portpanel.h"
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTabWidget>
#include <ctime>

using namespace tr;
using namespace tr::test;

namespace {

double cpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

class TstWindow : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    ScriptedMessages messages_;
    ScriptedFiles files_;
    frmMain designed_{ToolDirs::portable(dir_.path()), messages_, files_}; // no start-up
private slots:
    // Each row: object name, class, container, then the caption or text (none: "").
    void layout_data() {
        QTest::addColumn<QString>("row");
        for (const char *row : {"SSTab1 QTabWidget frmMain",
                                "Frame10 QGroupBox tab1 MODBUS设置",
                                "Label8_0 QLabel Frame10 设备地址",
                                "txtStationID QLineEdit Frame10 2",
                                "Label8_1 QLabel Frame10 超始地址",
                                "txtStartID QLineEdit Frame10 0",
                                "Label8_3 QLabel Frame10 功 能 码",
                                "txtFunID QLineEdit Frame10 4",
                                "Label8_2 QLabel Frame10 数据长度",
                                "txtDataLength QLineEdit Frame10 2",
                                "Frame6 QGroupBox tab1 运行状态指示",
                                "Picture2 QWidget Frame6",
                                "imgConnected QLabel Picture2",
                                "ImgYellow QLabel Picture2",
                                "imgNotConnected QLabel Picture2",
                                "lblCounter QLabel Frame6 0",
                                "Frame2 QGroupBox tab1 温度数据",
                                "txtOutPut QLineEdit tab1",
                                "Label1 QLabel tab1 存储文件",
                                "txtFilePath QLineEdit tab1",
                                "CommandChangeFile QPushButton tab1 选择文件",
                                "cmdClearTxt QPushButton tab1 清空文件",
                                "Frame11 QGroupBox tab1 数据读出",
                                "Label8_4 QLabel Frame11 刷新时长(ms)",
                                "txtTimerSet_0 QLineEdit Frame11 1000",
                                "CheckSave QCheckBox Frame11 存储数据",
                                "Label8_5 QLabel Frame11 存储时间间隔",
                                "txtTimerSet_1 QLineEdit Frame11 3",
                                "Label8_6 QLabel Frame11 s",
                                "comDoOnce QPushButton Frame11 单次采集",
                                "cmdOneM QPushButton Frame11 循环采集",
                                "cmdStopOnce QPushButton Frame11 停止采集",
                                "Frame5 QGroupBox tab2 串口设置",
                                "Label3 QLabel Frame5 串口号",
                                "Combo1 QComboBox Frame5",
                                "Label5_2 QLabel Frame5 波特率",
                                "Combo2 QComboBox Frame5",
                                "cmdCom QPushButton Frame5 保存设置",
                                "frame3 QGroupBox tab2 校正参数读取与写入",
                                "lblAlarm_3 QLabel frame3 设备地址",
                                "txtAlarmValue_2 QLineEdit frame3 1",
                                "lblAlarm_2 QLabel frame3 通道",
                                "txtAlarmValue_3 QLineEdit frame3 1",
                                "lblAlarm_0 QLabel frame3 斜率",
                                "txtAlarmValue_0 QLineEdit frame3 0",
                                "lblAlarm_1 QLabel frame3 偏移量",
                                "txtAlarmValue_1 QLineEdit frame3 0",
                                "cmdReadAlarm QPushButton frame3 读参数",
                                "CmdWriteAlarmValue QPushButton frame3 写斜率",
                                "Command5 QPushButton frame3 写偏移量",
                                "Frame4 QGroupBox frame3 文件批量操作",
                                "txtSet QPlainTextEdit Frame4",
                                "cmdReadAll QPushButton frame3 批量读出",
                                "cmdSaveFile QPushButton frame3 存储成文件",
                                "Command1 QPushButton frame3 从文件导入",
                                "Command2 QPushButton frame3 批量定入",
                                "Frame1 QGroupBox frmMain 命令执行状态",
                                "Label7 QLabel Frame1 发送命令:",
                                "txtCommand QLineEdit Frame1",
                                "txtState QPlainTextEdit Frame1"})
            QTest::newRow(QByteArray(row).split(' ')[0]) << QString(row);
        for (int k = 0; k < 8; ++k) {
            for (const char *pattern :
                 {"lblValue_%1 QLabel Frame2 %2#", "txtValue_%1 QLineEdit Frame2 0",
                  "lblDanWei_%1 QLabel Frame2 ℃"}) {
                const QString row = QString(pattern)
                                        .replace("%1", QString::number(k))
                                        .replace("%2", QString::number(k + 1));
                QTest::newRow(qPrintable(row.section(' ', 0, 0))) << row;
            }
        }
    }
    void layout() {
        QFETCH(QString, row);
        const QString name = row.section(' ', 0, 0);
        const QList<QWidget *> found = designed_.findChildren<QWidget *>(name);
        QCOMPARE(found.size(), 1);
        const QWidget *w = found[0];
        QString text;
        for (const char *property : {"title", "plainText", "text"})
            text = w->property(property).isValid() ? w->property(property).toString() : text;
        QCOMPARE(
            QStringList({name, w->metaObject()->className(), w->parentWidget()->objectName(), text})
                .join(' ')
                .trimmed(),
            row);
        // Screen readers get the name the control had in the original program: Label8(0).
        QCOMPARE(w->accessibleDescription(),
                 QString(name).replace(QRegularExpression("_(\\d)$"), "(\\1)"));
        // The value row is set in 12 point SimSun; everything else keeps the default font.
        if (QRegularExpression("^(txtValue|lblValue|lblDanWei)_").match(name).hasMatch())
            QVERIFY(w->font().family() == "宋体" && w->font().pointSize() == 12 &&
                    w->font().weight() == QFont::Normal && !w->font().italic());
        else
            QVERIFY(!w->testAttribute(Qt::WA_SetFont));
    }
    void titlesAndLamps() {
        auto *tabs = control<QTabWidget>(designed_, "SSTab1");
        QCOMPARE(QStringList({designed_.windowTitle(), tabs->tabText(0), tabs->tabText(1),
                              tabs->tabText(2), tabs->currentWidget()->objectName()})
                     .join('|'),
                 "TR6400多通道温度采集模块工具软件|采集与存储|参数设置|关于软件|tab1");
        QVERIFY(!control<QLabel>(designed_, "imgConnected")->pixmap().isNull());
    }

    void startup_data() {
        QTest::addColumn<QByteArray>("comm"); // null: no comm.set
        QTest::addColumn<QByteArray>("modset");
        QTest::addColumn<int>(
            "port"); // the peer's; negative: a link to a device that does not exist
        // Selected entries and texts of both boxes, then the port; or why start-up stopped.
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *name, const QByteArray &comm, const char *modset, int port,
                            const QString &outcome) {
            QTest::newRow(name) << comm << QByteArray(modset) << port << outcome;
        };
        const char *mod = "1,2,8,1\r\n";
        const QString unreadable = "无法读取设置文件 ";
        row("COM4 opened, station and length from ModSet", "4,19200\r\n", "9,7,5,3\r\n", 4,
            "3 COM4 1 19200 COM4 open 19200,N,8,1");
        // Start-up looks for the port among the first eight entries only.
        row("COM12 configured, not opened", "12,9600\r\n", mod, 12,
            "-1 COM4 0 9600 COM12 closed 9600,N,8,1");
        row("a rate not in the list", "3,4800\r\n", mod, 3, "2 COM3 -1 19200 COM3 open 4800,N,8,1");
        row("absent port starts closed", "5,19200\r\n", mod, -5,
            "4 COM5 1 19200 COM5 closed 19200,N,8,1");
        row("38400 does not fit", "3,38400\r\n", mod, 4,
            unreadable + "comm.set：第2项超出范围（-32768～32767）");
        row("1 MB of digits", QByteArray(1 << 20, '7'), mod, 4,
            unreadable + "comm.set：第1项超出范围（-32768～32767）");
        row("missing comm.set", QByteArray(), mod, 4,
            unreadable + "comm.set：文件不存在或无法打开");
        row("chinese digits", "四,一九二〇〇", mod, 4, unreadable + "comm.set：第1项不是整数");
        row("ModSet three fields", "4,19200", "1,2,8", 4, unreadable + "ModSet.set：缺少第4项");
        row("ModSet blank second field", "4,19200", "1, ,8,1", 4,
            unreadable + "ModSet.set：第2项为空");
        row("port 0 refused by the port", "0,19200", mod, 4,
            "设置文件 comm.set 中的串口号 0 无法使用");
        row("negative baud refused", "4,-9600", mod, 4,
            "设置文件 comm.set 中的波特率 -9600 无法使用");
    }
    void startup() {
        QFETCH(QByteArray, comm);
        QFETCH(QByteArray, modset);
        QFETCH(int, port);
        QFETCH(QString, outcome);
        QElapsedTimer t;
        t.start();
        PtyWindow w(comm, modset, port);
        QVERIFY(w.loadFailure || QTest::qWaitForWindowExposed(w.window.get()));
        // Settings read, port opened and the window shown within two seconds, even for 1 MB.
        QVERIFY(t.elapsed() < 2000);
        QCOMPARE(w.shown("msg"), "");
        QCOMPARE(w.window->link().CommReady(), !w.loadFailure);
        if (w.loadFailure) {
            QCOMPARE(*w.loadFailure + w.shown("port").section(' ', 1, 1), outcome + "closed");
            return;
        }
        PortPanel &ports = w.window->ports();
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 ")
                         .arg(ports.selectedPort())
                         .arg(w.shown("Combo1"))
                         .arg(ports.selectedBaud())
                         .arg(w.shown("Combo2")) +
                     w.shown("port"),
                 outcome);
        const QList<QByteArray> mod = modset.split(',');
        QCOMPARE(w.look("txtStationID=|txtDataLength=|txtFilePath=|lamp="),
                 "txtStationID=" + mod[1] + "|txtDataLength=" + mod[2] +
                     "|txtFilePath=" + w.path("dataGet.txt") + "|lamp=R");
        // The opened device really is the peer: a byte written there reaches the port.
        if (w.window->port().PortOpen()) {
            w.peer.write("\x01");
            QTRY_COMPARE(w.look("txtState=|lamp="), "txtState= 01|lamp=G");
        }
    }

    // Choosing a port switches to it; "保存设置" also writes comm.set. COM3 is a second peer,
    // COM11 a link to no device.
    void portBox_data() {
        scenarioColumns();
        const QString saved = "|msg=串口设置保存成功";
        scenario("choosing COM3 does not save", "Combo1=#2", "", "", "",
                 "port=COM3 open 19200,N,8,1|comm.set=4,19200\r\n|msg=");
        scenario("COM3 at 9600 saved", "Combo1=#2|Combo2=#0", "cmdCom", "", "",
                 "port=COM3 open 9600,N,8,1|comm.set=3,9600\r\n" + saved);
        scenario("typed baud saves 9600", "Combo1=#2|Combo2=4800", "cmdCom", "", "",
                 "port=COM3 open 9600,N,8,1|comm.set=3,9600\r\n" + saved);
        scenario("typed port name selects nothing", "Combo1=COM3", "cmdCom", "", "",
                 "port=COM4 open 19200,N,8,1|comm.set=4,19200\r\n" + saved);
        scenario("absent port still saved", "Combo1=#10", "cmdCom", "", "",
                 "port=COM11 closed 19200,N,8,1|comm.set=11,19200\r\n" + saved);
    }
    void portBox() {
        PtyWindow w;
        PtyPeer com3;
        QVERIFY(com3.linkAs(w.dir.path(), 3));
        w.linkAbsent(11);
        w.play();
    }

    void unwritableSettings() {
        PtyWindow w;
        QVERIFY(QFile::remove(w.path("comm.set")) && QDir(w.dir.path()).mkdir("comm.set"));
        w.set("Combo2=#0");
        w.click("cmdCom");
        QVERIFY2(w.shown("msg").startsWith("串口设置保存失败：" + w.path("comm.set") + "（"),
                 qPrintable(w.shown("msg")));
        QCOMPARE(w.shown("port"), "COM4 open 9600,N,8,1"); // switched all the same
    }

    // The adapter is pulled out during cyclic acquisition and plugged back in.
    void cablePulled() {
        PtyWindow w;
        auto peer = std::make_unique<PtyPeer>();
        QVERIFY(peer->linkAs(w.dir.path(), 4));
        w.set("Combo1=#3|txtDataLength=1|txtTimerSet_0=250"); // the new peer as COM4
        w.click("cmdOneM");
        QCOMPARE(peer->readFor(1000, 8).size(), 8);
        peer->write(withCrc(fromHex("02 04 02 00 EB")));
        QTRY_COMPARE(w.shown("txtValue_0"), "23.50");
        const auto cpuDuring = [](int ms) {
            const double before = cpuSeconds();
            QTest::qWait(ms);
            return cpuSeconds() - before;
        };
        // A silent module: most of the time goes by in the 200 ms waits, asleep, not spinning.
        const double waiting = cpuDuring(1000);
        QVERIFY2(waiting < 0.2, qPrintable(QString::number(waiting)));
        peer.reset(); // the device disappears
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->port().PortOpen(), 3000);
        const int countAtLoss = w.shown("lblCounter").toInt();
        const double lost = cpuDuring(1000);
        QVERIFY2(lost < 0.2, qPrintable(QString::number(lost)));
        // Still responsive and counting; the value stale, the red lamp, no message.
        QVERIFY(w.shown("lblCounter").toInt() >= countAtLoss + 3);
        QCOMPARE(w.look("txtValue_0=|red=|lamp=|msg="),
                 "txtValue_0=23.50|red=11111111|lamp=R|msg=");
        // Back under the same name: choosing the port resumes acquisition.
        PtyPeer back;
        QVERIFY(back.linkAs(w.dir.path(), 4));
        w.set("Combo1=#3");
        QCOMPARE(back.readFor(1000, 8).size(), 8);
        back.write(withCrc(fromHex("02 04 02 FF 97")));
        QTRY_COMPARE(w.look("txtValue_0=|lamp="), "txtValue_0=-10.50|lamp=G");
    }
};

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
