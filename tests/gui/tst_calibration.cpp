// The calibration frame of the real window, its port on a pseudo-terminal whose far end the
// test plays: requests on the wire, refusals, answers, the batch read and the export.
#include "windowfixture.h"

#include <QDeadlineTimer>
#include <QPlainTextEdit>
#include <QPushButton>

#include <functional>

using namespace tr;
using namespace tr::test;

namespace {

const QString kCaption = QStringLiteral("系统提示");
const QString kAddressMessage = QStringLiteral("请输入正确的设备地址和通道，范围为0-255");
const QString kValueMessage = QStringLiteral("请输入正确的参数值，范围为0-65535");

enum class Button { Read, WriteSlope, WriteOffset, ReadAll };

// The window with COM4 open (or absent), recording what the link and the panel signal.
struct CalWindow : WindowFixture {
    int stopLogging = 0;
    int valuesStale = 0;
    QList<Lamp> lamps;
    QStringList order; // what happened, in order, for the request steps

    explicit CalWindow(bool open = true) : WindowFixture("4,19200\r\n", "1,2,2,1\r\n", open ? 4 : -4) {
        QObject::connect(&window->link(), &Link::commandText, [this] { order << "command"; });
        QObject::connect(&window->link(), &Link::valuesStale, [this] { ++valuesStale; });
        QObject::connect(&window->link(), &Link::lampRaised, [this](Lamp l) { lamps << l; });
        QObject::connect(panel(), &CalibrationPanel::stopLogging, [this] {
            ++stopLogging;
            order << "stopLogging";
        });
    }
    CalibrationPanel *panel() { return &window->calibration(); }
    QLineEdit &slope() { return *controls->txtAlarmValue[0]; }
    QLineEdit &offset() { return *controls->txtAlarmValue[1]; }
    QLineEdit &station() { return *controls->txtAlarmValue[2]; }
    QLineEdit &channel() { return *controls->txtAlarmValue[3]; }
    QStringList entries() { return {slope().text(), offset().text(), station().text(), channel().text()}; }
    void setEntries(const QString &slopeOffsetStationChannel) {
        const QStringList e = slopeOffsetStationChannel.split('|');
        for (int i = 0; i < 4; ++i)
            controls->txtAlarmValue[std::size_t(i)]->setText(e[i]);
    }
    QString list() { return ui().txtSet->toPlainText(); }
    QString state() { return ui().txtState->toPlainText(); }
    void click(Button b) {
        QPushButton *buttons[] = {ui().cmdReadAlarm, ui().CmdWriteAlarmValue, ui().Command5,
                                  ui().cmdReadAll};
        buttons[int(b)]->click();
    }
    QByteArray nextFrame(int ms = 1000) { return peer.readFor(ms, 8); }
};

// What the module answers to a parameter read of one channel in these tests.
int slopeOf(int ch) { return 1000 + ch; }
int offsetOf(int ch) { return 3 * ch; }

QByteArray readAnswer(int station, int slope, int offset) {
    const char content[] = {char(station), 0x42, char(slope & 0xFF), char(slope >> 8),
                            char(offset & 0xFF), char(offset >> 8)};
    return withCrc(QByteArray(content, 6));
}

QString linesFor(const QList<int> &channels) {
    QString out;
    for (int ch : channels)
        out += QStringLiteral("%1::%2--%3\r\n").arg(ch).arg(slopeOf(ch)).arg(offsetOf(ch));
    return out;
}

QString withLf(QString crlf) { return crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// Plays the module during a batch: reads every request and answers those the test wants
// answered. Once a request has been handled, the batch timer's next tick is run at once rather
// than two seconds later; the loop ends when the batch timer has stopped and the line is quiet.
// Returns the channels that were asked for, in order.
QList<int> serveBatch(CalWindow &w, const std::function<bool(int)> &answer = {}) {
    QList<int> asked;
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        const QByteArray request = w.peer.readFor(100, 8);
        if (request.size() == 8) {
            const int ch = quint8(request[5]);
            asked << ch;
            if (!answer || answer(ch)) {
                w.peer.write(readAnswer(quint8(request[0]), slopeOf(ch), offsetOf(ch)));
                QTest::qWait(30); // the answer is decoded before the next tick
            }
        } else if (!w.panel()->Timer3().isActive()) {
            break;
        }
        if (w.panel()->Timer3().isActive())
            w.panel()->Timer3_Timer();
    }
    return asked;
}

} // namespace

Q_DECLARE_METATYPE(Button)

