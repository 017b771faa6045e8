#include "calibration/calibrationpanel.h"
#include "serial/link.h"
#include "serial/mscomm.h"
#include "support/ptypeer.h"
#include "support/scripted.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using tr::test::fromHex;
using tr::test::withCrc;

namespace {

const QString Caption = QStringLiteral("系统提示");
const QString AddressMessage = QStringLiteral("请输入正确的设备地址和通道，范围为0-255");
const QString ValueMessage = QStringLiteral("请输入正确的参数值，范围为0-65535");

enum class Button { Read, WriteSlope, WriteOffset, ReadAll };

// The calibration frame on real widgets, wired to a real port on a pseudo-terminal whose master
// side the test holds.
struct Bench {
    QTemporaryDir dir;
    tr::test::PtyPeer peer;
    tr::MSComm port{dir.path()};
    tr::Link link{port};

    QLineEdit slope{QStringLiteral("0")};
    QLineEdit offset{QStringLiteral("0")};
    QLineEdit station{QStringLiteral("1")};
    QLineEdit channel{QStringLiteral("1")};
    QPlainTextEdit txtSet;
    QPushButton cmdReadAlarm, CmdWriteAlarmValue, Command5, cmdReadAll, cmdSaveFile;
    QLineEdit txtCommand, txtState;

    tr::test::ScriptedMessages messages;
    tr::test::ScriptedFiles files;
    std::unique_ptr<tr::CalibrationPanel> panel;

    int stopLogging = 0;
    int valuesStale = 0;
    QList<tr::Lamp> lamps;
    QStringList order; // what happened, in order, for the request steps

    explicit Bench(bool open = true) {
        tr::CalibrationWidgets w{{&slope, &offset, &station, &channel},
                                 &txtSet,
                                 &cmdReadAlarm,
                                 &CmdWriteAlarmValue,
                                 &Command5,
                                 &cmdReadAll,
                                 &cmdSaveFile};
        panel = std::make_unique<tr::CalibrationPanel>(w, link, messages, files, dir.path());

        QObject::connect(&link, &tr::Link::commandText, &txtCommand, [this](const QString &t) {
            txtCommand.setText(t);
            order << QStringLiteral("command");
        });
        QObject::connect(&link, &tr::Link::stateText, &txtState, &QLineEdit::setText);
        QObject::connect(&link, &tr::Link::valuesStale, [this] { ++valuesStale; });
        QObject::connect(&link, &tr::Link::lampRaised, [this](tr::Lamp l) { lamps << l; });
        QObject::connect(panel.get(), &tr::CalibrationPanel::stopLogging, [this] {
            ++stopLogging;
            order << QStringLiteral("stopLogging");
        });

        if (open && peer.ok() && peer.linkAs(dir.path(), 1)) {
            port.setCommPort(1);
            port.setSettings(QStringLiteral("19200,N,8,1"));
            port.setPortOpen(true);
            port.setRThreshold(1);
            port.setInputMode(1);
        }
    }

    QPushButton &button(Button b) {
        switch (b) {
        case Button::Read:
            return cmdReadAlarm;
        case Button::WriteSlope:
            return CmdWriteAlarmValue;
        case Button::WriteOffset:
            return Command5;
        case Button::ReadAll:
            break;
        }
        return cmdReadAll;
    }

