// The measurement road through the real window: request fields, the frame on the wire, the
// 200 ms wait, answers decoded inside and after it, the counter and the data file.
#include "windowfixture.h"

#include "modbus/hextext.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

using namespace tr;
using namespace tr::test;

namespace {

const QString kNotNumbers = QStringLiteral("请输入正确的命令，命令、地址、数据长度等都应该是十六进制数据");
const QString kBadRange =
    QStringLiteral("请输入正确的地址、数据长度，地址和数据长度不能为0，数据长度值范围为1-21");

QByteArray answerOf(const QList<int> &registers, int station = 2, int function = 4) {
    QByteArray content;
    content.append(char(station));
    content.append(char(function));
    content.append(char(registers.size() * 2));
    for (int r : registers) {
        content.append(char(r >> 8));
        content.append(char(r & 0xFF));
    }
    return withCrc(content);
}

// Runs fn after ms milliseconds, also inside the window's 200 ms wait.
void after(int ms, std::function<void()> fn) { QTimer::singleShot(ms, Qt::PreciseTimer, std::move(fn)); }

} // namespace

class TstAcquisition : public QObject {
    Q_OBJECT

    void setFields(WindowFixture &f, const QString &station, const QString &function,
                   const QString &start, const QString &length) {
        f.ui().txtStationID->setText(station);
        f.ui().txtFunID->setText(function);
        f.ui().txtStartID->setText(start);
        f.ui().txtDataLength->setText(length);
    }

private slots:
    void requestFields_data() {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QByteArray>("frame"); // empty: refused
        QTest::addColumn<QString>("message");
        QTest::newRow("2/4/0/2") << "2" << "4" << "0" << "2" << QByteArray::fromHex("02040000000271F8") << "";
        QTest::newRow("station 250 sent") << "250" << "4" << "0" << "2" << QByteArray("FA0400000002") << "";
        QTest::newRow("station 251 refused") << "251" << "4" << "0" << "2" << QByteArray() << kBadRange;
        QTest::newRow("length 21 sent") << "2" << "4" << "0" << "21" << QByteArray("020400000015") << "";
        QTest::newRow("length 22 refused") << "2" << "4" << "0" << "22" << QByteArray() << kBadRange;
        QTest::newRow("length 2.9 reads 2") << "2" << "4" << "0" << "2.9" << QByteArray("020400000002") << "";
        QTest::newRow("length &H15 reads 21") << "2" << "4" << "0" << "&H15" << QByteArray("020400000015") << "";
        QTest::newRow("start 255 count 21") << "2" << "3" << "255" << "21" << QByteArray("020300FF0015") << "";
        QTest::newRow("empty field") << "2" << "" << "0" << "2" << QByteArray() << kNotNumbers;
        QTest::newRow("1A is not decimal") << "2" << "4" << "1A" << "2" << QByteArray() << kNotNumbers;
        QTest::newRow("start 300 refused") << "2" << "4" << "300" << "2" << QByteArray() << kBadRange;
        QTest::newRow("station -0.5 refused") << "-0.5" << "4" << "0" << "2" << QByteArray() << kBadRange;
    }
    void requestFields() {
        QFETCH(QString, station);
        QFETCH(QString, function);
        QFETCH(QString, start);
        QFETCH(QString, length);
        QFETCH(QByteArray, frame);
        QFETCH(QString, message);
        WindowFixture f;
        setFields(f, station, function, start, length);
        f.peer.drain();
        QTest::mouseClick(f.ui().comDoOnce, Qt::LeftButton);
        const QByteArray sent = f.peer.readFor(100);
        if (message.isEmpty()) {
            QVERIFY(f.messages.shown.isEmpty());
            QCOMPARE(sent.size(), 8);
            const QByteArray expected = frame.size() == 8 ? frame : QByteArray::fromHex(frame);
            QCOMPARE(sent.left(6), expected.left(6));
            QCOMPARE(sent, withCrc(sent.left(6)));
            QCOMPARE(f.window->link().ExpectedLen(), std::int16_t(5 + 2 * sent[5]));
            QCOMPARE(f.window->port().RThreshold(), int(f.window->link().ExpectedLen()));
            QCOMPARE(f.ui().txtCommand->text(), sendText(std::span(reinterpret_cast<const std::uint8_t *>(sent.constData()), 8)));
        } else {
            QVERIFY(sent.isEmpty());
            QCOMPARE(f.messages.texts(), QStringList{message});
            QCOMPARE(f.messages.shown.first().caption, QStringLiteral("系统提示"));
        }
    }

