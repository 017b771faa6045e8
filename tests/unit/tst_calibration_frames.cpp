// Calibration requests: the frames the manual prints, the byte order of the value, and the
// entries as typed, rounded half to even or refused.
#include "domain/parameterrequest.h"
#include "modbus/crc16.h"

#include <QTest>

using tr::Parameter;
using tr::ParameterRequest;
using Fault = ParameterRequest::Fault;

namespace {

enum class Op { Read, Slope, Offset };

// Eight bytes are compared whole; six are the content, and the CRC after them must match it.
void compareFrame(const tr::Frame &frame, const QByteArray &hex) {
    const QByteArray expected = QByteArray::fromHex(hex);
    const QByteArray sent = tr::toBytes(frame);
    QCOMPARE(sent.left(expected.size()).toHex(' '), expected.toHex(' '));
    QVERIFY(tr::crcMatches(frame));
}

} // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(Fault)

class TstCalibrationFrames : public QObject {
    Q_OBJECT
private slots:
    void frames_data() {
        QTest::addColumn<Op>("op");
        QTest::addColumn<int>("station");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QByteArray>("frame");
        const auto row = [](const char *name, Op op, int station, int value, int channel,
                            const char *hex) {
            QTest::newRow(name) << op << station << value << channel << QByteArray(hex);
        };
        // The four frames with the CRC the manual prints.
        row("read 1/1", Op::Read, 1, 0, 1, "01 42 00 00 02 01 B9 65");
        row("read 1/8", Op::Read, 1, 0, 8, "01 42 00 00 02 08 79 63");
        row("slope 1000", Op::Slope, 1, 1000, 1, "01 42 01 E8 03 01 39 3D");
        row("offset 0", Op::Offset, 1, 0, 1, "01 42 02 00 00 01 B9 BD");
        // The value goes low byte first.
        row("slope 256", Op::Slope, 1, 256, 1, "01 42 01 00 01 01");
        row("offset 40000 on 255/7", Op::Offset, 255, 40000, 7, "FF 42 02 40 9C 07");
        row("read 0/0", Op::Read, 0, 0, 0, "00 42 00 00 02 00");
    }
    void frames() {
        QFETCH(Op, op);
        QFETCH(int, station);
        QFETCH(int, value);
        QFETCH(int, channel);
        QFETCH(QByteArray, frame);
        const auto s = std::uint8_t(station);
        const auto c = std::uint8_t(channel);
        const auto v = std::uint16_t(value);
        compareFrame(op == Op::Read    ? tr::parameterReadFrame(s, c)
                     : op == Op::Slope ? tr::parameterWriteFrame(Parameter::Slope, s, v, c)
                                       : tr::parameterWriteFrame(Parameter::Offset, s, v, c),
                     frame);
    }

    void fromEntries_data() {
        QTest::addColumn<Op>("op");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QByteArray>("content"); // bytes 0..5 when sent
        const auto row = [](const char *name, Op op, const char *station, const char *value,
                            const char *channel, Fault fault, const char *content = "") {
            QTest::newRow(name) << op << QString(station) << QString(value) << QString(channel)
                                << fault << QByteArray(content);
        };
        // Halves go to the even neighbour.
        row("station 1.5", Op::Read, "1.5", "0", "1", Fault::None, "02 42 00 00 02 01");
        row("station 2.5", Op::Read, "2.5", "0", "1", Fault::None, "02 42 00 00 02 01");
        row("channel 7.5", Op::Read, "1", "0", "7.5", Fault::None, "01 42 00 00 02 08");
        row("slope 1000.5", Op::Slope, "1", "1000.5", "1", Fault::None, "01 42 01 E8 03 01");
        row("slope 1001.5", Op::Slope, "1", "1001.5", "1", Fault::None, "01 42 01 EA 03 01");
        row("offset -0.5", Op::Offset, "1", "-0.5", "1", Fault::None, "01 42 02 00 00 01");
        row("offset 65534.5", Op::Offset, "1", "65534.5", "1", Fault::None, "01 42 02 FE FF 01");
        row("hex station, blanks", Op::Read, "&HF7", "0", " 8 ", Fault::None, "F7 42 00 00 02 08");
        row("station 255.4", Op::Read, "255.4", "0", "1", Fault::None, "FF 42 00 00 02 01");

        row("station abc", Op::Read, "abc", "0", "1", Fault::AddressOrChannel);
        row("station empty", Op::Read, "", "0", "1", Fault::AddressOrChannel);
        row("station 256", Op::Read, "256", "0", "1", Fault::AddressOrChannel);
        row("station 255.5", Op::Read, "255.5", "0", "1", Fault::AddressOrChannel);
        row("channel -1", Op::Read, "1", "0", "-1", Fault::AddressOrChannel);
        row("channel 256 on a write", Op::Slope, "1", "5", "256", Fault::AddressOrChannel);
        row("slope 65536", Op::Slope, "1", "65536", "1", Fault::Value);
        row("slope x", Op::Slope, "1", "x", "1", Fault::Value);
        row("offset 65535.5", Op::Offset, "1", "65535.5", "1", Fault::Value);
        row("offset -0.6", Op::Offset, "1", "-0.6", "1", Fault::Value);
        row("station before value", Op::Offset, "x", "x", "1", Fault::AddressOrChannel);
    }
    void fromEntries() {
        QFETCH(Op, op);
        QFETCH(QString, station);
        QFETCH(QString, value);
        QFETCH(QString, channel);
        QFETCH(Fault, fault);
        QFETCH(QByteArray, content);
        const ParameterRequest r =
            op == Op::Read
                ? tr::readRequest(station, channel)
                : tr::writeRequest(op == Op::Slope ? Parameter::Slope : Parameter::Offset, station,
                                   value, channel);
        QCOMPARE(r.fault, fault);
        QCOMPARE(r.ok(), fault == Fault::None);
        if (r.ok())
            compareFrame(r.frame, content);
    }
};

QTEST_APPLESS_MAIN(TstCalibrationFrames)
#include "tst_calibration_frames.moc"
