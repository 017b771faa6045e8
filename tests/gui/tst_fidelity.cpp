// Small deviations from the module tool's behaviour, one table each: tick counting while a read
// waits, the batch timer's channel arithmetic and range message, the open dialog's filter names,
// stale bytes held by the driver, the data-file message, and replacing an export.
#include "app/realdialogs.h"
#include "serial/link.h"
#include "windowfixture.h"

#include <QApplication>
#include <QFileDialog>
#include <QSignalSpy>
#include <QThread>

using namespace tr;
using namespace tr::test;

class TstFidelity : public QObject {
    Q_OBJECT
private slots:
    // (a) A tick while the previous read still waits counts and sends nothing.
    void ticksDuringTheWaitCount_data() {
        QTest::addColumn<int>("period");
        QTest::newRow("50 ms") << 50;
        QTest::newRow("100 ms") << 100;
    }
    void ticksDuringTheWaitCount() {
        QFETCH(int, period);
        WindowFixture f; // nobody answers: every read waits its full 200 ms
        f.ui().txtTimerSet_0->setText(QString::number(period));
        f.ui().cmdOneM->click();
        QTest::qWait(1000);
        f.ui().cmdStopOnce->click();
        QVERIFY2(f.ui().lblCounter->text().toInt() >= 700 / period,
                 qPrintable(f.ui().lblCounter->text()));
        QVERIFY(f.peer.readFor(50).size() <= 8 * (1000 / Link::kReadWaitMs + 1));
    }

    // (b) The channel goes up by one as typed and stops at 8 or more; (c) out of range: told once.
    void batchTick_data() {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("entryAfter");
        QTest::addColumn<int>("readsChannel"); // -1: nothing sent
        QTest::addColumn<bool>("message");
        QTest::newRow("5.5 reads 6 as 6.5") << "1"
                                            << "5.5"
                                            << "6.5" << 6 << false;
        QTest::newRow("7.5 reads 8 as 8.5") << "1"
                                            << "7.5"
                                            << "8.5" << 8 << false;
        QTest::newRow("8.5 ends quietly") << "1"
                                          << "8.5"
                                          << "8.5" << -1 << false;
        QTest::newRow("channel abc") << "1"
                                     << "abc"
                                     << "abc" << -1 << true;
        QTest::newRow("channel -3") << "1"
                                    << "-3"
                                    << "-3" << -1 << true;
        QTest::newRow("station 256") << "256"
                                     << "3"
                                     << "3" << -1 << true;
    }
    void batchTick() {
        QFETCH(QString, station);
        QFETCH(QString, channel);
        QFETCH(QString, entryAfter);
        QFETCH(int, readsChannel);
        QFETCH(bool, message);
        WindowFixture f;
        f.ui().cmdReadAll->click();
        QCOMPARE(f.peer.readFor(500, 8).size(), 8);
        f.controls->txtAlarmValue[2]->setText(station);
        f.controls->txtAlarmValue[3]->setText(channel);
        f.window->calibration().Timer3_Timer();
        const QByteArray sent = f.peer.readFor(100, 8);
        QCOMPARE(sent.isEmpty() ? -1 : int(sent[5]), readsChannel);
        QCOMPARE(f.controls->txtAlarmValue[3]->text(), entryAfter);
        QCOMPARE(f.window->calibration().Timer3().isActive(), readsChannel > 0);
        QCOMPARE(f.messages.texts(),
                 message ? QStringList{"请输入正确的设备地址和通道，范围为0-255"} : QStringList());
    }