    QByteArray nextFrame(int ms = 1000) { return peer.readFor(ms, 8); }
};

// What the module answers to a parameter read of one channel in these tests.
int slopeOf(int ch) {
    return 1000 + ch;
}
int offsetOf(int ch) {
    return 3 * ch;
}

QByteArray readAnswer(std::uint8_t station, int slope, int offset) {
    QByteArray a;
    a.append(static_cast<char>(station));
    a.append(static_cast<char>(0x42));
    a.append(static_cast<char>(slope & 0xFF));
    a.append(static_cast<char>(slope >> 8));
    a.append(static_cast<char>(offset & 0xFF));
    a.append(static_cast<char>(offset >> 8));
    return withCrc(a);
}

QString linesFor(const QList<int> &channels) {
    QString out;
    for (int ch : channels)
        out += QStringLiteral("%1::%2--%3\r\n").arg(ch).arg(slopeOf(ch)).arg(offsetOf(ch));
    return out;
}

// Plays the module during a batch: reads every request, answers those the test wants answered,
// until the batch timer has stopped and the line has been quiet for a while. Returns the
// channels that were asked for, in order.
QList<int> serveBatch(Bench &b, const std::function<bool(int)> &answer = {}, int quietMs = 300) {
    QList<int> asked;
    QByteArray pending;
    QDeadlineTimer deadline(20000);
    QDeadlineTimer quiet(quietMs);
    while (!deadline.hasExpired()) {
        const QByteArray got = b.peer.readFor(5, 8);
        pending += got;
        while (pending.size() >= 8) {
            const QByteArray request = pending.left(8);
            pending.remove(0, 8);
            const int ch = static_cast<std::uint8_t>(request[5]);
            asked << ch;
            if (!answer || answer(ch))
                b.peer.write(
                    readAnswer(static_cast<std::uint8_t>(request[0]), slopeOf(ch), offsetOf(ch)));
        }
        if (!got.isEmpty() || b.panel->Timer3.isActive())
            quiet.setRemainingTime(quietMs);
        else if (quiet.hasExpired())
            break;
    }
    return asked;
}

QString listShown(const Bench &b) {
    return b.txtSet.toPlainText();
}
QString withLf(QString crlf) {
    return crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

} // namespace

Q_DECLARE_METATYPE(Button)

class TestCalibration : public QObject {
    Q_OBJECT
private slots:
    void requests_data();
    void requests();
    void refusals_data();
    void refusals();
    void answers_data();
    void answers();
    void batchStartsAtTwoSeconds();
    void batch_data();
    void batch();
    void batchSkipsSilentChannel();
    void batchRestartClearsList();
    void batchOnClosedPort();
    void singleReadAfterBatchAddsLine();
    void saveDialog_data();
    void saveDialog();
    void save_data();
    void save();
    void saveTakesListAsShown();
    void saveCancelled();
    void saveFailure_data();
    void saveFailure();
};

void TestCalibration::requests_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<Button>("button");
    QTest::addColumn<QStringList>("entries"); // slope, offset, station, channel
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("kind");

    for (bool open : {true, false}) {
        const char *state = open ? "open" : "closed";
        QTest::addRow("%s: read 1/1", state)
            << open << Button::Read << QStringList{"0", "0", "1", "1"} << "01 42 00 00 02 01 B9 65"
            << 18;
        QTest::addRow("%s: read 1/8", state)
            << open << Button::Read << QStringList{"0", "0", "1", "8"} << "01 42 00 00 02 08 79 63"
            << 18;
        QTest::addRow("%s: slope 1000", state)
            << open << Button::WriteSlope << QStringList{"1000", "0", "1", "1"}
            << "01 42 01 E8 03 01 39 3D" << 16;
        QTest::addRow("%s: offset 0", state)
            << open << Button::WriteOffset << QStringList{"0", "0", "1", "1"}
            << "01 42 02 00 00 01 B9 BD" << 17;
    }
    // Only the written value is checked: a bad entry in the other box does not stop the write.
    QTest::newRow("slope 1000.5, bad offset entry")
        << true << Button::WriteSlope << QStringList{"1000.5", "x", "1", "1"}
        << "01 42 01 E8 03 01 39 3D" << 16;
    QTest::newRow("offset 0, bad slope entry")
        << true << Button::WriteOffset << QStringList{"-1", "0", "1.5", "0.5"}
        << "02 42 02 00 00 00 78 4E" << 17;
    QTest::newRow("read 1.5 station, 2.5 channel")
        << true << Button::Read << QStringList{"x", "x", "1.5", "2.5"} << "02 42 00 00 02 02 F9 57"
        << 18;
}

