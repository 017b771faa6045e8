// The measurement road end to end: the real window and its QSerialPort on COM4, the real module
// simulator at the other end of the pseudo-terminal. What the window shows, logs and how soon
// is checked against what the simulator says it sent and when.
#include "support/simwindow.h"

#include <QDateTime>
#include <QRegularExpression>

using namespace tr;
using namespace tr::test;

namespace {

const QString kEight = "23.5,-10,0,100.1,-0.5,55.5,12.3,40";
const QStringList kShown{"23.50", "-10.00", "0.00", "100.10", "-0.50", "55.50", "12.30", "40.00"};
const QString kLine = "1#:23.50 2#:-10.00 3#:0.00 4#:100.10 5#:-0.50 6#:55.50 7#:12.30 8#:40.00 ";

} // namespace

class TstE2e : public QObject {
    Q_OBJECT
private slots:
    // One "单次采集" with the boxes at 77.70: what the window shows once the answer (or its
    // late or broken remains) had time to come, against the bytes the simulator logged.
    void singleAcquisition_data() {
        QTest::addColumn<QString>("args"); // the simulator's, besides the values
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("tag"); // its log tag for the answer
        QTest::addColumn<bool>("inWait"); // shown before the click returns
        const auto row = [](const char *name, const char *args, const char *function,
                            const char *tag, bool inWait = true) {
            QTest::newRow(name) << QString(args) << QString(function) << QString(tag) << inWait;
        };
        row("function 4", "", "4", "TX");
        row("function 3", "", "3", "TX");
        row("open sensors 1 and 8", "--open 1,8", "4", "TX");
        row("120 ms late: in the wait", "--late-ms 120", "4", "TX-LATE");
        row("300 ms late: after the wait", "--late-ms 300", "4", "TX-LATE", false);
        row("corrupted", "--corrupt 1", "4", "TX-CORRUPT");
        row("truncated", "--truncate 1", "4", "TX-TRUNCATE");
        row("dropped", "--drop 1", "4", "DROP");
        row("exception 04", "--exception 1", "4", "TX-EXCEPTION");
    }
    void singleAcquisition() {
        QFETCH(QString, args);
        QFETCH(QString, function);
        QFETCH(QString, tag);
        QFETCH(bool, inWait);
        SimWindow w;
        QVERIFY(w.start(QStringList{"--values", kEight} + args.split(' ', Qt::SkipEmptyParts)));
        w.ui().txtFunID->setText(function);
        w.fillBoxes("77.70");
        w.ui().txtOutPut->setText("1#:77.70 ");
        w.acquireOnce();
        const bool fresh = tag == "TX" || tag == "TX-LATE";
        QStringList boxes = fresh ? kShown : QStringList(8, "77.70");
        if (args.startsWith("--open"))
            boxes[0] = boxes[7] = "0";
        QCOMPARE(w.values(), inWait ? boxes : QStringList(8, "77.70"));
        // The rest of a cut answer, or a late one, would come now.
        QTest::qWait(inWait ? 100 : 400);
        const QList<WireLine> answers = w.waitForLog(tag, 1), requests = w.log("RX");
        QVERIFY(answers.size() == 1 && requests.size() == 1);
        QCOMPARE(w.values(), boxes);
        for (int k = 0; k < 8; ++k)
            QCOMPARE(w.colour(k), fresh ? QColor(Qt::black) : QColor(Qt::red));
        QCOMPARE(w.ui().txtOutPut->text(), fresh ? valueLineOf(answers[0].bytes) : "1#:77.70 ");
        // A corrupted, cut or missing answer is no answer: the lamp stays yellow.
        QCOMPARE(w.lamp(), fresh ? Lamp::Connected : Lamp::Yellow);
        // The texts show exactly the bytes that crossed the line; a received answer up to the
        // expected 21 bytes, the rest dropped.
        QCOMPARE(w.ui().txtCommand->text(), receivedHex(requests[0].bytes).mid(1) + ' ');
        QCOMPARE(w.ui().txtState->toPlainText(),
                 fresh || tag == "TX-CORRUPT" ? receivedHex(answers[0].bytes.left(21)) : "");
        QVERIFY(w.messages.shown.isEmpty());
    }

