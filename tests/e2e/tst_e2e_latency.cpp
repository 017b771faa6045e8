// How long an answer takes from the wire to the screen: the simulator stamps the moment its
// last answer byte went out (CLOCK_MONOTONIC), the window's value box stamps its text change on
// the same clock.
#include "support/simwindow.h"

#include <algorithm>

using namespace tr;
using namespace tr::test;

class TstE2eLatency : public QObject {
    Q_OBJECT

private slots:
    void lastAnswerByteToValueBox() {
        SimWindow f;
        QVERIFY(f.start({"--values", "23.5,-10,0,100.1,-0.5,55.5,12.3,40"}));

        qint64 shownAt = 0;
        // The box is emptied before each request, so every decoded answer changes its text.
        connect(f.box(0), &QLineEdit::textChanged, this, [&](const QString &text) {
            if (!text.isEmpty())
                shownAt = monotonicMicros();
        });

        constexpr int kRounds = 100;
        QList<qint64> micros;
        for (int i = 0; i < kRounds; ++i) {
            f.box(0)->clear();
            shownAt = 0;
            f.acquireOnce();
            const QList<WireLine> answers = f.waitForLog(QStringLiteral("TX"), i + 1);
            QCOMPARE(answers.size(), i + 1);
            QVERIFY2(shownAt != 0, qPrintable(QStringLiteral("round %1: no value shown").arg(i)));
            QCOMPARE(f.box(0)->text(), QStringLiteral("23.50"));
            micros << shownAt - answers.last().micros;
        }
        std::sort(micros.begin(), micros.end());
        const qint64 median = micros[kRounds / 2];
        qInfo("last answer byte -> value box: median %.2f ms, best %.2f ms, worst %.2f ms over %d "
              "single acquisitions",
              double(median) / 1000.0, double(micros.first()) / 1000.0,
              double(micros.last()) / 1000.0, kRounds);
        QVERIFY2(median < 20000, qPrintable(QString::number(median)));
    }
};

QTEST_MAIN(TstE2eLatency)
#include "tst_e2e_latency.moc"