void TestCalibration::requests() {
    QFETCH(bool, open);
    QFETCH(Button, button);
    QFETCH(QStringList, entries);
    QFETCH(QString, frame);
    QFETCH(int, kind);

    Bench b(open);
    QVERIFY(b.peer.ok());
    QCOMPARE(b.port.PortOpen(), open);
    b.slope.setText(entries[0]);
    b.offset.setText(entries[1]);
    b.station.setText(entries[2]);
    b.channel.setText(entries[3]);
    b.txtState.setText(QStringLiteral("01 42"));

    b.button(button).click();

    QVERIFY(b.messages.shown.isEmpty());
    // Logging stops first, then the request goes out.
    QCOMPARE(b.order.value(0), QStringLiteral("stopLogging"));
    QCOMPARE(b.stopLogging, 1);
    QCOMPARE(b.valuesStale, 1);
    QCOMPARE(b.txtState.text(), QString());
    QCOMPARE(b.txtCommand.text(), frame + QLatin1Char(' '));
    QCOMPARE(b.txtCommand.text().size(), 24);
    QCOMPARE(int(b.link.ReceiveKind), kind);
    QCOMPARE(int(b.link.ExpectedLen), 8);
    QCOMPARE(b.port.RThreshold(), 8);
    QCOMPARE(b.lamps, QList<tr::Lamp>{open ? tr::Lamp::Connected : tr::Lamp::NotConnected});

    const QByteArray written = b.nextFrame(open ? 1000 : 200);
    QCOMPARE(written.toHex(' ').toUpper(), open ? frame.toLatin1() : QByteArray());
    // The typed entries stay until an answer replaces them.
    QCOMPARE(QStringList({b.slope.text(), b.offset.text(), b.station.text(), b.channel.text()}),
             entries);
}

void TestCalibration::refusals_data() {
    QTest::addColumn<Button>("button");
    QTest::addColumn<QStringList>("entries"); // slope, offset, station, channel
    QTest::addColumn<QString>("message");

    const QString A = AddressMessage;
    const QString V = ValueMessage;
    for (Button button : {Button::Read, Button::WriteSlope, Button::WriteOffset}) {
        const char *name = button == Button::Read         ? "read"
                           : button == Button::WriteSlope ? "slope"
                                                          : "offset";
        for (const char *bad : {"abc", "-1", "256", "255.5", ""}) {
            QTest::addRow("%s: station '%s'", name, bad)
                << button << QStringList{"5", "5", bad, "1"} << A;
            QTest::addRow("%s: channel '%s'", name, bad)
                << button << QStringList{"5", "5", "1", bad} << A;
        }
    }
    for (const char *bad : {"-1", "65536", "x", "65535.5", "-0.6"}) {
        QTest::addRow("slope '%s'", bad)
            << Button::WriteSlope << QStringList{bad, "5", "1", "1"} << V;
        QTest::addRow("offset '%s'", bad)
            << Button::WriteOffset << QStringList{"5", bad, "1", "1"} << V;
    }
    QTest::newRow("station before value")
        << Button::WriteSlope << QStringList{"x", "5", "x", "1"} << A;
    for (const char *bad : {"abc", "-1", "256"})
        QTest::addRow("batch: station '%s'", bad)
            << Button::ReadAll << QStringList{"5", "5", bad, "4"} << A;
}

void TestCalibration::refusals() {
    QFETCH(Button, button);
    QFETCH(QStringList, entries);
    QFETCH(QString, message);

    Bench b;
    QVERIFY(b.port.PortOpen());
    b.slope.setText(entries[0]);
    b.offset.setText(entries[1]);
    b.station.setText(entries[2]);
    b.channel.setText(entries[3]);
    b.txtCommand.setText(QStringLiteral("before"));
    b.txtState.setText(QStringLiteral("before"));
    b.txtSet.setPlainText(QStringLiteral("old list"));
    b.panel->ReadAllText = QStringLiteral("old list");

    b.button(button).click();

    QCOMPARE(b.messages.shown.size(), 1);
    QCOMPARE(b.messages.shown[0].text, message);
    QCOMPARE(b.messages.shown[0].caption, Caption);
    QCOMPARE(b.messages.shown[0].icon, tr::MessageBox::Icon::None);

    // Nothing at all happened besides the message.
    QCOMPARE(b.nextFrame(150), QByteArray());
    QCOMPARE(b.stopLogging, 0);
    QCOMPARE(b.valuesStale, 0);
    QVERIFY(b.lamps.isEmpty());
    QCOMPARE(int(b.link.ReceiveKind), 0);
    QCOMPARE(int(b.link.ExpectedLen), 0);
    QCOMPARE(b.port.RThreshold(), 1);
    QCOMPARE(b.txtCommand.text(), QStringLiteral("before"));
    QCOMPARE(b.txtState.text(), QStringLiteral("before"));
    QCOMPARE(listShown(b), QStringLiteral("old list"));
    QCOMPARE(b.panel->ReadAllText, QStringLiteral("old list"));
    QCOMPARE(QStringList({b.slope.text(), b.offset.text(), b.station.text(), b.channel.text()}),
             entries);
    QVERIFY(!b.panel->Timer3.isActive());
}

