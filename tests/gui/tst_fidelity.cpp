// Small deviations from the module tool's behaviour, one table each: tick counting while a read
// waits, the batch timer's channel arithmetic and range message, the open dialog's filter names,
// stale bytes held by the driver, the data-file message, and replacing an export.
#include "app/language.h"
#include "app/realdialogs.h"
#include "panels/calibrationpanel.h"
#include "ptywindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QThread>

using namespace tr;
using namespace tr::test;

// A table of one column "c": each row a string, its fields separated by '|'.
void rows(std::initializer_list<const char *> table) {
    QTest::addColumn<QStringList>("c");
    for (const char *row : table)
        QTest::newRow(row) << QString::fromUtf8(row).split('|');
}

class TstFidelity : public QObject {
    Q_OBJECT
private slots:
    // (a) A tick while the previous read still waits counts and sends nothing.
    void ticksDuringTheWaitCount_data() { rows({"50", "100"}); } // period in ms
    void ticksDuringTheWaitCount() {
        QFETCH(QStringList, c);
        const int period = c[0].toInt();
        PtyWindow f; // nobody answers: every read waits its full 200 ms
        f.ui().txtTimerSet_0->setText(QString::number(period));
        f.click("cmdOneM");
        QTest::qWait(1000);
        f.click("cmdStopOnce");
        QVERIFY(f.ui().lblCounter->text().toInt() >= 700 / period);
        QVERIFY(f.peer.readFor(50).size() <= 8 * (1000 / Link::kReadWaitMs + 1));
    }

    // (b) The channel goes up by one as typed and stops at 8 or more; (c) out of range: told once.
    void batchTick_data() {
        // station, channel, entry after, channel read, range message
        rows({"1|5.5|6.5|6|", "1|7.5|8.5|8|", "1|8.5|8.5||", "1|abc|abc||x", "1|-3|-3||x",
              "256|3|3||x"});
    }
    void batchTick() {
        QFETCH(QStringList, c);
        PtyWindow f;
        f.click("cmdReadAll");
        QCOMPARE(f.peer.readFor(500, 8).size(), 8);
        f.get("txtAlarmValue_2")->setProperty("text", c[0]);
        f.get("txtAlarmValue_3")->setProperty("text", c[1]);
        f.window->calibration().batchReadTick();
        const QByteArray sent = f.peer.readFor(100, 8);
        QCOMPARE(sent.isEmpty() ? QString() : QString::number(sent[5]), c[3]);
        QCOMPARE(f.shown("txtAlarmValue_3"), c[2]);
        QCOMPARE(f.window->calibration().batchReadTimer().isActive(), !c[3].isEmpty());
        QCOMPARE(f.messages.texts(),
                 c[4].isEmpty() ? "" : "请输入正确的设备地址和通道，范围为0-255");
    }

    // (d) The real dialog's type box shows the names as the window words them, and Qt's own
    // words of the dialog are Chinese.
    void filterNames_data() {
        rows( // button, the names shown
            {"CommandChangeFile|序列号文件 (*.txt)|所有文件（*）", "cmdSaveFile|txt",
             "Command1|txt (*.txt)"});
    }
    void filterNames() {
        QFETCH(QStringList, c);
        PtyWindow f;
        f.click(c[0]); // the scripted dialog cancels
        Translations chinese;
        QVERIFY(chinese.install(Language::Chinese));
        QStringList shown;
        QTimer::singleShot(100, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            shown << dialog->findChild<QLabel *>("lookInLabel")->text();
            const auto *box = dialog->findChild<QComboBox *>("fileTypeCombo");
            for (int i = 0; i < box->count(); ++i)
                shown << box->itemText(i);
            dialog->reject();
        });
        QtFileDialog().choose(f.files.asked.value(0));
        QCOMPARE(shown, QStringList("查找范围：") + c.mid(1));
    }

    // (e) Bytes the driver still holds before a measurement read are dropped with the buffer.
    void staleDriverBytes_data() {
        QTest::addColumn<QByteArray>("stale");
        QTest::newRow("two stray bytes") << fromHex("AA BB");
        QTest::newRow("a late exception answer") << withCrc(fromHex("02 84 04"));
    }
    void staleDriverBytes() {
        QFETCH(QByteArray, stale);
        PtyWindow f("4,19200\r\n", "1,2,2,1\r\n");
        f.peer.write(stale);
        QThread::msleep(50); // in the driver, not yet taken: no event has run
        QTimer::singleShot(40, [&] { f.peer.write(withCrc(fromHex("02 04 04 00 EB FF 9C"))); });
        f.acquisition().readOnce();
        f.waitForRead();
        QCOMPARE(f.ui().txtOutPut->text(), "1#:23.50 2#:-10.00 ");
    }

    // (f) The data-file message opens after its tick; logging keeps ticking while it is open.
    void dataFileMessageAfterTheTick_data() { rows({"/nonexistent/data.txt", "/dev/full"}); }
    void dataFileMessageAfterTheTick() {
        QFETCH(QStringList, c);
        PtyWindow f;
        f.ui().txtFilePath->setText(c[0]);
        f.ui().CheckSave->setChecked(true);
        f.ui().txtTimerSet_1->setText("0.05");
        int ticks = 0, ticksWhileOpen = -1;
        connect(&f.acquisition().logTimer(), &QTimer::timeout, [&] { ++ticks; });
        f.messages.onShow = [&] {
            const int before = ticks;
            QTest::qWait(300);
            ticksWhileOpen = ticks - before;
        };
        f.click("cmdOneM");
        QTRY_VERIFY(ticksWhileOpen >= 3);
    }

    // (g) ".txt" added to the typed name: an existing file is replaced only after a Yes.
    void exportReplace_data() {
        // typed name, reply, asked, data.txt afterwards
        rows({"data|yes|asked|replaced", "data|no|asked|kept", "data.txt|no||replaced"});
    }
    void exportReplace() {
        QFETCH(QStringList, c);
        PtyWindow f;
        QVERIFY(writeFile(f.path("data.txt"), "kept"));
        f.get("txtSet")->setProperty("plainText", "1::5--5");
        f.files.answers << f.dir.filePath(c[0]);
        f.messages.replies << (c[1] == "yes");
        f.click("cmdSaveFile");
        QCOMPARE(f.messages.asked.value(0).text,
                 c[2].isEmpty() ? "" : f.path("data.txt") + " 已存在。\n要替换它吗？");
        QCOMPARE(readFile(f.path("data.txt")), c[3] == "kept" ? "kept" : "\"1::5--5\"\r\n");
    }
};

QTEST_MAIN(TstFidelity)
#include "tst_fidelity.moc"