    // (d) The real dialog's type box shows the names as the window words them.
    void filterNames_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("data file")
            << "CommandChangeFile" << QStringList{"序列号文件 (*.txt)", "所有文件（*）"};
        QTest::newRow("export") << "cmdSaveFile" << QStringList{"txt (*.txt)"};
        QTest::newRow("import") << "Command1" << QStringList{"txt (*.txt)"};
    }
    void filterNames() {
        QFETCH(QString, button);
        QFETCH(QStringList, shown);
        WindowFixture f;
        f.window->findChild<QPushButton *>(button)->click(); // the scripted dialog cancels
        QCOMPARE(f.files.asked.size(), 1);
        QStringList items;
        QTimer::singleShot(100, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const auto *box = dialog->findChild<QComboBox *>("fileTypeCombo");
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            for (const QString &filter : dialog->nameFilters())
                QVERIFY2(filter.endsWith(')'), qPrintable(filter)); // each keeps its patterns
            dialog->reject();
        });
        QtFileDialog().choose(f.files.asked[0]);
        QCOMPARE(items, shown);
    }

    // (e) Bytes the driver still holds before a measurement read are dropped with the buffer.
    void staleDriverBytes_data() {
        QTest::addColumn<QByteArray>("stale");
        QTest::newRow("two stray bytes") << fromHex("AA BB");
        QTest::newRow("an earlier answer") << withCrc(fromHex("02 04 04 00 01 00 02"));
    }
    void staleDriverBytes() {
        QFETCH(QByteArray, stale);
        QTemporaryDir dir;
        PtyPeer peer;
        QVERIFY(peer.linkAs(dir.path(), 4));
        MSComm port(dir.filePath("ports"));
        QVERIFY(port.setCommPort(4) && port.setSettings("19200,N,8,1") && port.setPortOpen(true));
        Link link(port);
        QSignalSpy decoded(&link, &Link::measurementDecoded);
        peer.write(stale);
        QThread::msleep(50); // in the driver, not yet taken: no event has run
        QTimer::singleShot(40, [&] { peer.write(withCrc(fromHex("02 04 04 00 EB FF 9C"))); });
        link.ReadModule(2, 4, 0, 2);
        QCOMPARE(decoded.size(), 1);
        QCOMPARE(valueLine(decoded[0][0].value<DecodedAnswer>().readings), "1#:23.50 2#:-10.00 ");
    }

    // (f) The data-file message opens after its tick, and logging keeps ticking while it is open.
    void dataFileMessageAfterTheTick_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing folder") << "%DIR%/missing/data.txt";
        QTest::newRow("disk full") << "/dev/full";
    }
    void dataFileMessageAfterTheTick() {
        QFETCH(QString, path);
        WindowFixture f;
        f.ui().txtFilePath->setText(path.replace("%DIR%", f.dir.path()));
        f.ui().CheckSave->setChecked(true);
        f.ui().txtTimerSet_0->setText("100000");
        f.ui().txtTimerSet_1->setText("0.05");
        int ticks = 0;
        int ticksWhileOpen = -1;
        connect(&f.acquisition().Timer2(), &QTimer::timeout, [&] { ++ticks; });
        f.messages.onShow = [&] {
            const int before = ticks;
            QTest::qWait(300);
            ticksWhileOpen = ticks - before;
        };
        f.ui().cmdOneM->click();
        QTRY_COMPARE(f.messages.shown.size(), 1);
        QVERIFY2(ticksWhileOpen >= 3, qPrintable(QString::number(ticksWhileOpen)));
        QTest::qWait(100);
        f.ui().cmdStopOnce->click();
        QCOMPARE(f.messages.shown.size(), 1);
    }

    // (g) ".txt" added to the typed name: an existing file is replaced only after a Yes.
    void exportReplace_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("data, Yes") << "data" << true << true << QByteArray("\"1::5--5\"\r\n");
        QTest::newRow("data, No") << "data" << false << true << QByteArray("kept");
        QTest::newRow("data.txt, confirmed by the dialog")
            << "data.txt" << false << false << QByteArray("\"1::5--5\"\r\n");
    }
    void exportReplace() {
        QFETCH(QString, typed);
        QFETCH(bool, yes);
        QFETCH(bool, asked);
        QFETCH(QByteArray, after);
        WindowFixture f;
        QVERIFY(writeFile(f.path("data.txt"), "kept"));
        f.ui().txtSet->setPlainText("1::5--5");
        f.files.answers << f.dir.filePath(typed);
        f.messages.replies << yes;
        f.ui().cmdSaveFile->click();
        QCOMPARE(f.messages.asked.size(), asked ? 1 : 0);
        if (asked)
            QVERIFY(f.messages.asked[0].text.startsWith(f.path("data.txt") + " 已存在"));
        QCOMPARE(readFile(f.path("data.txt")), after);
        QVERIFY(f.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TstFidelity)
#include "tst_fidelity.moc"