class TstCalibration : public QObject {
    Q_OBJECT
private slots:
    void requests_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<Button>("button");
        QTest::addColumn<QString>("entries"); // slope|offset|station|channel
        QTest::addColumn<QString>("frame");
        QTest::addColumn<int>("kind");
        for (bool open : {true, false}) {
            const char *state = open ? "open" : "closed";
            QTest::addRow("%s: read 1/1", state)
                << open << Button::Read << "0|0|1|1" << "01 42 00 00 02 01 B9 65" << 18;
            QTest::addRow("%s: slope 1000", state)
                << open << Button::WriteSlope << "1000|0|1|1" << "01 42 01 E8 03 01 39 3D" << 16;
        }
        QTest::newRow("offset 0") << true << Button::WriteOffset << "0|0|1|1"
                                  << "01 42 02 00 00 01 B9 BD" << 17;
        // Only the written value is checked: a bad entry in the other box does not stop it.
        QTest::newRow("offset 0, bad slope entry")
            << true << Button::WriteOffset << "-1|0|1.5|0.5" << "02 42 02 00 00 00 78 4E" << 17;
    }
    void requests() {
        QFETCH(bool, open);
        QFETCH(Button, button);
        QFETCH(QString, entries);
        QFETCH(QString, frame);
        QFETCH(int, kind);
        CalWindow w(open);
        QCOMPARE(w.window->port().PortOpen(), open);
        w.setEntries(entries);
        w.ui().txtState->setPlainText(QStringLiteral("01 42"));

        w.click(button);

        QVERIFY(w.messages.shown.isEmpty());
        // Logging stops first, then the request goes out.
        QCOMPARE(w.order.value(0), QStringLiteral("stopLogging"));
        QCOMPARE(w.stopLogging, 1);
        QCOMPARE(w.valuesStale, 1);
        QCOMPARE(w.state(), QString());
        QCOMPARE(w.ui().txtCommand->text(), frame + QLatin1Char(' '));
        QCOMPARE(int(w.window->link().ReceiveKind()), kind);
        QCOMPARE(int(w.window->link().ExpectedLen()), 8);
        QCOMPARE(w.window->port().RThreshold(), 8);
        QCOMPARE(w.lamps, QList<Lamp>{open ? Lamp::Connected : Lamp::NotConnected});
        QCOMPARE(w.nextFrame(open ? 1000 : 200).toHex(' ').toUpper(),
                 open ? frame.toLatin1() : QByteArray());
        // The typed entries stay until an answer replaces them.
        QCOMPARE(w.entries(), entries.split('|'));
    }

    // One row for each rule; nothing at all happens besides the message.
    void refusals_data() {
        QTest::addColumn<Button>("button");
        QTest::addColumn<QString>("entries"); // slope|offset|station|channel
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, Button b, const char *entries, const QString &m) {
            QTest::newRow(name) << b << QString(entries) << m;
        };
        row("read: station abc", Button::Read, "5|5|abc|1", kAddressMessage);
        row("read: channel 256", Button::Read, "5|5|1|256", kAddressMessage);
        row("slope: station empty", Button::WriteSlope, "5|5||1", kAddressMessage);
        row("offset: channel -1", Button::WriteOffset, "5|5|1|-1", kAddressMessage);
        row("slope 65536", Button::WriteSlope, "65536|5|1|1", kValueMessage);
        row("offset -0.6", Button::WriteOffset, "5|-0.6|1|1", kValueMessage);
        row("station before value", Button::WriteSlope, "x|5|x|1", kAddressMessage);
        row("batch: station 256", Button::ReadAll, "5|5|256|4", kAddressMessage);
    }
    void refusals() {
        QFETCH(Button, button);
        QFETCH(QString, entries);
        QFETCH(QString, message);
        CalWindow w;
        QVERIFY(w.window->port().PortOpen());
        w.setEntries(entries);
        w.ui().txtCommand->setText(QStringLiteral("before"));
        w.ui().txtState->setPlainText(QStringLiteral("before"));
        w.ui().txtSet->setPlainText(QStringLiteral("old list"));

        w.click(button);

        QCOMPARE(w.messages.shown.size(), 1);
        QCOMPARE(w.messages.shown[0].text, message);
        QCOMPARE(w.messages.shown[0].caption, kCaption);
        QCOMPARE(w.messages.shown[0].icon, MessageBox::Icon::None);
        QCOMPARE(w.nextFrame(150), QByteArray());
        QCOMPARE(w.stopLogging, 0);
        QCOMPARE(w.valuesStale, 0);
        QVERIFY(w.lamps.isEmpty());
        QCOMPARE(int(w.window->link().ReceiveKind()), 0);
        QCOMPARE(int(w.window->link().ExpectedLen()), 0);
        QCOMPARE(w.window->port().RThreshold(), 1);
        QCOMPARE(w.ui().txtCommand->text(), QStringLiteral("before"));
        QCOMPARE(w.state(), QStringLiteral("before"));
        QCOMPARE(w.list(), QStringLiteral("old list"));
        QCOMPARE(w.entries(), entries.split('|'));
        QVERIFY(!w.panel()->Timer3().isActive());
    }

    void answers_data() {
        QTest::addColumn<Button>("button");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QByteArray>("answer"); // without CRC
        QTest::addColumn<QString>("slope");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("list");
        // The boxes hold slope 7 and offset 8 before the request.
        QTest::newRow("read") << Button::Read << "2" << fromHex("01 42 E8 03 0A 00") << "1000"
                              << "10" << "2::1000--10\r\n";
        QTest::newRow("read, function 0x43") << Button::Read << "1" << fromHex("01 43 E8 03 0A 00")
                                             << "7" << "8" << "1::7--8\r\n";
        QTest::newRow("slope echo") << Button::WriteSlope << "1" << fromHex("01 42 01 E9 03 01")
                                    << "1001" << "8" << "";
        QTest::newRow("offset echo") << Button::WriteOffset << "1"
                                     << fromHex("01 42 02 40 9C 01") << "7" << "40000" << "";
        QTest::newRow("echo, function 0xC2") << Button::WriteSlope << "1"
                                             << fromHex("01 C2 01 E9 03 01") << "7" << "8" << "";
    }
    void answers() {
        QFETCH(Button, button);
        QFETCH(QString, channel);
        QFETCH(QByteArray, answer);
        QFETCH(QString, slope);
        QFETCH(QString, offset);
        QFETCH(QString, list);
        CalWindow w;
        w.setEntries("7|8|1|" + channel);
        w.click(button);
        QCOMPARE(w.nextFrame().size(), 8);

        const QByteArray full = withCrc(answer);
        w.peer.write(full);
        QTRY_COMPARE(w.state(), QString::fromLatin1(' ' + full.toHex(' ').toUpper()));
        QTest::qWait(20);
        QCOMPARE(w.slope().text(), slope);
        QCOMPARE(w.offset().text(), offset);
        QCOMPARE(w.list(), withLf(list));
        QCOMPARE(w.channel().text(), channel);
    }

    void batch_data() {
        QTest::addColumn<int>("editAfter"); // answers handled before the edit; 0 = no edit
        QTest::addColumn<bool>("station");  // the station entry is edited, else the channel
        QTest::addColumn<QString>("editTo");
        QTest::addColumn<QList<int>>("read");
        QTest::addColumn<QString>("channelAtEnd");
        QTest::newRow("all eight") << 0 << false << "" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << "8";
        QTest::newRow("channel to 5 after 2") << 2 << false << "5" << QList<int>{1, 2, 6, 7, 8}
                                              << "8";
        QTest::newRow("channel to 12 after 1") << 1 << false << "12" << QList<int>{1} << "12";
        QTest::newRow("channel to 0 after 7")
            << 7 << false << "0" << QList<int>{1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6, 7, 8} << "8";
    }
    void batch() {
        QFETCH(int, editAfter);
        QFETCH(bool, station);
        QFETCH(QString, editTo);
        QFETCH(QList<int>, read);
        QFETCH(QString, channelAtEnd);
        CalWindow w;
        w.click(Button::Read); // an earlier list, which the batch clears
        QCOMPARE(serveBatch(w), QList<int>{1});
        // Runs after the panel has added the line, before the next tick.
        int handled = 0;
        QObject::connect(&w.window->link(), &Link::parametersRead, [&] {
            if (++handled == editAfter)
                (station ? w.station() : w.channel()).setText(editTo);
        });

        w.click(Button::ReadAll);
        QCOMPARE(serveBatch(w), read);
        QVERIFY(!w.panel()->Timer3().isActive());
        QCOMPARE(w.list(), withLf(linesFor(read)));
        QCOMPARE(w.channel().text(), channelAtEnd);
        QCOMPARE(w.stopLogging, read.size() + 1);
        QVERIFY(w.messages.shown.isEmpty());
    }

    void batchSkipsSilentChannel() {
        CalWindow w;
        w.click(Button::ReadAll);
        QCOMPARE(serveBatch(w, [](int ch) { return ch != 4; }),
                 (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(w.list(), withLf(linesFor({1, 2, 3, 5, 6, 7, 8})));
        QCOMPARE(w.channel().text(), QStringLiteral("8"));
    }

    void batchOnClosedPort() {
        CalWindow w(false);
        QVERIFY(!w.window->port().PortOpen());
        w.channel().setText(QStringLiteral("5"));
        w.click(Button::ReadAll);
        // Every 2 s from channel 1, whose request goes out at once, not at the first tick.
        QCOMPARE(w.panel()->Timer3().interval(), 2000);
        QCOMPARE(w.channel().text(), QStringLiteral("1"));
        QCOMPARE(w.ui().txtCommand->text(), QStringLiteral("01 42 00 00 02 01 B9 65 "));
        for (int tick = 0; tick < 8 && w.panel()->Timer3().isActive(); ++tick)
            w.panel()->Timer3_Timer();
        QVERIFY(!w.panel()->Timer3().isActive());
        // Each read showed its frame and the red lamp; none got an answer, so the list stays empty.
        QCOMPARE(w.stopLogging, 8);
        QCOMPARE(w.lamps, QList<Lamp>(8, Lamp::NotConnected));
        QCOMPARE(w.ui().txtCommand->text(), QStringLiteral("01 42 00 00 02 08 79 63 "));
        QCOMPARE(w.channel().text(), QStringLiteral("8"));
        QCOMPARE(w.list(), QString());
    }

    void singleReadAfterBatchAddsNinthLine() {
        CalWindow w;
        w.click(Button::ReadAll);
        QCOMPARE(serveBatch(w).size(), 8);

        w.slope().setText(QStringLiteral("0"));
        w.click(Button::Read);
        QCOMPARE(w.nextFrame().toHex(' ').toUpper(), QByteArray("01 42 00 00 02 08 79 63"));
        w.peer.write(readAnswer(1, 1234, 56));
        QTRY_COMPARE(w.slope().text(), QStringLiteral("1234"));
        QCOMPARE(w.list(),
                 withLf(linesFor({1, 2, 3, 4, 5, 6, 7, 8}) + QStringLiteral("8::1234--56\r\n")));
        QCOMPARE(w.list().count(QLatin1Char('\n')), 9);
    }

    void saveDialog() {
        CalWindow w;
        QTemporaryDir out;
        w.click(Button::Read); // a real read fills the list, as an operator would save it
        QCOMPARE(w.nextFrame().size(), 8);
        w.peer.write(readAnswer(1, 1000, 0));
        QTRY_COMPARE(w.list(), QStringLiteral("1::1000--0\n"));

        // What the list box shows is saved, the operator's own edits included.
        w.ui().txtSet->setPlainText(w.list() + QStringLiteral("2::6--6 edited"));
        w.files.answers << out.filePath(QStringLiteral("data"));
        w.ui().cmdSaveFile->click();

        QCOMPARE(w.files.asked.size(), 1);
        const FileDialog::Options &o = w.files.asked[0];
        QVERIFY(o.save && o.confirmOverwrite && !o.mustExist);
        QVERIFY(!o.title.isEmpty());
        QCOMPARE(o.filter, QStringLiteral("txt (*.txt)"));
        QCOMPARE(o.initialDir, w.dir.path()); // no txt folder beside the program
        QVERIFY(w.messages.shown.isEmpty());
        // ".txt" is added to the chosen name.
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.txt"});
        QCOMPARE(readFile(out.filePath("data.txt")),
                 QByteArray("\"1::1000--0\r\n2::6--6 edited\"\r\n"));
    }

    void saveCancelled() {
        CalWindow w;
        QVERIFY(QDir(w.dir.path()).mkdir(QStringLiteral("txt")));
        const QString existing = w.path("txt/data.txt");
        QVERIFY(writeFile(existing, "kept"));
        w.ui().txtSet->setPlainText(QStringLiteral("1::5--5\r\n"));
        w.files.answers << std::nullopt;
        w.ui().cmdSaveFile->click();
        QCOMPARE(w.files.asked.size(), 1);
        QCOMPARE(w.files.asked[0].initialDir, w.path("txt")); // the txt folder beside the program
        QVERIFY(w.messages.shown.isEmpty());
        QCOMPARE(readFile(existing), QByteArray("kept"));
        QCOMPARE(QDir(w.path("txt")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("data.txt")});
    }

    void saveFailure() {
        CalWindow w;
        QTemporaryDir out;
        const QString folder = out.filePath(QStringLiteral("missing"));
        w.ui().txtSet->setPlainText(QStringLiteral("1::5--5\r\n"));
        w.files.answers << folder + QStringLiteral("/data");
        w.ui().cmdSaveFile->click();

        const QString path = folder + QStringLiteral("/data.txt");
        QCOMPARE(w.messages.shown.size(), 1);
        const QString text = w.messages.shown[0].text;
        QVERIFY2(text.startsWith(QStringLiteral("文件保存失败：") + path + QStringLiteral("（")),
                 qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("）")), qPrintable(text));
        // A reason stands between the brackets.
        QVERIFY(text.size() > QStringLiteral("文件保存失败：（）").size() + path.size());
        QCOMPARE(w.messages.shown[0].caption, kCaption);
        QVERIFY(!QFileInfo::exists(path));
    }
};

QTEST_MAIN(TstCalibration)
#include "tst_calibration.moc"