    void answerInsideTheWaitIsDecodedBeforeReturn() {
        WindowFixture f;
        f.peer.drain();
        after(60, [&] {
            f.peer.readFor(0);
            f.peer.write(answerOf({0x00EB, 0xFF9C}));
        });
        f.acquisition().comDoOnce_Click();
        // Decoded inside the wait, before the click handler returned.
        QCOMPARE(f.controls->txtValue[0]->text(), QStringLiteral("23.50"));
        QCOMPARE(f.controls->txtValue[1]->text(), QStringLiteral("-10.00"));
        QCOMPARE(f.ui().txtOutPut->text(), QStringLiteral("1#:23.50 2#:-10.00 "));
        QCOMPARE(f.ui().txtState->toPlainText(),
                 QString::fromLatin1(" " + answerOf({0x00EB, 0xFF9C}).toHex(' ').toUpper()));
        QCOMPARE(f.controls->frontLamp(), Lamp::Connected);
        // Only the two boxes the answer filled are fresh.
        QVERIFY(!f.valueIsRed(0) && !f.valueIsRed(1));
        for (int k = 2; k < 8; ++k)
            QVERIFY(f.valueIsRed(k));
    }

    void closedPortSendsNothing() {
        WindowFixture f;
        f.acquisition().comDoOnce_Click(); // a first request puts a frame text in txtCommand
        const QString previous = f.ui().txtCommand->text();
        QVERIFY(!previous.isEmpty());
        f.window->port().setPortOpen(false);
        f.peer.drain();
        f.ui().txtState->setPlainText("old");
        f.acquisition().comDoOnce_Click();
        QVERIFY(f.peer.readFor(100).isEmpty());
        QCOMPARE(f.ui().txtCommand->text(), previous);
        QCOMPARE(f.ui().txtState->toPlainText(), QString());
        for (int k = 0; k < 8; ++k)
            QVERIFY(f.valueIsRed(k));
    }

    void lateAnswerIsDecodedAfterTheWait() {
        WindowFixture f;
        QElapsedTimer t;
        t.start();
        f.acquisition().comDoOnce_Click();
        QVERIFY(t.elapsed() >= 200);
        QCOMPARE(f.controls->frontLamp(), Lamp::Yellow);
        QVERIFY(f.valueIsRed(0));
        f.peer.write(answerOf({0x0064, 0x00C8}));
        QTRY_COMPARE(f.controls->txtValue[1]->text(), QStringLiteral("20.00"));
        QCOMPARE(f.controls->frontLamp(), Lamp::Connected);
    }

    void answerSplitAcrossTheEndOfTheWaitIsLost() {
        WindowFixture f;
        const QByteArray answer = answerOf({0x0064, 0x00C8});
        after(120, [&] { f.peer.write(answer.left(4)); });
        f.acquisition().comDoOnce_Click();
        f.peer.write(answer.mid(4));
        QTest::qWait(150);
        QCOMPARE(f.controls->txtValue[0]->text(), QStringLiteral("0"));
        QVERIFY(f.valueIsRed(0));
        QCOMPARE(f.ui().txtState->toPlainText(), QString());
        QCOMPARE(f.controls->frontLamp(), Lamp::Yellow);
    }

    void staleBytesAreDroppedBeforeSending() {
        WindowFixture f;
        f.window->port().setRThreshold(50); // keep the stale bytes in the buffer
        f.peer.write(QByteArray::fromHex("DEADBEEF"));
        QTRY_COMPARE(f.window->port().InBufferCount(), 4);
        after(50, [&] { f.peer.write(answerOf({0x0001, 0x0002})); });
        f.acquisition().comDoOnce_Click();
        QCOMPARE(f.ui().txtOutPut->text(), QStringLiteral("1#:0.10 2#:0.20 "));
    }

