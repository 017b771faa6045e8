// Start-up and port handling through the real window: settings files, combo selections, the
// port opened on a pseudo-terminal, saving comm.set, and the controls that must do nothing.
#include "windowfixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace tr;
using namespace tr::test;

class TstWindow : public QObject {
    Q_OBJECT
private slots:
    void startup_data() {
        QTest::addColumn<QByteArray>("comm");
        QTest::addColumn<QByteArray>("modset");
        QTest::addColumn<int>("peerPort");
        // Selected entries and the texts of both combo boxes, then the port.
        QTest::addColumn<QString>("state");
        QTest::newRow("4,19200 opens COM4, ModSet fills station and length")
            << QByteArray("4,19200\r\n") << QByteArray("9,7,5,3\r\n") << 4
            << "3 COM4 1 19200 open 19200,N,8,1 COM4";
        QTest::newRow("two lines read like one") << QByteArray("4\r\n19200\r\n")
                                                 << QByteArray("1,2,8,1\r\n") << 4
                                                 << "3 COM4 1 19200 open 19200,N,8,1 COM4";
        // Start-up looks for the port among the first eight entries only.
        QTest::newRow("12,9600 configured, not opened")
            << QByteArray("12,9600\r\n") << QByteArray("1,2,8,1\r\n") << 12
            << "-1 COM4 0 9600 closed 9600,N,8,1 COM12";
        QTest::newRow("port 3 at a rate not in the list")
            << QByteArray("3,4800\r\n") << QByteArray("1,2,8,1\r\n") << 3
            << "2 COM3 -1 19200 open 4800,N,8,1 COM3";
        QTest::newRow("absent port starts closed")
            << QByteArray("5,19200\r\n") << QByteArray("1,2,8,1\r\n") << -5
            << "4 COM5 1 19200 closed 19200,N,8,1 COM5";
    }
    void startup() {
        QFETCH(QByteArray, comm);
        QFETCH(QByteArray, modset);
        QFETCH(int, peerPort);
        QFETCH(QString, state);
        WindowFixture f(comm, modset, peerPort);
        QCOMPARE(f.loadFailure, std::nullopt);
        QVERIFY(f.messages.shown.isEmpty());
        const MSComm &port = f.window->port();
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 COM%7")
                     .arg(f.window->ports().selectedPort())
                     .arg(f.ui().Combo1->currentText())
                     .arg(f.window->ports().selectedBaud())
                     .arg(f.ui().Combo2->currentText(), port.PortOpen() ? "open" : "closed",
                          port.Settings())
                     .arg(port.CommPort()),
                 state);
        QVERIFY(f.window->link().CommReady());
        QCOMPARE(f.ui().txtFilePath->text(), f.dir.path() + "/dataGet.txt");
        const QList<QByteArray> mod = modset.trimmed().split(',');
        QCOMPARE(f.ui().txtStationID->text().toLatin1(), mod[1]);
        QCOMPARE(f.ui().txtDataLength->text().toLatin1(), mod[2]);
        if (!port.PortOpen()) {
            QCOMPARE(f.controls->frontLamp(), Lamp::NotConnected);
            return;
        }
        QCOMPARE(port.RThreshold(), 1);
        // The opened device really is the peer: a byte written there reaches the port.
        f.peer.write("\x01");
        QTRY_COMPARE(f.ui().txtState->toPlainText(), QStringLiteral(" 01"));
        QCOMPARE(f.controls->frontLamp(), Lamp::Connected);
    }

    void startupRefusals_data() {
        QTest::addColumn<QByteArray>("comm");
        QTest::addColumn<QByteArray>("modset");
        QTest::addColumn<QString>("failure");
        QTest::newRow("38400 does not fit") << QByteArray("3,38400\r\n") << QByteArray("1,2,8,1")
                                            << "无法读取设置文件 comm.set：第2项超出范围（-32768～32767）";
        QTest::newRow("missing comm.set") << QByteArray() << QByteArray("1,2,8,1")
                                          << "无法读取设置文件 comm.set：文件不存在或无法打开";
        QTest::newRow("ModSet three fields") << QByteArray("4,19200") << QByteArray("1,2,8")
                                             << "无法读取设置文件 ModSet.set：缺少第4项";
        QTest::newRow("port 0 refused by the port") << QByteArray("0,19200") << QByteArray("1,2,8,1")
                                                    << "设置文件 comm.set 中的串口号 0 无法使用";
        QTest::newRow("negative baud refused") << QByteArray("4,-9600") << QByteArray("1,2,8,1")
                                               << "设置文件 comm.set 中的波特率 -9600 无法使用";
    }
    void startupRefusals() {
        QFETCH(QByteArray, comm);
        QFETCH(QByteArray, modset);
        QFETCH(QString, failure);
        WindowFixture f(comm.isEmpty() ? QByteArray() : comm, modset);
        QCOMPARE(f.loadFailure, std::optional<QString>(failure));
        QVERIFY(!f.window->port().PortOpen());
        QVERIFY(!f.window->link().CommReady());
    }

    void choosingAPortSwitchesWithoutSaving() {
        WindowFixture f;
        PtyPeer com3;
        QVERIFY(com3.linkAs(f.dir.path(), 3));
        WindowFixture::choose(f.ui().Combo1, 2);
        QVERIFY(f.window->port().PortOpen());
        QCOMPARE(f.window->port().CommPort(), 3);
        QCOMPARE(f.window->port().Settings(), QStringLiteral("19200,N,8,1"));
        QCOMPARE(readFile(f.path("comm.set")), QByteArray("4,19200\r\n"));
        QVERIFY(f.messages.shown.isEmpty());
        com3.write("\x33");
        QTRY_COMPARE(f.ui().txtState->toPlainText(), QStringLiteral(" 33"));
        // Choosing the open port again reopens it.
        f.window->port().setRThreshold(5);
        WindowFixture::choose(f.ui().Combo1, 2);
        QVERIFY(f.window->port().PortOpen());
        QCOMPARE(f.window->port().RThreshold(), 1);
    }

    void typingAPortNameSelectsNothing() {
        WindowFixture f;
        PtyPeer com3;
        QVERIFY(com3.linkAs(f.dir.path(), 3));
        f.window->show();
        QLineEdit *edit = f.ui().Combo1->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, "COM3");
        QTest::keyClick(edit, Qt::Key_Return);
        edit->clearFocus();
        f.ui().cmdCom->setFocus();
        QTest::qWait(20);
        QCOMPARE(f.window->port().CommPort(), 4);
        QCOMPARE(f.ui().Combo1->currentText(), QStringLiteral("COM3"));
        QCOMPARE(f.window->ports().selectedPort(), -1);
    }

    void saveSettings_data() {
        QTest::addColumn<int>("portEntry");   // -1: typed, nothing selected
        QTest::addColumn<int>("baudEntry");   // -1: typed, nothing selected
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("settings");
        QTest::newRow("COM3 at 9600") << 2 << 0 << QByteArray("3,9600\r\n") << "9600,N,8,1";
        QTest::newRow("typed baud gives 9600") << 2 << -1 << QByteArray("3,9600\r\n") << "9600,N,8,1";
        QTest::newRow("no port entry keeps the port in use") << -1 << 1 << QByteArray("4,19200\r\n") << "19200,N,8,1";
        QTest::newRow("absent port still saved") << 10 << 1 << QByteArray("11,19200\r\n") << "19200,N,8,1";
    }
    void saveSettings() {
        QFETCH(int, portEntry);
        QFETCH(int, baudEntry);
        QFETCH(QByteArray, saved);
        QFETCH(QString, settings);
        WindowFixture f;
        PtyPeer com3;
        QVERIFY(com3.linkAs(f.dir.path(), 3));
        f.linkAbsent(11);
        if (portEntry >= 0) {
            f.ui().Combo1->setCurrentIndex(portEntry);
            emit f.ui().Combo1->activated(portEntry);
        } else {
            QTest::keyClicks(f.ui().Combo1->lineEdit(), "X");
        }
        if (baudEntry >= 0)
            WindowFixture::choose(f.ui().Combo2, baudEntry);
        else
            QTest::keyClicks(f.ui().Combo2->lineEdit(), "4800");
        QTest::mouseClick(f.ui().cmdCom, Qt::LeftButton);
        QCOMPARE(readFile(f.path("comm.set")), saved);
        QCOMPARE(f.messages.texts(), QStringList{"串口设置保存成功"});
        QCOMPARE(f.messages.shown.first().caption, QStringLiteral("系统提示"));
        QCOMPARE(f.window->port().Settings(), settings);
        const int expectedPort = saved.left(saved.indexOf(',')).toInt();
        QCOMPARE(f.window->port().CommPort(), expectedPort);
        QCOMPARE(f.window->port().PortOpen(), expectedPort == 3 || expectedPort == 4);
    }

    void unwritableSettingsAreNotReportedAsSaved() {
        WindowFixture f;
        // comm.set replaced by a folder: it can be neither created nor truncated.
        QVERIFY(QFile::remove(f.path("comm.set")));
        QVERIFY(QDir(f.dir.path()).mkdir("comm.set"));
        WindowFixture::choose(f.ui().Combo2, 0);
        QTest::mouseClick(f.ui().cmdCom, Qt::LeftButton);
        QCOMPARE(f.messages.shown.size(), 1);
        QVERIFY2(f.messages.shown.first().text.startsWith("串口设置保存失败：" + f.path("comm.set")),
                 qPrintable(f.messages.shown.first().text));
        // The port is switched all the same.
        QCOMPARE(f.window->port().Settings(), QStringLiteral("9600,N,8,1"));
        QVERIFY(f.window->port().PortOpen());
    }
};

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