void TestCalibration::answers_data() {
    QTest::addColumn<Button>("button");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QByteArray>("answer"); // without CRC
    QTest::addColumn<QString>("slope");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("list");

    // The boxes hold slope 7 and offset 8 before the request.
    QTest::newRow("read") << Button::Read << "2" << fromHex("01 42 E8 03 0A 00") << "1000"
                          << "10"
                          << "2::1000--10\r\n";
    QTest::newRow("read, function 0x43")
        << Button::Read << "1" << fromHex("01 43 E8 03 0A 00") << "7"
        << "8"
        << "1::7--8\r\n";
    QTest::newRow("read, values above 32767")
        << Button::Read << "8" << fromHex("01 42 40 9C FF FF") << "40000"
        << "65535"
        << "8::40000--65535\r\n";
    QTest::newRow("slope echo") << Button::WriteSlope << "1" << fromHex("01 42 01 E9 03 01")
                                << "1001"
                                << "8"
                                << "";
    QTest::newRow("offset echo") << Button::WriteOffset << "1" << fromHex("01 42 02 40 9C 01")
                                 << "7"
                                 << "40000"
                                 << "";
    QTest::newRow("echo, function 0xC2")
        << Button::WriteSlope << "1" << fromHex("01 C2 01 E9 03 01") << "7"
        << "8"
        << "";
}

void TestCalibration::answers() {
    QFETCH(Button, button);
    QFETCH(QString, channel);
    QFETCH(QByteArray, answer);
    QFETCH(QString, slope);
    QFETCH(QString, offset);
    QFETCH(QString, list);

    Bench b;
    QVERIFY(b.port.PortOpen());
    b.slope.setText(QStringLiteral("7"));
    b.offset.setText(QStringLiteral("8"));
    b.channel.setText(channel);
    b.button(button).click();
    QCOMPARE(b.nextFrame().size(), 8);

    const QByteArray full = withCrc(answer);
    b.peer.write(full);
    QTRY_COMPARE(b.txtState.text(), QString::fromLatin1(' ' + full.toHex(' ').toUpper()));
    QTest::qWait(20);

    QCOMPARE(b.slope.text(), slope);
    QCOMPARE(b.offset.text(), offset);
    QCOMPARE(b.panel->ReadAllText, list);
    QCOMPARE(listShown(b), withLf(list));
    QCOMPARE(b.channel.text(), channel);
}

void TestCalibration::batchStartsAtTwoSeconds() {
    Bench b;
    b.cmdReadAll.click();
    QVERIFY(b.panel->Timer3.isActive());
    QCOMPARE(b.panel->Timer3.interval(), 2000);
    QCOMPARE(b.channel.text(), QStringLiteral("1"));
    // Channel 1 goes out at once, not at the first tick.
    QCOMPARE(b.nextFrame(500).toHex(' ').toUpper(), QByteArray("01 42 00 00 02 01 B9 65"));
    b.panel->Timer3.stop();
}

void TestCalibration::batch_data() {
    QTest::addColumn<int>("editAfter"); // answers handled before the edit; 0 = no edit
    QTest::addColumn<int>("entry");     // 2 station, 3 channel
    QTest::addColumn<QString>("editTo");
    QTest::addColumn<QList<int>>("read");
    QTest::addColumn<QString>("channelAtEnd");

    QTest::newRow("all eight") << 0 << 3 << "" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << "8";
    QTest::newRow("channel to 5 after 2") << 2 << 3 << "5" << QList<int>{1, 2, 6, 7, 8} << "8";
    QTest::newRow("channel to 5.5 after 2") << 2 << 3 << "5.5" << QList<int>{1, 2, 7, 8} << "8";
    QTest::newRow("channel to 8 after 3") << 3 << 3 << "8" << QList<int>{1, 2, 3} << "8";
    QTest::newRow("channel to 12 after 1") << 1 << 3 << "12" << QList<int>{1} << "12";
    QTest::newRow("channel to 0 after 7")
        << 7 << 3 << "0" << QList<int>{1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6, 7, 8} << "8";
    // Not a number, or a next channel out of range: the batch ends without a message.
    QTest::newRow("channel to abc after 4") << 4 << 3 << "abc" << QList<int>{1, 2, 3, 4} << "abc";
    QTest::newRow("channel to -3 after 2") << 2 << 3 << "-3" << QList<int>{1, 2} << "-3";
    QTest::newRow("station to abc after 3") << 3 << 2 << "abc" << QList<int>{1, 2, 3} << "3";
    QTest::newRow("station to 2 after 5")
        << 5 << 2 << "2" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << "8";
}

