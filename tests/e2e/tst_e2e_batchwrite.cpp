// "批量定入" against the real simulator: what ends up in the module's calibration, where a batch
// stops when an answer is missing, and that "No" sends nothing at all.
#include "panels/calibrationpanel.h"
#include "support/simwindow.h"

#include <QPushButton>

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
                 "将向设备地址 1 写入 3 个通道的斜率和偏移量，是否继续？");
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->calibration().batchWrite().running(), 5000);
        QCOMPARE(w.waitForLog("RX", c[2].toInt() + 1, 300).size(), c[2].toInt());
        QCOMPARE(w.messages.texts(), c[4]);
        QCOMPARE(w.messages.shown.size(), c[4].isEmpty() ? 0 : 1);
        // Done or not, every line is still in the list, so the batch can be run again.
        QCOMPARE(txtSet->toPlainText(), list);
        const QByteArray kept = readFile(state); // after its comment line
        QCOMPARE(kept.mid(kept.indexOf('\n') + 1), c[3].toLatin1());
    }
};

QTEST_MAIN(TstE2eBatchWrite)
#include "tst_e2e_batchwrite.moc"
