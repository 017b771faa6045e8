// A dialog held open while cyclic acquisition runs, opened the way an operator meets it: the
// data-file error box after a failed record, "选择文件" clicked while a read waits for its answer.
// The simulator's log shows the requests going on at their period; the answers reach the boxes
// and the data file records them while the dialog is open.
#include "support/simwindow.h"

#include <QRegularExpression>

using namespace tr;
using namespace tr::test;

class TstE2eDialogs : public QObject {
    Q_OBJECT
private slots:
    void heldOpen_data() {
        QTest::addColumn<int>("period");      // ms
        QTest::addColumn<QString>("storage"); // s
        QTest::addColumn<bool>("fileDialog"); // else the data-file error box
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<int>("requests"); // at least, while open
        QTest::newRow("1000 ms, error box") << 1000 << "3" << false << 4000 << 3;
        QTest::newRow("1000 ms, 选择文件") << 1000 << "1" << true << 3500 << 3;
        // At 100 ms a tick that falls in the previous read's 200 ms wait sends nothing.
        QTest::newRow("100 ms, error box") << 100 << "0.3" << false << 1500 << 4;
        QTest::newRow("100 ms, 选择文件") << 100 << "0.3" << true << 1500 << 4;
    }
    void heldOpen() {
        QFETCH(int, period);
        QFETCH(QString, storage);
        QFETCH(bool, fileDialog);
        QFETCH(int, holdMs);
        QFETCH(int, requests);
        SimWindow w;
        QVERIFY(w.start({})); // values that wander: each answer differs from the last
        const QString dataFile = w.path(fileDialog ? "data.txt" : "missing/data.txt");
        w.ui().txtFilePath->setText(dataFile);
        w.ui().txtTimerSet_0->setText(QString::number(period));
        w.ui().txtTimerSet_1->setText(storage);
        w.ui().CheckSave->setChecked(true);

        int decoded = 0;
        connect(&w.window->link(), &Link::measurementDecoded, this, [&] { ++decoded; });
        struct {
            qsizetype requests = -1, decoded = 0, ticks = 0, fileBytes = 0;
            qint64 from = 0, to = 0;
        } open;
        const auto hold = [&] {
            open.requests = w.log("RX").size();
            open.decoded = decoded;
            open.ticks = w.ui().lblCounter->text().toInt();
            open.fileBytes = readFile(dataFile).size();
            open.from = monotonicMicros();
            QTest::qWait(holdMs);
            open.to = monotonicMicros();
            open.requests = w.log("RX").size() - open.requests;
            open.decoded = decoded - open.decoded;
            open.ticks = w.ui().lblCounter->text().toInt() - open.ticks;
        };
        (fileDialog ? w.files.onChoose : w.messages.onShow) = hold;
        w.acquisition().cmdOneM_Click();
        if (fileDialog) {
            // The operator clicks while a read waits for its answer.
            QTest::qWait(period * 3 / 2);
            auto *choose = control<QPushButton>(*w.window, "CommandChangeFile");
            auto once = std::make_shared<QMetaObject::Connection>();
            *once = connect(&w.window->link(), &Link::commandText, this, [=] {
                disconnect(*once);
                QTimer::singleShot(0, choose, [=] { QTest::mouseClick(choose, Qt::LeftButton); });
            });
        }
        QTRY_VERIFY_WITH_TIMEOUT(open.to != 0, holdMs + 5000);
        w.acquisition().cmdStopOnce_Click();
        const QString shown = QStringLiteral("%1 requests, %2 answers, %3 ticks while open")
                                  .arg(open.requests)
                                  .arg(open.decoded)
                                  .arg(open.ticks);
        qInfo("%s", qPrintable(shown));
        QVERIFY2(open.requests >= requests, qPrintable(shown));
        QVERIFY2(open.decoded >= open.requests - 1, qPrintable(shown));
        QVERIFY2(open.ticks >= holdMs / period - 1, qPrintable(shown));
        if (!fileDialog) {
            QCOMPARE(w.messages.shown.size(), 1);
            return;
        }
        // The records written while the dialog was open hold the newest answers, not a line
        // frozen at the moment it opened.
        QStringList answered;
        for (const WireLine &answer : w.log("TX"))
            if (answer.micros > open.from && answer.micros < open.to)
                answered << valueLineOf(answer.bytes);
        static const QRegularExpression record("^\"[^\"]*?   (.*)   \"$");
        QStringList lines;
        for (const QString &line : QString::fromLocal8Bit(readFile(dataFile).mid(open.fileBytes))
                                       .split("\r\n", Qt::SkipEmptyParts))
            lines << record.match(line).captured(1);
        QVERIFY2(lines.size() >= holdMs / (storage.toDouble() * 1000) - 1,
                 qPrintable(lines.join('\n')));
        QVERIFY2(answered.contains(lines.last()) && QSet(lines.begin(), lines.end()).size() >= 2,
                 qPrintable(lines.join('\n')));
    }
};

QTEST_MAIN(TstE2eDialogs)
#include "tst_e2e_dialogs.moc"
