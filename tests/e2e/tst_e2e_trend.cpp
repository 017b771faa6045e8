// The trend and communication tabs as an operator uses them, against the simulator: the lines
// follow the readings, the view exports as csv, data files open (or are refused with a reason),
// the traffic is saved and the counters reset.
#include "monitor/samplestore.h"
#include "panels/linepanel.h"
#include "panels/trendchart.h"
#include "panels/trendpanel.h"
#include "support/simwindow.h"

#include <QLabel>
#include <QTabWidget>

using namespace tr;
using namespace tr::test;

namespace {

QStringList linesOf(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

void click(QWidget &root, const char *name) {
    QTest::mouseClick(control<QPushButton>(root, QLatin1String(name)), Qt::LeftButton);
}

} // namespace

class TstE2eTrend : public QObject {
    Q_OBJECT

private slots:
    void linesFollowAndExport() {
        SimWindow f;
        QVERIFY(f.start({"--values", "23.5,-10,0,100.1,-0.5,55.5,12.3,40", "--open", "3"}));
        TrendPanel &trend = f.window->trend();
        control<QTabWidget>(*f.window, "SSTab1")->setCurrentWidget(&trend);
        f.ui().txtTimerSet_0->setText(QStringLiteral("250"));
        click(*f.window, "cmdOneM");
        QTRY_VERIFY_WITH_TIMEOUT(trend.liveStore().size() >= 6, 5000);
        click(*f.window, "cmdStopOnce");
        QTest::qWait(300);

        // Seven lines drawn, none for the open sensor, which is no zero line either.
        trend.refresh();
        QTRY_VERIFY(trend.chart().traceItem().pointsDrawn() > 0);
        const SampleStore &store = trend.liveStore();
        for (qint64 i = store.firstIndex(); i < store.endIndex(); ++i) {
            QVERIFY(!store.row(i).hasValue(2));
            QCOMPARE(tenthsOf(store.row(i).lo[0]), 235);
        }

        const QString csv = f.path(QStringLiteral("view.csv"));
        f.files.answers << csv;
        click(trend, "cmdTrendExportCsv");
        QTRY_VERIFY(!trend.busy());
        QVERIFY(f.messages.shown.isEmpty());
        const QStringList rows = linesOf(csv);
        QCOMPARE(rows.value(0), QStringLiteral("time,ch1,ch2,ch3,ch4,ch5,ch6,ch7,ch8"));
        QCOMPARE(rows.size() - 1, store.size());
        QVERIFY2(rows.value(1).section(QLatin1Char(','), 1) ==
                     QStringLiteral("23.50,-10.00,,100.10,-0.50,55.50,12.30,40.00"),
                 qPrintable(rows.value(1)));
    }

    void openDataFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("message"); // part of it; empty: none

        const QByteArray good = "\"2024-3-5 9:07:05   1#:23.50 2#:-1.20    \"\r\n"
                                "\"2024-3-5 9:07:06   1#:23.60    \"\r\n";
        QTest::newRow("window records") << good << true << QString();
        QTest::newRow("a malformed line is named")
            << QByteArray(good).insert(good.indexOf('\n') + 1, "garbage\r\n") << true
            << QStringLiteral("第 2 行");
        QTest::newRow("empty") << QByteArray() << false << QStringLiteral("没有可显示的数据");
        QTest::newRow("not text") << QByteArray("\x7f"
                                                "ELF\x02\x01\x01\0\0\0",
                                                10)
                                  << false << QStringLiteral("不是数据文件");
    }
    void openDataFile() {
        QFETCH(QByteArray, content);
        QFETCH(bool, shown);
        QFETCH(QString, message);

        SimWindow f;
        QVERIFY(f.start({}));
        TrendPanel &trend = f.window->trend();
        control<QTabWidget>(*f.window, "SSTab1")->setCurrentWidget(&trend);
        const QString path = f.path(QStringLiteral("data.txt"));
        writeFile(path, content);
        f.files.answers << path;
        click(trend, "cmdTrendOpenFile");
        QTRY_VERIFY(!trend.busy());
        QCOMPARE(trend.showingFile(), shown);
        QCOMPARE(f.messages.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(f.messages.shown.constFirst().text.contains(message),
                     qPrintable(f.messages.shown.constFirst().text));
        if (!shown)
            return;
        QCOMPARE(trend.shownStore().size(), 2);
        // "继续" goes back to the live view.
        QCOMPARE(control<QPushButton>(trend, QStringLiteral("cmdTrendPause"))->text(),
                 QStringLiteral("继续"));
        click(trend, "cmdTrendPause");
        QVERIFY(!trend.showingFile());
        QVERIFY(trend.following());
    }

    void trafficSavedAndCountersReset() {
        SimWindow f;
        QVERIFY(f.start({"--drop", "0.5", "--seed", "3"}));
        LinePanel &line = f.window->lineMonitor();
        control<QTabWidget>(*f.window, "SSTab1")->setCurrentWidget(&line);
        for (int i = 0; i < 6; ++i)
            f.acquireOnce();
        QTRY_COMPARE(control<QLabel>(line, QStringLiteral("lblStatsRequests"))->text(),
                     QStringLiteral("6"));

        const QString path = f.path(QStringLiteral("traffic.txt"));
        f.files.answers << path;
        click(line, "cmdTrafficSave");
        const QStringList saved = linesOf(path);
        const LineRecorder &recorder = f.window->lineRecorder();
        QCOMPARE(saved.size(), recorder.history().size());
        QCOMPARE(saved.filter(QStringLiteral("  发送  02 04 00 00 00 08 F1 FF")).size(), 6);

        click(line, "cmdStatsReset");
        QCOMPARE(recorder.statistics().counts().requests, 0);
        QCOMPARE(control<QLabel>(line, QStringLiteral("lblStatsRequests"))->text(),
                 QStringLiteral("0"));
        click(line, "cmdTrafficClear");
        QCOMPARE(recorder.history().size(), 0);
    }
};

QTEST_MAIN(TstE2eTrend)
#include "tst_e2e_trend.moc"
