// The calibration road end to end: the real window and its serial port on COM4, the real module
// simulator on the other end. The simulator keeps the slope and offset of each channel in a state
// file, so what the window writes is checked by a decoder it does not share.
#include "calibration/calibrationpanel.h"
#include "e2e/simwindow.h"

#include <QPlainTextEdit>
#include <QRegularExpression>

using namespace tr;
using namespace tr::e2e;

namespace {

// Channel n starts with slope 1000 + n and offset 10 n.
QByteArray startState() {
    QByteArray state("# channel slope offset\n");
    for (int ch = 1; ch <= 8; ++ch)
        state += QByteArray::number(ch) + ' ' + QByteArray::number(1000 + ch) + ' ' +
                 QByteArray::number(10 * ch) + '\n';
    return state;
}

QString lineOf(int ch, int slope, int offset) {
    return QStringLiteral("%1::%2--%3\r\n").arg(ch).arg(slope).arg(offset);
}

// The slope and offset the simulator stored for a channel, from its state file.
std::optional<std::pair<int, int>> stored(const QString &stateFile, int channel) {
    const QStringList lines = QString::fromLatin1(readFile(stateFile)).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() == 3 && f[0] == QString::number(channel))
            return std::pair{f[1].toInt(), f[2].toInt()};
    }
    return std::nullopt;
}

class CalibrationWindow : public SimWindow {
public:
    QString stateFile() const { return path(QStringLiteral("calibration.state")); }

    bool startModule(QStringList extra = {}) {
        writeFile(stateFile(), startState());
        if (!start(QStringList{"--station", "2", "--state", stateFile()} + extra))
            return false;
        entry(2)->setText(QStringLiteral("2"));
        return true;
    }
    QLineEdit *entry(int i) const { return window->txtAlarmValue[std::size_t(i)]; }
    CalibrationPanel &panel() { return *window->calibration; }
    QString list() const { return window->ui.txtSet->toPlainText(); }
    void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
};

} // namespace

class TstCalibrationE2e : public QObject {
    Q_OBJECT
private slots:
    void readOneChannel() {
        CalibrationWindow f;
        QVERIFY(f.startModule());
        f.entry(3)->setText(QStringLiteral("3"));

        f.click(f.ui().cmdReadAlarm);

        QTRY_COMPARE(f.panel().ReadAllText, lineOf(3, 1003, 30));
        QCOMPARE(f.entry(0)->text(), QStringLiteral("1003"));
        QCOMPARE(f.entry(1)->text(), QStringLiteral("30"));
        QCOMPARE(f.list(), QStringLiteral("3::1003--30\n"));
        QCOMPARE(f.lamp(), Lamp::Connected);

        const QList<WireLine> requests = f.waitForLog(QStringLiteral("RX"), 1);
        const QList<WireLine> answers = f.waitForLog(QStringLiteral("TX"), 1);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(f.ui().txtCommand->text(), receivedText(requests[0].bytes).mid(1) + ' ');
        QCOMPARE(f.ui().txtState->toPlainText(), receivedText(answers[0].bytes));
    }

    void writeThenRead_data() {
        QTest::addColumn<bool>("slope"); // else the offset
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value"); // what the module must store and answer

        QTest::newRow("slope 1234") << true << "1234" << 1234;
        QTest::newRow("slope 0") << true << "0" << 0;
        QTest::newRow("slope 255") << true << "255" << 255;
        QTest::newRow("slope 256") << true << "256" << 256;
        QTest::newRow("slope 65535") << true << "65535" << 65535;
        QTest::newRow("slope 1000.5") << true << "1000.5" << 1000;
        QTest::newRow("offset 65526 (-1.0 degree)") << false << "65526" << 65526;
        QTest::newRow("offset 1001.5") << false << "1001.5" << 1002;
        QTest::newRow("offset &HFF") << false << "&HFF" << 255;
    }
    void writeThenRead() {
        QFETCH(bool, slope);
        QFETCH(QString, typed);
        QFETCH(int, value);

        CalibrationWindow f;
        QVERIFY(f.startModule());
        f.entry(3)->setText(QStringLiteral("5"));
        const int entry = slope ? 0 : 1;
        f.entry(entry)->setText(typed);

        f.click(slope ? f.ui().CmdWriteAlarmValue : f.ui().Command5);

        // The module echoes the request; the entry shows the value it carries.
        QTRY_COMPARE(f.entry(entry)->text(), QString::number(value));
        const QList<WireLine> echo = f.waitForLog(QStringLiteral("TX"), 1);
        QCOMPARE(echo.size(), 1);
        QCOMPARE(echo[0].bytes, f.log(QStringLiteral("RX")).value(0).bytes);
        QTRY_COMPARE(stored(f.stateFile(), 5),
                     (std::pair{slope ? value : 1005, slope ? 50 : value}));
        // A write adds no line to the list.
        QCOMPARE(f.panel().ReadAllText, QString());

        f.entry(0)->setText(QStringLiteral("0"));
        f.entry(1)->setText(QStringLiteral("0"));
        f.click(f.ui().cmdReadAlarm);
        QTRY_COMPARE(f.panel().ReadAllText, lineOf(5, slope ? value : 1005, slope ? 50 : value));
        // The other channels kept their calibration.
        QCOMPARE(stored(f.stateFile(), 4), (std::pair{1004, 40}));
        QCOMPARE(stored(f.stateFile(), 6), (std::pair{1006, 60}));
    }

    void batchAndExport() {
        CalibrationWindow f;
        QVERIFY(f.startModule());
        f.ui().txtSet->setPlainText(QStringLiteral("from before"));
        f.panel().setBatchIntervalMs(300);

        f.click(f.ui().cmdReadAll);
        QVERIFY(f.panel().Timer3.isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!f.panel().Timer3.isActive(), 10000);

        QString expected;
        for (int ch = 1; ch <= 8; ++ch)
            expected += lineOf(ch, 1000 + ch, 10 * ch);
        QCOMPARE(f.panel().ReadAllText, expected);
        QCOMPARE(f.entry(3)->text(), QStringLiteral("8"));
        const QList<WireLine> requests = f.log(QStringLiteral("RX"));
        QCOMPARE(requests.size(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(int(requests[i].bytes[5]), i + 1);

        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("txt")));
        f.files.answers << f.path(QStringLiteral("txt/module2"));
        f.click(f.ui().cmdSaveFile);

        QCOMPARE(f.files.asked.size(), 1);
        QCOMPARE(f.files.asked[0].initialDir, f.path(QStringLiteral("txt")));
        QVERIFY(f.messages.shown.isEmpty());
        QCOMPARE(readFile(f.path(QStringLiteral("txt/module2.txt"))),
                 '"' + expected.toLatin1() + "\"\r\n");
    }

    void otherStationAddsNoLine() {
        CalibrationWindow f;
        QVERIFY(f.startModule());
        f.entry(2)->setText(QStringLiteral("1"));
        f.entry(0)->setText(QStringLiteral("7"));

        f.click(f.ui().cmdReadAlarm);

        QCOMPARE(f.waitForLog(QStringLiteral("RX-OTHER"), 1).size(), 1);
        QTest::qWait(200);
        QVERIFY(f.log(QStringLiteral("TX")).isEmpty());
        QCOMPARE(f.panel().ReadAllText, QString());
        QCOMPARE(f.entry(0)->text(), QStringLiteral("7"));
    }
};

QTEST_MAIN(TstCalibrationE2e)
#include "tst_calibration_e2e.moc"