void TestCalibration::batch() {
    QFETCH(int, editAfter);
    QFETCH(int, entry);
    QFETCH(QString, editTo);
    QFETCH(QList<int>, read);
    QFETCH(QString, channelAtEnd);

    Bench b;
    QVERIFY(b.port.PortOpen());
    b.txtSet.setPlainText(QStringLiteral("earlier list"));
    b.panel->ReadAllText = QStringLiteral("earlier list\r\n");
    b.panel->setBatchIntervalMs(100);
    // Runs after the panel has added the line, before the next tick.
    int handled = 0;
    QObject::connect(&b.link, &tr::Link::parametersRead, [&] {
        if (++handled == editAfter)
            (entry == 2 ? b.station : b.channel).setText(editTo);
    });

    b.cmdReadAll.click();
    const QList<int> asked = serveBatch(b);

    QCOMPARE(asked, read);
    QVERIFY(!b.panel->Timer3.isActive());
    QCOMPARE(b.panel->ReadAllText, linesFor(read));
    QCOMPARE(listShown(b), withLf(linesFor(read)));
    QCOMPARE(b.channel.text(), channelAtEnd);
    QCOMPARE(b.stopLogging, read.size());
    QVERIFY(b.messages.shown.isEmpty());
}

void TestCalibration::batchSkipsSilentChannel() {
    Bench b;
    b.panel->setBatchIntervalMs(100);
    b.cmdReadAll.click();
    const QList<int> asked = serveBatch(b, [](int ch) { return ch != 4; });

    QCOMPARE(asked, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(b.panel->ReadAllText, linesFor({1, 2, 3, 5, 6, 7, 8}));
    QCOMPARE(b.channel.text(), QStringLiteral("8"));
}

void TestCalibration::batchRestartClearsList() {
    Bench b;
    b.panel->setBatchIntervalMs(100);
    int handled = 0;
    QObject::connect(&b.link, &tr::Link::parametersRead, [&] {
        if (++handled == 3)
            b.cmdReadAll.click();
    });

    b.cmdReadAll.click();
    const QList<int> asked = serveBatch(b);

    QCOMPARE(asked, (QList<int>{1, 2, 3, 1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(b.panel->ReadAllText, linesFor({1, 2, 3, 4, 5, 6, 7, 8}));
}

void TestCalibration::batchOnClosedPort() {
    Bench b(false);
    QVERIFY(!b.port.PortOpen());
    b.panel->setBatchIntervalMs(20);
    b.cmdReadAll.click();
    QTRY_VERIFY_WITH_TIMEOUT(!b.panel->Timer3.isActive(), 5000);

    // Each read showed its frame and the red lamp; none got an answer, so the list stays empty.
    QCOMPARE(b.stopLogging, 8);
    QCOMPARE(b.lamps, QList<tr::Lamp>(8, tr::Lamp::NotConnected));
    QCOMPARE(b.txtCommand.text(), QStringLiteral("01 42 00 00 02 08 79 63 "));
    QCOMPARE(b.channel.text(), QStringLiteral("8"));
    QCOMPARE(b.panel->ReadAllText, QString());
    QCOMPARE(listShown(b), QString());
}

void TestCalibration::singleReadAfterBatchAddsLine() {
    Bench b;
    b.panel->setBatchIntervalMs(100);
    b.cmdReadAll.click();
    QCOMPARE(serveBatch(b).size(), 8);

    b.slope.setText(QStringLiteral("0"));
    b.cmdReadAlarm.click();
    const QByteArray request = b.nextFrame();
    QCOMPARE(request.toHex(' ').toUpper(), QByteArray("01 42 00 00 02 08 79 63"));
    b.peer.write(readAnswer(1, 1234, 56));
    QTRY_COMPARE(b.slope.text(), QStringLiteral("1234"));

    QCOMPARE(b.panel->ReadAllText,
             linesFor({1, 2, 3, 4, 5, 6, 7, 8}) + QStringLiteral("8::1234--56\r\n"));
    QCOMPARE(listShown(b).count(QLatin1Char('\n')), 9);
}

void TestCalibration::saveDialog_data() {
    QTest::addColumn<bool>("txtFolder");
    QTest::newRow("txt folder beside the program") << true;
    QTest::newRow("no txt folder") << false;
}

void TestCalibration::saveDialog() {
    QFETCH(bool, txtFolder);
    Bench b;
    if (txtFolder)
        QVERIFY(QDir(b.dir.path()).mkdir(QStringLiteral("txt")));

    b.cmdSaveFile.click();

    QCOMPARE(b.files.asked.size(), 1);
    const tr::FileDialog::Options &o = b.files.asked[0];
    QVERIFY(o.save);
    QVERIFY(o.confirmOverwrite);
    QVERIFY(!o.mustExist);
    QVERIFY(!o.title.isEmpty());
    QCOMPARE(o.filter, QStringLiteral("txt (*.txt)"));
    QCOMPARE(o.initialDir, txtFolder ? b.dir.filePath(QStringLiteral("txt")) : b.dir.path());
}

void TestCalibration::save_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");

    QTest::newRow("data") << "data"
                          << "data.txt";
    QTest::newRow("data.txt") << "data.txt"
                              << "data.txt";
    QTest::newRow("DATA.TXT") << "DATA.TXT"
                              << "DATA.TXT.txt";
}

void TestCalibration::save() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);

    Bench b;
    QTemporaryDir out;
    // A real read fills the list, so the file shows what an operator would save.
    b.channel.setText(QStringLiteral("3"));
    b.cmdReadAlarm.click();
    QCOMPARE(b.nextFrame().size(), 8);
    b.peer.write(readAnswer(1, 1000, 0));
    QTRY_COMPARE(b.panel->ReadAllText, QStringLiteral("3::1000--0\r\n"));

    b.files.answers << out.filePath(chosen);
    b.cmdSaveFile.click();

    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{written});
    QCOMPARE(fileBytes(out.filePath(written)), QByteArray("\"3::1000--0\r\n\"\r\n"));
}

