// The cable pulled and put back during "循环采集", twenty times: the simulator ends (its COM4
// link goes with it) and a new one comes up on another pseudo-terminal under the same COM4.
// The window reopens the port by itself, one attempt per request, and shows only new values.
#include "support/simwindow.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <csignal>

using namespace std::chrono_literals;
using namespace tr;

class TstE2eReplug : public QObject {
    Q_OBJECT
private slots:
    void valuesResumeWithinOneTick() {
        test::SimWindow w;
        QVERIFY(w.start({"--values", "11.1"}));
        w.ui().txtTimerSet_0->setText("250");
        w.acquisition().startCyclic();
        QTRY_COMPARE(w.box(0)->text(), QStringLiteral("11.10"));
        // Every text a value box takes after the return, and when the last box took its first:
        // the boxes are written inside the tick's 200 ms wait, which a look from here misses.
        QStringList shown;
        QElapsedTimer sinceReturn;
        QList<double> delays;
        for (int k = 0; k < 8; ++k)
            connect(w.box(k), &QLineEdit::textChanged, this, [&, k](const QString &text) {
                if (k == 7 && shown.size() == 7)
                    delays << double(sinceReturn.nsecsElapsed()) / 1e6;
                shown << text;
            });
        QSignalSpy attempts(&w.window->port(), &MSComm::openAttempted);
        auto sim = std::make_unique<SimulatorProcess>();
        for (int round = 0; round < 20; ++round) {
            QVERIFY((round == 0 ? w.sim : *sim).stop(SIGTERM, 2s));
            QTRY_VERIFY_WITH_TIMEOUT(!w.window->port().PortOpen(), 3000);
            attempts.clear();
            const int ticksAtLoss = w.ui().lblCounter->text().toInt();
            QTest::qWait(300 + round * 17);
            QTest::mouseClick(tr::test::control<QWidget>(*w.window, "cmdReadAlarm"),
                              Qt::LeftButton); // a request of its own
            QCOMPARE(attempts.count(), w.ui().lblCounter->text().toInt() - ticksAtLoss + 1);
            QVERIFY(tr::test::control<QWidget>(*w.window, "imgNotConnected")
                        ->toolTip()
                        .endsWith("无法打开：设备不存在"));

            const QString value = QString::number(20 + round) + ".5";
            sim = std::make_unique<SimulatorProcess>();
            QVERIFY(
                sim->start({"--values", QStringList(8, value).join(','), "--link", w.comPort()}));
            shown.clear();
            sinceReturn.start();
            QTRY_COMPARE_WITH_TIMEOUT(shown, QStringList(8, value + "0"), 3000);
            QCOMPARE(tr::test::control<QWidget>(*w.window, "imgNotConnected")->toolTip(),
                     QStringLiteral("数据采集通讯状态指示"));
        }
        std::ranges::sort(delays);
        qInfo("device back -> first fresh value, 20 returns at 250 ms: median %.1f ms, max %.1f "
              "ms",
              delays[10], delays.last());
        // The next tick sends; its answer takes about 15 ms at 19200 baud.
        QVERIFY2(delays.size() == 20 && delays.last() <= 350,
                 qPrintable(QString::number(delays.last())));
    }
};

QTEST_MAIN(TstE2eReplug)
#include "tst_e2e_replug.moc"
