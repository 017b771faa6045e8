#include "requesthandler.h"

#include "modbus/crc16.h"
#include "support/ptypeer.h"

#include <QTest>

using namespace tr::sim;

Q_DECLARE_METATYPE(tr::sim::Verdict)

namespace {

std::vector<std::uint8_t> bytes(const char *hex) {
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

QByteArray toHex(const std::vector<std::uint8_t> &b) {
    return QByteArray(reinterpret_cast<const char *>(b.data()), static_cast<qsizetype>(b.size()))
        .toHex(' ')
        .toUpper();
}

// Channel 3 has an open sensor; the others cover positive, negative, zero and the extremes.
ModuleState sampleModule(std::uint8_t station) {
    ModuleState state;
    state.station = station;
    state.celsius = {23.5, -10.0, 25.0, 0.0, 100.1, -0.5, 3276.7, -200.0};
    state.open[2] = true;
    return state;
}

} // namespace

class TstRequestHandler : public QObject {
    Q_OBJECT

private slots:
    // Expected answers are laid out by hand from the register values 0x00EB (23.5), 0xFF9C (-10.0),
    // 0xFFFF (open), 0x0000, 0x03E9 (100.1), 0xFFFB (-0.5), 0x7FFF (3276.7), 0xF830 (-200.0), with
    // CRCs from an independent CRC-16/MODBUS routine.
    void answers_data() {
        QTest::addColumn<int>("station");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<Verdict>("verdict");

        const auto row = [](const char *name, int station, const char *request, const char *answer,
                            Verdict verdict) {
            QTest::newRow(name) << station << QByteArray(request) << QByteArray(answer) << verdict;
        };
        row("fc3 eight channels, station 1", 1, "01 03 00 00 00 08 44 0C",
            "01 03 10 00 EB FF 9C FF FF 00 00 03 E9 FF FB 7F FF F8 30 A7 46", Verdict::Answered);
        row("fc4 two channels, station 2", 2, "02 04 00 00 00 02 71 F8",
            "02 04 04 00 EB FF 9C F9 29", Verdict::Answered);
        row("fc4 from channel 7 into the zero registers", 2, "02 04 00 06 00 04 11 FB",
            "02 04 08 7F FF F8 30 00 00 00 00 36 9E", Verdict::Answered);
        QTest::newRow("fc3 registers 8-31 read zero")
            << 2 << QByteArray("02 03 00 08 00 18 C4 31")
            << QByteArray("02 03 30 " + QByteArray("00 ").repeated(48) + "A7 6A")
            << Verdict::Answered;
        row("fc4 last register 31", 2, "02 04 00 1F 00 01 00 3F", "02 04 02 00 00 FD 30",
            Verdict::Answered);

        row("start 31 count 2 passes register 31", 2, "02 03 00 1F 00 02 F5 FE", "02 83 02 30 F1",
            Verdict::Exception);
        row("count 33 passes register 31", 2, "02 04 00 00 00 21 30 21", "02 84 02 32 C1",
            Verdict::Exception);
        row("count 0", 2, "02 03 00 00 00 00 45 F9", "02 83 02 30 F1", Verdict::Exception);
        row("start 256 through its high byte", 2, "02 03 01 00 00 01 85 C5", "02 83 02 30 F1",
            Verdict::Exception);
        row("function 6 unsupported", 2, "02 06 00 00 00 01 48 39", "02 86 01 73 A0",
            Verdict::Exception);
        row("0x42 operation 3", 2, "02 42 03 00 02 01 B9 12", "02 C2 03 C1 61", Verdict::Exception);
        row("0x42 channel 0", 2, "02 42 00 00 02 00 78 96", "02 C2 02 00 A1", Verdict::Exception);
        row("0x42 channel 9", 2, "02 42 00 00 02 09 B8 90", "02 C2 02 00 A1", Verdict::Exception);
        row("0x42 read with 01 02", 2, "02 42 00 01 02 01 E8 96", "02 C2 03 C1 61",
            Verdict::Exception);
        // The module is station 2; what it does not answer.
        row("station 1", 2, "01 03 00 00 00 08 44 0C", "", Verdict::OtherStation);
        row("broadcast 0", 2, "00 04 00 00 00 02 70 1A", "", Verdict::OtherStation);
        row("CRC high byte wrong", 2, "02 04 00 00 00 02 71 F9", "", Verdict::BadCrc);
        row("CRC bytes swapped", 2, "02 04 00 00 00 02 F8 71", "", Verdict::BadCrc);
        row("count bit flipped", 2, "02 04 00 00 00 03 71 F8", "", Verdict::BadCrc);
        row("7 bytes", 2, "02 04 00 00 00 02 71", "", Verdict::Malformed);
        row("9 bytes", 2, "02 04 00 00 00 02 71 F8 00", "", Verdict::Malformed);
    }
    void answers() {
        QFETCH(int, station);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(Verdict, verdict);

        ModuleState state = sampleModule(static_cast<std::uint8_t>(station));
        const Reply reply = handleRequest(bytes(request), state);
        QCOMPARE(reply.verdict, verdict);
        QCOMPARE(toHex(reply.answer), answer);
        QVERIFY(!reply.calibrationChanged);
    }
    void calibrationRead_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");

