// "批量定入" against the real simulator: what ends up in the module's calibration, where a batch
// stops when an answer is missing, and that "No" sends nothing at all.
#include "panels/calibrationpanel.h"
#include "support/simwindow.h"

using namespace tr;
using namespace tr::test;

namespace {

const QString kList = "2::1200--5\n5::998--65526\n8::1--7\n";

// "slope offset" of channels 1 to 8 as the simulator keeps them; empty when it kept nothing.
QStringList calibration(const QString &stateFile) {
    QStringList out;
    for (const QByteArray &line : readFile(stateFile).split('\n'))
        if (!line.isEmpty() && !line.startsWith('#') && line != "<missing>")
            out << QString::fromLatin1(line).section(' ', 1);
    return out;
}

QStringList factoryWith(const QMap<int, QString> &changed) {
    QStringList out(8, "1000 0");
    for (auto it = changed.begin(); it != changed.end(); ++it)
        out[it.key() - 1] = it.value();
    return out;
}

} // namespace

class TstE2eBatchWrite : public QObject {
    Q_OBJECT
private slots:
    void batchWrite_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("dropAnswer"); // the simulator's --drop-answer, "" for none
        QTest::addColumn<int>("requests");
        QTest::addColumn<QStringList>("state");
        QTest::addColumn<QString>("message");
        QTest::newRow("channels 2, 5, 8")
            << true << "" << 9 << factoryWith({{2, "1200 5"}, {5, "998 65526"}, {8, "1 7"}}) << "";
        QTest::newRow("third answer dropped")
            << true << "3" << 3 << factoryWith({{2, "1200 5"}})
            << "批量定入失败：第2通道 读回校验：无回应\n已完成的通道：无";
        QTest::newRow("channel 8 slope echo dropped")
            << true << "7" << 7 << factoryWith({{2, "1200 5"}, {5, "998 65526"}, {8, "1 0"}})
            << "批量定入失败：第8通道 写入斜率：无回应\n已完成的通道：2、5";
        QTest::newRow("No") << false << "" << 0 << QStringList() << "";
    }
    void batchWrite() {
        QFETCH(bool, yes);
        QFETCH(QString, dropAnswer);
        QFETCH(int, requests);
        QFETCH(QStringList, state);
        QFETCH(QString, message);
        SimWindow w;
        const QString stateFile = w.path("sim.state");
        QStringList args{"--station", "1", "--state", stateFile};
        if (!dropAnswer.isEmpty())
            args << "--drop-answer" << dropAnswer;
        QVERIFY(w.start(args));
        w.ui().txtSet->setPlainText(kList);
        w.messages.replies << yes;

        w.ui().Command2->click();
        QCOMPARE(w.messages.asked.size(), 1);
        QCOMPARE(w.messages.asked[0].text,
                 QStringLiteral("将向设备地址 1 写入 3 个通道的斜率和偏移量，是否继续？"));
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->calibration().batchWrite().running(), 5000);

        QCOMPARE(w.waitForLog("RX", requests + 1, 300).size(), requests);
        QCOMPARE(w.messages.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        // Done or not, every line is still in the list, so the batch can be run again.
        QCOMPARE(w.ui().txtSet->toPlainText(), kList);
        QVERIFY(w.ui().Command2->isEnabled());
        QCOMPARE(calibration(stateFile), state);
    }
};

QTEST_MAIN(TstE2eBatchWrite)
#include "tst_e2e_batchwrite.moc"