void TestCalibration::saveTakesListAsShown() {
    Bench b;
    QTemporaryDir out;
    b.panel->ReadAllText = QStringLiteral("1::5--5\r\n");
    b.txtSet.setPlainText(QStringLiteral("1::5--5\r\n2::6--6 edited"));
    b.files.answers << out.filePath(QStringLiteral("list.txt"));

    b.cmdSaveFile.click();

    QCOMPARE(fileBytes(out.filePath(QStringLiteral("list.txt"))),
             QByteArray("\"1::5--5\r\n2::6--6 edited\"\r\n"));
}

void TestCalibration::saveCancelled() {
    Bench b;
    QVERIFY(QDir(b.dir.path()).mkdir(QStringLiteral("txt")));
    const QString existing = b.dir.filePath(QStringLiteral("txt/data.txt"));
    {
        QFile f(existing);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("kept");
    }
    b.txtSet.setPlainText(QStringLiteral("1::5--5\r\n"));
    b.files.answers << std::nullopt;

    b.cmdSaveFile.click();

    QCOMPARE(b.files.asked.size(), 1);
    QVERIFY(b.messages.shown.isEmpty());
    QCOMPARE(fileBytes(existing), QByteArray("kept"));
    QCOMPARE(QDir(b.dir.filePath(QStringLiteral("txt"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("data.txt")});
}

void TestCalibration::saveFailure_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("missing folder") << "missing";
    QTest::newRow("folder is a file") << "file";
}

void TestCalibration::saveFailure() {
    QFETCH(QString, where);
    Bench b;
    QTemporaryDir out;
    const QString folder = out.filePath(QStringLiteral("sub"));
    if (where == QLatin1String("file")) {
        QFile f(folder);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    b.txtSet.setPlainText(QStringLiteral("1::5--5\r\n"));
    b.files.answers << folder + QStringLiteral("/data");

    b.cmdSaveFile.click();

    const QString path = folder + QStringLiteral("/data.txt");
    QCOMPARE(b.messages.shown.size(), 1);
    const QString text = b.messages.shown[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("文件保存失败：") + path + QStringLiteral("（")),
             qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("）")), qPrintable(text));
    // A reason stands between the brackets.
    QVERIFY(text.size() > QStringLiteral("文件保存失败：（）").size() + path.size());
    QCOMPARE(b.messages.shown[0].caption, Caption);
    QVERIFY(!QFileInfo::exists(path));
}

QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
