// "批量定入" against the real simulator: what ends up in the module's calibration, where a batch
// stops when an answer is missing, and that "No" sends nothing at all.
#include "panels/calibrationpanel.h"
#include "support/simwindow.h"

#include <QPushButton>
#include <QRegularExpression>

using namespace tr;
using namespace tr::test;

class TstE2eBatchWrite : public QObject {
    Q_OBJECT
private slots:
    void batchWrite_data() {
        QTest::addColumn<QStringList>("c"); // reply, --drop-answer, requests, state file, message
        const QString f =
            "1 1000 0\n2 1200 5\n3 1000 0\n4 1000 0\n5 998 65526\n6 1000 0\n7 1000 0\n";
        QTest::newRow("channels 2, 5, 8") << QStringList{"yes", "", "9", f + "8 1 7\n", ""};
        QTest::newRow("third channel's first answer dropped")
            << QStringList{"yes", "7", "7", f + "8 1 0\n",
                           "批量定入失败：第8通道 写入斜率：无回应\n已完成的通道：2、5"};
        QTest::newRow("No") << QStringList{"no", "", "0", "<missing>", ""};
    }
    void batchWrite() {
        QFETCH(QStringList, c);
        const QString list = "2::1200--5\n5::998--65526\n8::1--7\n";
        SimWindow w;
        const QString state = w.path("sim.state");
        QVERIFY(w.start(QStringList{"--station", "1", "--state", state} +
                        (c[1].isEmpty() ? QStringList() : QStringList{"--drop-answer", c[1]})));
        auto *txtSet = control<QPlainTextEdit>(*w.window, "txtSet");
        txtSet->setPlainText(list);
        w.messages.replies << (c[0] == "yes");
        control<QPushButton>(*w.window, "Command2")->click();
        QCOMPARE(w.messages.asked.value(0).text,
                 "将向设备地址 1 写入 3 个通道的斜率和偏移量。写入期间采集暂停，正在进行的循环采"
                 "集在写入结束后恢复。是否继续？");
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->calibration().batchWrite().running(), 5000);
        QCOMPARE(w.waitForLog("RX", c[2].toInt() + 1, 300).size(), c[2].toInt());
        QCOMPARE(w.messages.texts(), c[4]);
        QCOMPARE(w.messages.shown.size(), c[4].isEmpty() ? 0 : 1);
        // Done or not, every line is still in the list, so the batch can be run again.
        QCOMPARE(txtSet->toPlainText(), list);
        const QByteArray kept = readFile(state); // after its comment line
        QCOMPARE(kept.mid(kept.indexOf('\n') + 1), c[3].toLatin1());
    }

    // "批量定入" clicked while a read of cyclic acquisition with logging waits for its answer:
    // the batch has the line to itself with both acquisition buttons disabled, ends once (also
    // when the device vanishes between two steps), and acquisition and logging resume.
    void holdsTheLine_data() {
        QTest::addColumn<int>("vanishAt"); // the request before which the simulator ends
        QTest::newRow("written") << 0;
        QTest::newRow("device gone before the fourth request") << 4;
    }
    void holdsTheLine() {
        QFETCH(int, vanishAt);
        const QString list = "2::1200--5\n5::998--65526\n8::1--7\n";
        SimWindow w;
        QVERIFY(w.start({"--station", "1"}));
        w.setRequest("1", "4", "0", "8");
        w.ui().txtTimerSet_0->setText("100");
        w.ui().txtTimerSet_1->setText("0.5");
        w.ui().CheckSave->setChecked(true);
        auto *txtSet = control<QPlainTextEdit>(*w.window, "txtSet");
        txtSet->setPlainText(list);
        w.messages.replies << true;
        QPushButton *buttons[] = {control<QPushButton>(*w.window, "comDoOnce"),
                                  control<QPushButton>(*w.window, "cmdOneM")};
        const BatchWrite &batch = w.window->calibration().batchWrite();
        int sent = 0, finished = 0;
        QString enabled; // both buttons at each request
        connect(&batch, &BatchWrite::sending, this, [&] {
            enabled += QString::number(buttons[0]->isEnabled() + buttons[1]->isEnabled());
            if (++sent == vanishAt)
                w.sim.process().kill(), w.sim.process().waitForFinished(2000);
        });
        connect(&batch, &BatchWrite::finished, this, [&] { ++finished; });
        w.acquisition().cmdOneM_Click();
        QTest::qWait(350);
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(&w.window->link(), &Link::commandText, this, [&, once] {
            disconnect(*once);
            QTimer::singleShot(0, [&] {
                QTest::mouseClick(control<QPushButton>(*w.window, "Command2"), Qt::LeftButton);
            });
        });
        QTRY_VERIFY_WITH_TIMEOUT(finished > 0, 5000);
        QTest::qWait(300); // a second end would come now
        QCOMPARE(finished, 1);
        QCOMPARE(w.messages.shown.size(), vanishAt ? 1 : 0);
        QCOMPARE(txtSet->toPlainText(), list);
        QCOMPARE(enabled, QString(sent, '0'));
        QVERIFY(buttons[0]->isEnabled() && buttons[1]->isEnabled());
        QVERIFY(w.acquisition().Timer1().isActive() && w.acquisition().Timer2().isActive());
        if (vanishAt)
            return;
        // Nine calibration requests in a row, each answered, then measurement reads again.
        QString functions;
        for (const WireLine &request : w.waitForLog("RX", 0))
            functions += request.bytes.at(1) == 0x42 ? 'C' : 'M';
        QVERIFY2(QRegularExpression("^M+C{9}M+$").match(functions).hasMatch(),
                 qPrintable(functions));
        QCOMPARE(w.messages.shown.size(), 0);
    }
};

QTEST_MAIN(TstE2eBatchWrite)
#include "tst_e2e_batchwrite.moc"