        // Slope and offset come low byte first: 1000 = E8 03, 1234 = D2 04, 65526 = F6 FF.
        QTest::newRow("channel 1, factory calibration")
            << QByteArray("01 42 00 00 02 01 B9 65") << QByteArray("01 42 E8 03 00 00 BC 65");
        QTest::newRow("channel 2, slope 1234 offset 65526")
            << QByteArray("01 42 00 00 02 02 F9 64") << QByteArray("01 42 D2 04 F6 FF 06 9C");
    }
    void calibrationRead() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);

        ModuleState state = sampleModule(1);
        state.calibration[1] = {1234, 65526};
        const ModuleState before = state;
        const Reply reply = handleRequest(bytes(request), state);
        QCOMPARE(reply.verdict, Verdict::Answered);
        QCOMPARE(toHex(reply.answer), answer);
        QVERIFY(!reply.calibrationChanged);
        QVERIFY(state.calibration == before.calibration);
    }
    void calibrationWriteEchoes_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("slope");
        QTest::addColumn<int>("offset");

        // The module starts with slope 2000, offset 5 on every channel.
        QTest::newRow("slope 1000 on channel 1")
            << QByteArray("01 42 01 E8 03 01 39 3D") << 1 << 1000 << 5;
        QTest::newRow("offset 10 on channel 1")
            << QByteArray("01 42 02 0A 00 01 99 BF") << 1 << 2000 << 10;
    }
    void calibrationWriteEchoes() {
        QFETCH(QByteArray, request);
        QFETCH(int, channel);
        QFETCH(int, slope);
        QFETCH(int, offset);

        ModuleState state = sampleModule(1);
        state.calibration.fill({2000, 5});
        const Reply reply = handleRequest(bytes(request), state);
        QCOMPARE(reply.verdict, Verdict::Answered);
        QCOMPARE(toHex(reply.answer), request);
        QVERIFY(reply.calibrationChanged);
        for (int ch = 1; ch <= kChannels; ++ch) {
            const Calibration &cal = state.calibration[static_cast<std::size_t>(ch - 1)];
            QCOMPARE(cal.slope, ch == channel ? slope : 2000);
            QCOMPARE(cal.offset, ch == channel ? offset : 5);
        }
    }
    void calibrationAppliedToRegister_data() {
        QTest::addColumn<double>("celsius");
        QTest::addColumn<int>("slope");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("expected");

        QTest::newRow("factory") << 23.5 << 1000 << 0 << false << 0x00EB;
        QTest::newRow("slope 2000 doubles") << 23.5 << 2000 << 0 << false << 470;
        QTest::newRow("offset 10 adds 1.0") << 23.5 << 1000 << 10 << false << 245;
        QTest::newRow("offset 65526 takes 1.0") << 23.5 << 1000 << 65526 << false << 225;
        QTest::newRow("negative, slope and offset") << -10.0 << 2000 << 10 << false << 0xFF42;
        QTest::newRow("rounds 23.46 up") << 23.46 << 1000 << 0 << false << 235;
        QTest::newRow("saturates high") << 3000.0 << 2000 << 0 << false << 0x7FFF;
        QTest::newRow("saturates low") << -3000.0 << 2000 << 0 << false << 0x8000;
        QTest::newRow("open sensor ignores calibration") << 23.5 << 2000 << 10 << true << 0xFFFF;
    }
    void calibrationAppliedToRegister() {
        QFETCH(double, celsius);
        QFETCH(int, slope);
        QFETCH(int, offset);
        QFETCH(bool, open);
        QFETCH(int, expected);

        ModuleState state;
        state.celsius[4] = celsius;
        state.open[4] = open;
        state.calibration[4] = {static_cast<std::uint16_t>(slope),
                                static_cast<std::uint16_t>(offset)};
        QCOMPARE(int(channelRegister(state, 4)), expected);
    }
    void calibrationWriteShowsInReadings() {
        ModuleState state = sampleModule(1);
        // Slope 2000 on channel 1.
        const QByteArray write = tr::test::withCrc(QByteArray::fromHex("01 42 01 D0 07 01"));
        QCOMPARE(handleRequest(bytes(write.toHex()), state).verdict, Verdict::Answered);

        const Reply reading = handleRequest(bytes("01 03 00 00 00 08 44 0C"), state);
        QCOMPARE(reading.verdict, Verdict::Answered);
        QVERIFY(tr::crcMatches(reading.answer));
        // 23.5 °C doubled is 47.0 = 0x01D6; channel 2 keeps -10.0 = 0xFF9C.
        QCOMPARE(toHex(std::vector<std::uint8_t>(reading.answer.begin() + 3,
                                                 reading.answer.begin() + 7)),
                 QByteArray("01 D6 FF 9C"));
    }
};

QTEST_APPLESS_MAIN(TstRequestHandler)
#include "tst_sim_requesthandler.moc"
