// The measurement road end to end: the real window and its QSerialPort on COM4, the real module
// simulator on the other end of the pseudo-terminal. What the window shows and logs is checked
// against what the simulator says it sent.
#include "support/simwindow.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>

using namespace tr;
using namespace tr::test;

namespace {

// The module's eight channels and how the window must show them.
const QString kEight = QStringLiteral("23.5,-10,0,100.1,-0.5,55.5,12.3,40");
const QStringList kEightShown{"23.50", "-10.00", "0.00",  "100.10",
                              "-0.50", "55.50",  "12.30", "40.00"};
const QString kEightLine =
    QStringLiteral("1#:23.50 2#:-10.00 3#:0.00 4#:100.10 5#:-0.50 6#:55.50 7#:12.30 8#:40.00 ");

const QColor kRed(Qt::red);
const QColor kBlack(Qt::black);

// A measurement answer is station, function, count, 2 x 8 register bytes, CRC.
constexpr int kAnswerLength = 21;

} // namespace

class TstE2eMeasurement : public QObject {
    Q_OBJECT

private slots:
    void singleAcquisition_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("line");

        QTest::newRow("fc4 eight channels")
            << QStringList{"--values", kEight} << "4" << kEightShown << kEightLine;
        QTest::newRow("fc3 eight channels")
            << QStringList{"--values", kEight} << "3" << kEightShown << kEightLine;
        QStringList open18 = kEightShown;
        open18[0] = open18[7] = "0";
        QTest::newRow("open sensors 1 and 8")
            << QStringList{"--values", kEight, "--open", "1,8"} << "4" << open18
            << "2#:-10.00 3#:0.00 4#:100.10 5#:-0.50 6#:55.50 7#:12.30 ";
    }
    void singleAcquisition() {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, function);
        QFETCH(QStringList, boxes);
        QFETCH(QString, line);

        SimWindow f;
        QVERIFY(f.start(simArgs));
        f.ui().txtFunID->setText(function);
        f.acquireOnce();

        // Decoded inside the 200 ms wait, before the click returned.
        QCOMPARE(f.values(), boxes);
        for (int k = 0; k < 8; ++k)
            QCOMPARE(f.colour(k), kBlack);
        QCOMPARE(f.ui().txtOutPut->text(), line);
        QCOMPARE(f.lamp(), Lamp::Connected);
        QVERIFY(f.messages.shown.isEmpty());

        // The texts show exactly the bytes that crossed the line.
        const QList<WireLine> requests = f.waitForLog(QStringLiteral("RX"), 1);
        const QList<WireLine> answers = f.waitForLog(QStringLiteral("TX"), 1);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(f.ui().txtCommand->text(), receivedHex(requests[0].bytes).mid(1) + ' ');
        QCOMPARE(int(requests[0].bytes[1]), function.toInt());
        QCOMPARE(f.ui().txtState->toPlainText(), receivedHex(answers[0].bytes));
    }

    void faultyAnswerChangesNoValue_data() {
        QTest::addColumn<QString>("simArgs");
        QTest::addColumn<QString>("tag");   // the simulator's log tag of what it did
        QTest::addColumn<int>("lamp");      // the lamp in front afterwards
        QTest::addColumn<bool>("received"); // the answer reached the threshold and is shown

        const int red = int(Lamp::NotConnected), yellow = int(Lamp::Yellow);
        QTest::newRow("corrupted") << "--corrupt 1" << "TX-CORRUPT" << red << true;
        QTest::newRow("truncated") << "--truncate 1" << "TX-TRUNCATE" << yellow << false;
        QTest::newRow("dropped") << "--drop 1" << "DROP" << yellow << false;
        QTest::newRow("exception 04") << "--exception 1" << "TX-EXCEPTION" << yellow << false;
    }
    void faultyAnswerChangesNoValue() {
        QFETCH(QString, simArgs);
        QFETCH(QString, tag);
        QFETCH(int, lamp);
        QFETCH(bool, received);

        SimWindow f;
        QVERIFY(f.start(simArgs.split(' ') << "--values" << kEight));
        f.fillBoxes(QStringLiteral("77.70"));
        f.ui().txtOutPut->setText(QStringLiteral("1#:77.70 "));
        f.acquireOnce();
        // The rest of a cut answer or of a shifted one would come now.
        QTest::qWait(100);

        const QList<WireLine> fault = f.waitForLog(tag, 1);
        QCOMPARE(fault.size(), 1);
        QCOMPARE(f.log(QStringLiteral("TX")).size(), 0);
        QCOMPARE(f.values(), QStringList(8, QStringLiteral("77.70")));
        for (int k = 0; k < 8; ++k)
            QCOMPARE(f.colour(k), kRed);
        QCOMPARE(f.ui().txtOutPut->text(), QStringLiteral("1#:77.70 "));
        QCOMPARE(int(f.lamp()), lamp);
        // A received answer is shown as it came, up to the expected length; the rest is dropped.
        QCOMPARE(f.ui().txtState->toPlainText(),
                 received ? receivedHex(fault[0].bytes.left(kAnswerLength)) : QString());
        QVERIFY(f.messages.shown.isEmpty());
    }

    // 300 ms late: after the 200 ms wait the slot still expects the answer.
    void lateAnswer() {
        SimWindow f;
        QVERIFY(f.start({"--values", kEight, "--late-ms", "300"}));
        f.fillBoxes(QStringLiteral("77.70"));
        f.acquireOnce();
        QCOMPARE(f.values(), QStringList(8, QStringLiteral("77.70")));
        QCOMPARE(f.colour(0), kRed);
        QCOMPARE(f.lamp(), Lamp::Yellow);
        QTRY_COMPARE_WITH_TIMEOUT(f.values(), kEightShown, 1000);
        QCOMPARE(f.lamp(), Lamp::Connected);
        for (int k = 0; k < 8; ++k)
            QCOMPARE(f.colour(k), kBlack);
        QCOMPARE(f.ui().txtOutPut->text(), kEightLine);
        const QList<WireLine> late = f.waitForLog(QStringLiteral("TX-LATE"), 1);
        const QList<WireLine> requests = f.log(QStringLiteral("RX"));
        QCOMPARE(late.size(), 1);
        QCOMPARE(requests.size(), 1);
        QVERIFY(late[0].micros - requests[0].micros >= 300000);
    }

    // Cyclic acquisition every 250 ms with a record every 0.5 s for 3 s.
    void cyclicLoggingRecordsTheModuleValues() {
        SimWindow f;
        QVERIFY(f.start({"--values", kEight}));
        QCOMPARE(f.ui().txtFilePath->text(), f.path(QStringLiteral("dataGet.txt")));
        f.ui().txtTimerSet_0->setText(QStringLiteral("250"));
        f.ui().txtTimerSet_1->setText(QStringLiteral("0.5"));
        f.ui().CheckSave->setChecked(true);
        const QDateTime begin = QDateTime::currentDateTime();
        QTest::mouseClick(f.ui().cmdOneM, Qt::LeftButton);
        QTest::qWait(3000);
        QTest::mouseClick(f.ui().cmdStopOnce, Qt::LeftButton);
        const QDateTime end = QDateTime::currentDateTime();
        QTest::qWait(300); // the answer to the last tick's request
        // Records: a quote, "yyyy-M-d H:mm:ss", three blanks, the value line, three blanks, a
        // quote, CR LF; whole seconds, in order, within the run. Only a record written before
        // the first answer may be empty.
        static const QRegularExpression record(
            QStringLiteral(R"(^"(\d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{2}:\d{2})   (.*)   "$)"));
        QStringList lines =
            QString::fromLocal8Bit(readFile(f.path(QStringLiteral("dataGet.txt")))).split("\r\n");
        QCOMPARE(lines.takeLast(), QString()); // the file ends with CR LF
        QVERIFY2(lines.size() >= 5 && lines.size() <= 7, qPrintable(QString::number(lines.size())));
        QDateTime previous = begin.addMSecs(-begin.time().msec());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QRegularExpressionMatch m = record.match(lines[i]);
            QVERIFY2(m.hasMatch() && !lines[i].contains('\n') && !lines[i].contains('\r'),
                     qPrintable(lines[i]));
            const QDateTime when = QDateTime::fromString(m.captured(1), "yyyy-M-d H:mm:ss");
            QVERIFY2(when.isValid() && when >= previous && when <= end,
                     qPrintable(lines[i] + " outside the run"));
            previous = when;
            if (i > 0 || !m.captured(2).isEmpty())
                QCOMPARE(m.captured(2), kEightLine);
        }
        QVERIFY(!lines.last().endsWith("      \""));

        // Every tick sent one request and the module answered each one.
        const int ticks = f.ui().lblCounter->text().toInt() - 1;
        QVERIFY2(ticks >= 8 && ticks <= 14, qPrintable(QString::number(ticks)));
        QCOMPARE(f.log(QStringLiteral("RX")).size(), ticks);
        QCOMPARE(f.log(QStringLiteral("TX")).size(), ticks);
        QVERIFY(f.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TstE2eMeasurement)
#include "tst_e2e_measurement.moc"
