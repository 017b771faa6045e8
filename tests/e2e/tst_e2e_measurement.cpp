// The measurement road end to end: the real window and its QSerialPort on COM4, the real module
// simulator on the other end of the pseudo-terminal. What the window shows and logs is checked
// against what the simulator says it sent.
#include "e2e/simwindow.h"

#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>

using namespace tr;
using namespace tr::e2e;

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

struct Record {
    QDateTime when;
    QString line;
};

// Splits the data file into records: a quote, "yyyy-M-d H:mm:ss", three blanks, the value line,
// three blanks, a quote, CR LF. Stops at the first line that breaks the format.
QList<Record> parseRecords(const QByteArray &file, QString *error) {
    static const QRegularExpression record(
        QStringLiteral(R"(^"(\d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{2}:\d{2})   (.*)   "$)"));
    QList<Record> records;
    QStringList lines = QString::fromLocal8Bit(file).split(QStringLiteral("\r\n"));
    if (lines.takeLast() != QString()) {
        *error = QStringLiteral("the file does not end with CR LF");
        return records;
    }
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = record.match(line);
        if (!m.hasMatch() || line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r'))) {
            *error = QStringLiteral("not a record: [%1]").arg(line);
            return records;
        }
        records.append({QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-M-d H:mm:ss")),
                        m.captured(2)});
    }
    return records;
}

// What the value boxes show for an answer of eight registers.
QStringList boxesOf(const QByteArray &answer) {
    QStringList texts;
    for (int n = 0; n < 8; ++n) {
        const int raw = quint8(answer[3 + 2 * n]) * 256 + quint8(answer[4 + 2 * n]);
        const int tenths = raw <= 40000 ? raw : raw - 65536;
        texts << (raw == 0xFFFF ? QStringLiteral("0") : QString::number(tenths / 10.0, 'f', 2));
    }
    return texts;
}

} // namespace

class TstE2eMeasurement : public QObject {
    Q_OBJECT

    // Cyclic acquisition every 250 ms with a record every 0.5 s for about `ms`, then stop.
    // Returns the records of the default data file; the window's times bracket them.
    QList<Record> runCyclic(SimWindow &f, int ms, QDateTime *begin, QDateTime *end,
                            QString *error) {
        f.ui().txtTimerSet_0->setText(QStringLiteral("250"));
        f.ui().txtTimerSet_1->setText(QStringLiteral("0.5"));
        f.ui().CheckSave->setChecked(true);
        *begin = QDateTime::currentDateTime();
        QTest::mouseClick(f.ui().cmdOneM, Qt::LeftButton);
        QTest::qWait(ms);
        QTest::mouseClick(f.ui().cmdStopOnce, Qt::LeftButton);
        *end = QDateTime::currentDateTime();
        // The answer to the last tick's request.
        QTest::qWait(300);
        return parseRecords(readFile(f.path(QStringLiteral("dataGet.txt"))), error);
    }

