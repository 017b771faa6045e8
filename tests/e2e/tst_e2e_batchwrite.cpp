// "批量定入" against the real simulator: what ends up in the module's calibration, where a batch
// stops when an answer is missing or the device vanishes, and that "No" sends nothing at all.
// It is clicked while a read of cyclic acquisition with logging waits for its answer: the batch
// has the line to itself, ends once, and acquisition resumes.
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
        // reply, --drop-answer or the request before which the simulator ends, requests, state
        // file, message
        QTest::addColumn<QStringList>("c");
        const QString f =
            "1 1000 0\n2 1200 5\n3 1000 0\n4 1000 0\n5 998 65526\n6 1000 0\n7 1000 0\n";
        QTest::newRow("channels 2, 5, 8") << QStringList{"yes", "", "9", f + "8 1 7\n", ""};
        QTest::newRow("third channel's first answer dropped")
            << QStringList{"yes", "7", "7", f + "8 1 0\n",
                           "批量定入失败：第8通道 写入斜率：无回应\n已完成的通道：2、5"};
        QTest::newRow("No") << QStringList{"no", "", "0", "<missing>", ""};
        QTest::newRow("device gone before the fourth request") << QStringList{
            "yes", "end 4", "3", f.left(36) + "5 1000 0\n6 1000 0\n7 1000 0\n8 1000 0\n",
            "批量定入失败：第5通道 写入斜率：串口未打开\n已完成的通道：2"};
    }
    void batchWrite() {
        QFETCH(QStringList, c);
        const QString list = "2::1200--5\n5::998--65526\n8::1--7\n";
        SimWindow w;
        const QString state = w.path("sim.state");
        const int endAt = c[1].startsWith("end") ? c[1].mid(4).toInt() : 0;
        QVERIFY(w.start(
            QStringList{"--station", "1", "--state", state} +
            (c[1].isEmpty() || endAt ? QStringList() : QStringList{"--drop-answer", c[1]})));
        auto *txtSet = control<QPlainTextEdit>(*w.window, "txtSet");
        txtSet->setPlainText(list);
        w.messages.replies << (c[0] == "yes");
        // Reads at a station the simulator does not serve leave its answer count to the batch.
        w.setRequest(c[1].toInt() > 0 ? "3" : "1", "4", "0", "8");
        w.ui().txtTimerSet_0->setText("100");
        w.ui().txtTimerSet_1->setText("0.5");
        w.ui().CheckSave->setChecked(true);
        w.acquisition().startCyclic();
        auto *const command2 = control<QPushButton>(*w.window, "Command2");
        QPushButton *const buttons[] = {control<QPushButton>(*w.window, "comDoOnce"),
                                        control<QPushButton>(*w.window, "cmdOneM")};
        int sent = 0, ends = 0;
        QString enabled; // "单次采集" and "循环采集" at every request of the batch
        const BatchWrite &batch = w.window->calibration().batchWriter();
        connect(&batch, &BatchWrite::finished, this, [&] { ++ends; });
        connect(&batch, &BatchWrite::sending, this, [&] {
            enabled += QString::number(buttons[0]->isEnabled() + buttons[1]->isEnabled());
            if (++sent == endAt)
                w.sim.process().kill(), w.sim.process().waitForFinished(2000);
        });
        QTest::qWait(350);
        connect(
            &w.window->link(), &Link::commandText, this,
            [&] { QTimer::singleShot(0, [=] { QTest::mouseClick(command2, Qt::LeftButton); }); },
            Qt::SingleShotConnection);
        QTRY_VERIFY(!w.messages.asked.isEmpty());
        QCOMPARE(w.messages.asked.value(0).text,
                 "将向设备地址 1 写入 3 个通道的斜率和偏移量。写入期间采集暂停，正在进行的循环采"
                 "集在写入结束后恢复。是否继续？");
        QTRY_VERIFY_WITH_TIMEOUT(!batch.running(), 5000);
        QString functions; // measurement and calibration requests as M and C
        for (const WireLine &request : w.waitForLog("RX", 1000, 300))
            functions += request.bytes.at(1) == 0x42 ? 'C' : 'M';
        QVERIFY2(
            QRegularExpression(QStringLiteral("^M*C{%1}M*$").arg(c[2])).match(functions).hasMatch(),
            qPrintable(functions));
        QCOMPARE(QString::number(ends) + enabled,
                 QString::number(c[0] == "yes") + QString(sent, '0'));
        // Acquisition and its logging run again; the buttons are back.
        QVERIFY(buttons[0]->isEnabled() && buttons[1]->isEnabled());
        QVERIFY(w.acquisition().cyclicTimer().isActive() && w.acquisition().logTimer().isActive());
        QCOMPARE(w.messages.texts(), c[4]);
        // Done or not, every line is still in the list, so the batch can be run again.
        QCOMPARE(txtSet->toPlainText(), list);
        const QByteArray kept = readFile(state); // after its comment line
        QCOMPARE(kept.mid(kept.indexOf('\n') + 1), c[3].toLatin1());
    }
};

QTEST_MAIN(TstE2eBatchWrite)
#include "tst_e2e_batchwrite.moc"