    void secondRequestDuringTheWaitSendsNothing() {
        WindowFixture f;
        f.peer.drain();
        int nestedCalls = 0;
        after(50, [&] {
            ++nestedCalls;
            f.acquisition().comDoOnce_Click();
        });
        f.acquisition().comDoOnce_Click();
        QCOMPARE(nestedCalls, 1);
        QCOMPARE(f.peer.readFor(50).size(), 8);
    }

    void counterCountsTicks() {
        WindowFixture f;
        f.ui().txtTimerSet_0->setText("100000");
        QTest::mouseClick(f.ui().cmdOneM, Qt::LeftButton);
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("1"));
        QVERIFY(f.acquisition().Timer1().isActive());
        QCOMPARE(f.acquisition().Timer1().interval(), 100000);
        QVERIFY(!f.acquisition().Timer2().isActive());
        for (int i = 0; i < 3; ++i)
            f.acquisition().Timer1_Timer();
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("4"));
        f.ui().lblCounter->setText("65536");
        f.acquisition().Timer1_Timer();
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("1"));
        QTest::mouseClick(f.ui().cmdStopOnce, Qt::LeftButton);
        QVERIFY(!f.acquisition().Timer1().isActive());
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("1"));
        QTest::mouseClick(f.ui().cmdStopOnce, Qt::LeftButton);
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("1"));
    }

    void tickBeforeStartupEndsDoesNothing() {
        WindowFixture f;
        f.window->link().setCommReady(false);
        f.peer.drain();
        f.ui().lblCounter->setText("7");
        f.acquisition().Timer1_Timer();
        QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("7"));
        QVERIFY(f.peer.readFor(50).isEmpty());
    }

    void intervals_data() {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("storage");
        QTest::addColumn<bool>("store");
        QTest::addColumn<int>("timer1"); // -1: refused
        QTest::addColumn<int>("timer2");
        QTest::newRow("defaults with storage") << "1000" << "3" << true << 1000 << 3000;
        QTest::newRow("halves to even") << "2.5" << "0.0025" << true << 2 << 2;
        QTest::newRow("storage unchecked ignores a bad storage text") << "500" << "abc" << false << 500 << -1;
        QTest::newRow("period not a number") << "abc" << "3" << true << -1 << -1;
        QTest::newRow("period zero") << "0" << "3" << true << -1 << -1;
        QTest::newRow("period negative") << "-10" << "3" << false << -1 << -1;
        QTest::newRow("period too long") << "2147483648" << "3" << false << -1 << -1;
        QTest::newRow("longest period") << "2147483647" << "3" << false << 2147483647 << -1;
        QTest::newRow("storage too long") << "1000" << "2147484" << true << -1 << -1;
        QTest::newRow("storage zero") << "1000" << "0" << true << -1 << -1;
    }
    void intervals() {
        QFETCH(QString, period);
        QFETCH(QString, storage);
        QFETCH(bool, store);
        QFETCH(int, timer1);
        QFETCH(int, timer2);
        WindowFixture f;
        f.ui().lblCounter->setText("42");
        f.ui().txtTimerSet_0->setText(period);
        f.ui().txtTimerSet_1->setText(storage);
        f.ui().CheckSave->setChecked(store);
        f.acquisition().cmdOneM_Click();
        if (timer1 < 0) {
            QCOMPARE(f.messages.texts(), QStringList{"请输入正确的刷新时长和存储时间间隔"});
            QCOMPARE(f.ui().lblCounter->text(), QStringLiteral("42"));
            QVERIFY(!f.acquisition().Timer1().isActive());
            QVERIFY(!f.acquisition().Timer2().isActive());
            return;
        }
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(f.acquisition().Timer1().interval(), timer1);
        QCOMPARE(f.acquisition().Timer2().isActive(), timer2 > 0);
        if (timer2 > 0)
            QCOMPARE(f.acquisition().Timer2().interval(), timer2);
        f.acquisition().cmdStopOnce_Click();
    }

    void dataFileRecords() {
        WindowFixture f;
        const QString path = f.path("data.txt");
        f.ui().txtFilePath->setText(path);
        QTest::mouseClick(f.ui().cmdClearTxt, Qt::LeftButton);
        QCOMPARE(readFile(path), QByteArray("\"\"\r\n"));
        f.acquisition().Dosave();
        after(30, [&] { f.peer.write(answerOf({0x00FD, 0x0102, 0xFFFF, 0xFFCE})); });
        f.ui().txtDataLength->setText("4");
        f.acquisition().comDoOnce_Click();
        f.acquisition().Timer2_Timer();
        f.acquisition().Timer2_Timer();
        const QList<QByteArray> lines = readFile(path).split('\n');
        QCOMPARE(lines.size(), 5); // cleared line, three records, empty rest after the last LF
        QVERIFY(lines[1].endsWith("      \"\r"));
        const QByteArray values = "   1#:25.30 2#:25.80 4#:-5.00    \"\r";
        QVERIFY2(lines[2].endsWith(values), lines[2].constData());
        QVERIFY(lines[3].endsWith(values));
        QVERIFY(QRegularExpression("^\"\\d{4}-\\d{1,2}-\\d{1,2} \\d{1,2}:\\d{2}:\\d{2}   ").match(QString::fromLatin1(lines[2])).hasMatch());
        QVERIFY(f.messages.shown.isEmpty());
    }

    void dataFileFailuresAreToldOnce_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing folder") << "%DIR%/missing/data.txt";
        QTest::newRow("disk full") << "/dev/full";
        QTest::newRow("empty path") << "";
    }
    void dataFileFailuresAreToldOnce() {
        QFETCH(QString, path);
        WindowFixture f;
        path.replace("%DIR%", f.dir.path());
        f.ui().txtFilePath->setText(path);
        f.acquisition().Timer2_Timer();
        f.acquisition().Timer2_Timer();
        QTRY_COMPARE(f.messages.shown.size(), 1);
        QVERIFY2(f.messages.shown.first().text.startsWith("数据文件写入失败：" + path), qPrintable(f.messages.shown.first().text));
        // After a success the next failure is told again.
        f.ui().txtFilePath->setText(f.path("ok.txt"));
        f.acquisition().Timer2_Timer();
        f.ui().txtFilePath->setText(path);
        f.acquisition().Timer2_Timer();
        QTRY_COMPARE(f.messages.shown.size(), 2);
        QTest::mouseClick(f.ui().cmdClearTxt, Qt::LeftButton);
        QCOMPARE(f.messages.shown.size(), 3);
        QVERIFY(f.messages.shown.last().text.startsWith("清空文件失败：" + path));
    }

    void chooseDataFile() {
        WindowFixture f;
        const QString before = f.ui().txtFilePath->text();
        f.files.answers = {std::nullopt};
        QTest::mouseClick(f.ui().CommandChangeFile, Qt::LeftButton);
        QCOMPARE(f.ui().txtFilePath->text(), before);
        QCOMPARE(f.files.asked.size(), 1);
        const FileDialog::Options asked = f.files.asked.first();
        QCOMPARE(asked.title, QStringLiteral("打开文件"));
        QVERIFY(asked.mustExist && !asked.save);
        QCOMPARE(asked.initialDir, f.dir.path()); // no txt folder yet
        QCOMPARE(asked.filter, QStringLiteral("序列号文件 (*.txt) (*.txt);;所有文件（*） (*)"));
        QVERIFY(QDir(f.dir.path()).mkdir("txt"));
        writeFile(f.path("txt/log.txt"), "keep");
        f.files.answers = {f.path("txt/log.txt")};
        QTest::mouseClick(f.ui().CommandChangeFile, Qt::LeftButton);
        QCOMPARE(f.files.asked.last().initialDir, f.path("txt"));
        QCOMPARE(f.ui().txtFilePath->text(), f.path("txt/log.txt"));
        QCOMPARE(readFile(f.path("txt/log.txt")), QByteArray("keep"));
    }
};

QTEST_MAIN(TstAcquisition)
#include "tst_acquisition.moc"