    // Every 250 ms for 3 s, a record every 0.5 s: the records hold the module's values.
    void cyclicLogging() {
        SimWindow w;
        QVERIFY(w.start({"--values", kEight}));
        w.ui().txtTimerSet_0->setText("250");
        w.ui().txtTimerSet_1->setText("0.5");
        w.ui().CheckSave->setChecked(true);
        const QDateTime begin = QDateTime::currentDateTime();
        w.acquisition().startCyclic();
        QTest::qWait(3000);
        w.acquisition().stopCyclic();
        const QDateTime end = QDateTime::currentDateTime();
        QTest::qWait(300); // the answer to the last tick's request
        // "yyyy-M-d H:mm:ss", three blanks, the value line, three blanks, in quotes, CR LF; whole
        // seconds in order within the run. Only a record before the first answer may be empty.
        static const QRegularExpression record(
            R"(^"(\d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{2}:\d{2})   (.*)   "$)");
        QStringList lines = QString::fromLocal8Bit(readFile(w.path("dataGet.txt"))).split("\r\n");
        QCOMPARE(lines.takeLast(), QString());
        QVERIFY2(lines.size() >= 5 && lines.size() <= 7, qPrintable(QString::number(lines.size())));
        QDateTime previous = begin.addMSecs(-begin.time().msec());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QRegularExpressionMatch m = record.match(lines[i]);
            const QDateTime when = QDateTime::fromString(m.captured(1), "yyyy-M-d H:mm:ss");
            QVERIFY2(m.hasMatch() && when >= previous && when <= end, qPrintable(lines[i]));
            QCOMPARE(m.captured(2), i == 0 && m.captured(2).isEmpty() ? "" : kLine);
            previous = when;
        }
        // Every tick sent one request and the module answered each one.
        const int ticks = w.ui().lblCounter->text().toInt() - 1;
        QVERIFY2(ticks >= 8 && ticks <= 14, qPrintable(QString::number(ticks)));
        QCOMPARE(w.log("RX").size(), ticks);
        QCOMPARE(w.log("TX").size(), ticks);
        QVERIFY(w.messages.shown.isEmpty());
    }

    // A dialog held open during cyclic acquisition with logging: the data-file error box of a
    // missing folder, or "选择文件" clicked while a read waits for its answer. Requests go on at
    // their period (at 100 ms a tick inside the last read's 200 ms wait sends nothing), and the
    // records written meanwhile hold the newest answers, not the line of the moment it opened.
    void dialogHeldOpen_data() {
        QTest::addColumn<int>("period");
        QTest::addColumn<bool>("fileDialog");
        for (const int period : {1000, 100})
            for (const bool fileDialog : {false, true})
                QTest::addRow("%d ms, %s", period, fileDialog ? "选择文件" : "error box")
                    << period << fileDialog;
    }
    void dialogHeldOpen() {
        QFETCH(int, period);
        QFETCH(bool, fileDialog);
        SimWindow w;
        QVERIFY(w.start({})); // values that wander: every answer differs from the last
        const QString file = w.path(fileDialog ? "data.txt" : "missing/data.txt");
        w.ui().txtFilePath->setText(file);
        w.ui().txtTimerSet_0->setText(QString::number(period));
        w.ui().txtTimerSet_1->setText(QString::number(period / 1000.0));
        w.ui().CheckSave->setChecked(true);
        const int holdMs = std::max(4 * period, 1500);
        qsizetype requests = -1;
        QSet<QString> records; // the value lines written while it was open
        (fileDialog ? w.files.onChoose : w.messages.onShow) = [&] {
            const qsizetype before = w.log("RX").size(), bytes = readFile(file).size();
            QTest::qWait(holdMs);
            requests = w.log("RX").size() - before;
            for (const QString &r : QString(readFile(file).mid(bytes)).split("\r\n"))
                records.insert(r.section("   ", 1, 1));
        };
        w.acquisition().startCyclic();
        QTest::qWait(period * 3 / 2);
        if (fileDialog)
            connect(
                &w.window->link(), &Link::commandText, this,
                [&] { QTimer::singleShot(0, [&] { w.acquisition().chooseDataFile(); }); },
                Qt::SingleShotConnection);
        QTRY_VERIFY_WITH_TIMEOUT(requests >= 0, holdMs + 3000);
        w.acquisition().stopCyclic();
        QVERIFY2(requests >= holdMs / std::max(period, 300) - 1,
                 qPrintable(QString::number(requests)));
        records.remove(QString());
        QVERIFY(!fileDialog || records.size() >= 2); // not one line frozen when it opened
    }

    // From the simulator's stamp of the last answer byte to the value box's text change, both
    // on CLOCK_MONOTONIC, over 100 single acquisitions.
    void latency() {
        SimWindow w;
        QVERIFY(w.start({"--values", kEight}));
        qint64 shownAt = 0;
        connect(w.box(0), &QLineEdit::textChanged, this, [&] { shownAt = monotonicMicros(); });
        QList<qint64> micros;
        for (int i = 0; i < 100; ++i) {
            w.box(0)->setText(QString()); // so that every decoded answer changes the text
            shownAt = 0;
            w.acquireOnce();
            const QList<WireLine> answers = w.waitForLog("TX", i + 1);
            QVERIFY2(answers.size() == i + 1 && shownAt != 0 && w.box(0)->text() == "23.50",
                     qPrintable(QString::number(i)));
            micros << shownAt - answers.last().micros;
        }
        std::sort(micros.begin(), micros.end());
        qInfo("last answer byte -> value box: median %.2f ms, best %.2f ms, worst %.2f ms",
              micros[50] / 1000.0, micros.first() / 1000.0, micros.last() / 1000.0);
        QVERIFY2(micros[50] < 20000, qPrintable(QString::number(micros[50])));
    }
};

QTEST_MAIN(TstE2e)
#include "tst_e2e.moc"