    void verifyRecordTimes(const QList<Record> &records, const QDateTime &begin,
                           const QDateTime &end) {
        // Records carry whole seconds.
        const QDateTime from = begin.addMSecs(-begin.time().msec());
        QDateTime previous = from;
        for (const Record &r : records) {
            QVERIFY(r.when.isValid());
            QVERIFY2(r.when >= previous && r.when <= end,
                     qPrintable(r.when.toString(Qt::ISODate) + " outside " +
                                from.toString(Qt::ISODate) + " .. " + end.toString(Qt::ISODate)));
            previous = r.when;
        }
    }

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
        QStringList open3 = kEightShown;
        open3[2] = "0";
        QTest::newRow("open sensor 3")
            << QStringList{"--values", kEight, "--open", "3"} << "4" << open3
            << "1#:23.50 2#:-10.00 4#:100.10 5#:-0.50 6#:55.50 7#:12.30 8#:40.00 ";
        QStringList open18 = kEightShown;
        open18[0] = open18[7] = "0";
        QTest::newRow("open sensors 1 and 8")
            << QStringList{"--values", kEight, "--open", "1,8"} << "4" << open18
            << "2#:-10.00 3#:0.00 4#:100.10 5#:-0.50 6#:55.50 7#:12.30 ";
        QTest::newRow("PT100 range ends")
            << QStringList{"--values", "-200,850,-0.2,0.1,-55.5,600.4,1,-1"} << "4"
            << QStringList{"-200.00", "850.00", "-0.20", "0.10",
                           "-55.50",  "600.40", "1.00",  "-1.00"}
            << "1#:-200.00 2#:850.00 3#:-0.20 4#:0.10 5#:-55.50 6#:600.40 7#:1.00 8#:-1.00 ";
        // -1 tenth is 0xFFFF on the wire, the open-sensor mark: the module cannot report -0.1.
        QTest::newRow("-0.1 reads as an open sensor")
            << QStringList{"--values", "5,-0.1,1,2,3,4,6,7"} << "4"
            << QStringList{"5.00", "0", "1.00", "2.00", "3.00", "4.00", "6.00", "7.00"}
            << "1#:5.00 3#:1.00 4#:2.00 5#:3.00 6#:4.00 7#:6.00 8#:7.00 ";
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
        QCOMPARE(f.ui().txtCommand->text(), receivedText(requests[0].bytes).mid(1) + ' ');
        QCOMPARE(int(requests[0].bytes[1]), function.toInt());
        QCOMPARE(f.ui().txtState->toPlainText(), receivedText(answers[0].bytes));
    }

    void faultyAnswerChangesNoValue_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("tag");   // the simulator's log tag of what it did
        QTest::addColumn<int>("lamp");      // the lamp in front afterwards
        QTest::addColumn<bool>("received"); // the answer reached the threshold and is shown

        QTest::newRow("corrupted")
            << QStringList{"--corrupt", "1"} << "TX-CORRUPT" << int(Lamp::NotConnected) << true;
        QTest::newRow("stray bytes first")
            << QStringList{"--garbage", "1"} << "TX-GARBAGE" << int(Lamp::NotConnected) << true;
        QTest::newRow("truncated")
            << QStringList{"--truncate", "1"} << "TX-TRUNCATE" << int(Lamp::Yellow) << false;
        QTest::newRow("dropped") << QStringList{"--drop", "1"} << "DROP" << int(Lamp::Yellow)
                                 << false;
        QTest::newRow("exception 04")
            << QStringList{"--exception", "1"} << "TX-EXCEPTION" << int(Lamp::Yellow) << false;
        QTest::newRow("module at station 3")
            << QStringList{"--station", "3"} << "RX-OTHER" << int(Lamp::Yellow) << false;
    }
    void faultyAnswerChangesNoValue() {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, tag);
        QFETCH(int, lamp);
        QFETCH(bool, received);

        SimWindow f;
        QVERIFY(f.start(simArgs << "--values" << kEight));
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
                 received ? receivedText(fault[0].bytes.left(kAnswerLength)) : QString());
        QVERIFY(f.messages.shown.isEmpty());
    }

    void lateAnswer_data() {
        QTest::addColumn<int>("lateMs");
        QTest::addColumn<bool>("insideWait");
        QTest::newRow("100 ms: within the wait") << 100 << true;
        QTest::newRow("300 ms: after the wait") << 300 << false;
    }
    void lateAnswer() {
        QFETCH(int, lateMs);
        QFETCH(bool, insideWait);

        SimWindow f;
        QVERIFY(f.start({"--values", kEight, "--late-ms", QString::number(lateMs)}));
        f.fillBoxes(QStringLiteral("77.70"));
        QElapsedTimer clock;
        clock.start();
        f.acquireOnce();
        QVERIFY(clock.elapsed() >= 200);
        if (insideWait) {
            QCOMPARE(f.values(), kEightShown);
            QCOMPARE(f.lamp(), Lamp::Connected);
        } else {
            QCOMPARE(f.values(), QStringList(8, QStringLiteral("77.70")));
            QCOMPARE(f.colour(0), kRed);
            QCOMPARE(f.lamp(), Lamp::Yellow);
            // The slot still expects the answer when it comes after the wait.
            QTRY_COMPARE_WITH_TIMEOUT(f.values(), kEightShown, 1000);
            QCOMPARE(f.lamp(), Lamp::Connected);
        }
        for (int k = 0; k < 8; ++k)
            QCOMPARE(f.colour(k), kBlack);
        QCOMPARE(f.ui().txtOutPut->text(), kEightLine);

        const QList<WireLine> late = f.waitForLog(QStringLiteral("TX-LATE"), 1);
        const QList<WireLine> requests = f.log(QStringLiteral("RX"));
        QCOMPARE(late.size(), 1);
        QCOMPARE(requests.size(), 1);
        QVERIFY(late[0].micros - requests[0].micros >= qint64(lateMs) * 1000);
    }

    void cyclicLoggingRecordsTheModuleValues() {
        SimWindow f;
        QVERIFY(f.start({"--values", kEight}));
        QCOMPARE(f.ui().txtFilePath->text(), f.path(QStringLiteral("dataGet.txt")));
        QDateTime begin, end;
        QString error;
        const QList<Record> records = runCyclic(f, 3000, &begin, &end, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        // One record every 0.5 s for 3 s.
        QVERIFY2(records.size() >= 5 && records.size() <= 7,
                 qPrintable(QString::number(records.size())));
        verifyRecordTimes(records, begin, end);
        if (QTest::currentTestFailed())
            return;
        // Only a record written before the first answer may be empty.
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (i == 0 && records[i].line.isEmpty())
                continue;
            QCOMPARE(records[i].line, kEightLine);
        }
        QVERIFY(!records.last().line.isEmpty());

        // Every tick sent one request and the module answered each one.
        const int ticks = f.ui().lblCounter->text().toInt() - 1;
        QVERIFY2(ticks >= 8 && ticks <= 14, qPrintable(QString::number(ticks)));
        QCOMPARE(f.log(QStringLiteral("RX")).size(), ticks);
        QCOMPARE(f.log(QStringLiteral("TX")).size(), ticks);
        QVERIFY(f.messages.shown.isEmpty());
    }

    void cyclicLoggingFollowsTheModule_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<bool>("faulty");
        QTest::newRow("drifting") << QStringList{"--seed", "11"} << false;
        QTest::newRow("drifting, faulty line, open sensor 5")
            << QStringList{"--seed",     "12",   "--open", "5",   "--corrupt", "0.25",
                           "--truncate", "0.15", "--drop", "0.1", "--garbage", "0.1"}
            << true;
    }
    void cyclicLoggingFollowsTheModule() {
        QFETCH(QStringList, simArgs);
        QFETCH(bool, faulty);

        SimWindow f;
        QVERIFY(f.start(simArgs));
        QDateTime begin, end;
        QString error;
        const QList<Record> records = runCyclic(f, 3000, &begin, &end, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY2(records.size() >= 5 && records.size() <= 7,
                 qPrintable(QString::number(records.size())));
        verifyRecordTimes(records, begin, end);
        if (QTest::currentTestFailed())
            return;

        // The value lines of the intact answers, in the order they were sent.
        const QList<WireLine> intact = f.log(QStringLiteral("TX"));
        QStringList sent;
        for (const WireLine &w : intact)
            sent << valueLineOf(w.bytes);
        QVERIFY(!sent.isEmpty());
        QVERIFY2(QSet<QString>(sent.begin(), sent.end()).size() > 1, "the module did not drift");
        const QList<WireLine> all = f.log();
        const auto faults = std::count_if(all.begin(), all.end(), [](const WireLine &w) {
            return w.tag == QStringLiteral("DROP") || w.tag.startsWith(QStringLiteral("TX-"));
        });
        QCOMPARE(faults > 0, faulty);

        // Each record holds the line of an intact answer, never an older one than the record
        // before; a faulty answer never reaches the file.
        // Records before the first intact answer are empty.
        qsizetype at = 0;
        bool answered = false;
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (!answered && records[i].line.isEmpty())
                continue;
            answered = true;
            const qsizetype found = sent.indexOf(records[i].line, at);
            QVERIFY2(found >= 0,
                     qPrintable(QStringLiteral("record %1 [%2] is no intact answer (from %3 on)")
                                    .arg(i)
                                    .arg(records[i].line)
                                    .arg(at)));
            at = found;
        }
        // The window ends showing the last intact answer, whatever came after it.
        QCOMPARE(f.ui().txtOutPut->text(), sent.last());
        QCOMPARE(f.values(), boxesOf(intact.last().bytes));
        QCOMPARE(f.log(QStringLiteral("RX")).size(), f.ui().lblCounter->text().toInt() - 1);
    }
};

QTEST_MAIN(TstE2eMeasurement)
#include "tst_e2e_measurement.moc"
