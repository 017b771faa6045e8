#include "calibration/parameterrequest.h"

#include <QTest>

#include <cstdint>
#include <vector>

using tr::Parameter;
using tr::ParameterRequest;

namespace {

// A second CRC-16/MODBUS, bit by bit as the protocol describes it, so the frames are not checked
// against the code that built them.
std::uint16_t referenceCrc(const std::vector<std::uint8_t> &bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

std::vector<std::uint8_t> bytesOf(const QByteArray &hex) {
    const QByteArray raw = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    return {raw.begin(), raw.end()};
}

// The six content bytes followed by the reference CRC, low byte first.
QByteArray withReferenceCrc(const QByteArray &contentHex) {
    std::vector<std::uint8_t> bytes = bytesOf(contentHex);
    const std::uint16_t crc = referenceCrc(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return QByteArray(reinterpret_cast<const char *>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QByteArray raw(const tr::Frame &f) {
    return QByteArray(reinterpret_cast<const char *>(f.data()), static_cast<qsizetype>(f.size()));
}

enum class Op { Read, Slope, Offset };

} // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(ParameterRequest::Fault)

class TestCalibrationFrames : public QObject {
    Q_OBJECT
private slots:
    void referenceCrcIsTheModbusCrc();
    void frames_data();
    void frames();
    void fromEntries_data();
    void fromEntries();
};

void TestCalibrationFrames::referenceCrcIsTheModbusCrc() {
    // The published check value of CRC-16/MODBUS.
    const QByteArray check("123456789");
    QCOMPARE(referenceCrc({check.begin(), check.end()}), std::uint16_t{0x4B37});
}

void TestCalibrationFrames::frames_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("content");    // bytes 0..5
    QTest::addColumn<QByteArray>("printedCrc"); // bytes 6..7 where the manual prints them

    QTest::newRow("read 1/1") << Op::Read << 1 << 0 << 1 << QByteArray("01 42 00 00 02 01")
                              << QByteArray("B9 65");
    QTest::newRow("read 1/8") << Op::Read << 1 << 0 << 8 << QByteArray("01 42 00 00 02 08")
                              << QByteArray("79 63");
    QTest::newRow("read 247/8") << Op::Read << 247 << 0 << 8 << QByteArray("F7 42 00 00 02 08")
                                << QByteArray();
    QTest::newRow("read 0/0") << Op::Read << 0 << 0 << 0 << QByteArray("00 42 00 00 02 00")
                              << QByteArray();
    QTest::newRow("slope 1000") << Op::Slope << 1 << 1000 << 1 << QByteArray("01 42 01 E8 03 01")
                                << QByteArray("39 3D");
    QTest::newRow("offset 0") << Op::Offset << 1 << 0 << 1 << QByteArray("01 42 02 00 00 01")
                              << QByteArray("B9 BD");
    QTest::newRow("slope 255") << Op::Slope << 1 << 255 << 1 << QByteArray("01 42 01 FF 00 01")
                               << QByteArray();
    QTest::newRow("slope 256") << Op::Slope << 1 << 256 << 1 << QByteArray("01 42 01 00 01 01")
                               << QByteArray();
    QTest::newRow("offset 65535") << Op::Offset << 1 << 65535 << 1
                                  << QByteArray("01 42 02 FF FF 01") << QByteArray();
    QTest::newRow("offset 40000 on 255/7")
        << Op::Offset << 255 << 40000 << 7 << QByteArray("FF 42 02 40 9C 07") << QByteArray();
}

void TestCalibrationFrames::frames() {
    QFETCH(Op, op);
    QFETCH(int, station);
    QFETCH(int, value);
    QFETCH(int, channel);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, printedCrc);

    const auto s = static_cast<std::uint8_t>(station);
    const auto c = static_cast<std::uint8_t>(channel);
    const auto v = static_cast<std::uint16_t>(value);
    tr::Frame frame{};
    switch (op) {
    case Op::Read:
        frame = tr::parameterReadFrame(s, c);
        break;
    case Op::Slope:
        frame = tr::parameterWriteFrame(Parameter::Slope, s, v, c);
        break;
    case Op::Offset:
        frame = tr::parameterWriteFrame(Parameter::Offset, s, v, c);
        break;
    }

    const QByteArray expected = withReferenceCrc(content);
    if (!printedCrc.isEmpty())
        QCOMPARE(expected.right(2).toHex(' ').toUpper(), printedCrc);
    QCOMPARE(raw(frame).toHex(' ').toUpper(), expected.toHex(' ').toUpper());
}

void TestCalibrationFrames::fromEntries_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("channel");
    QTest::addColumn<ParameterRequest::Fault>("fault");
    QTest::addColumn<QByteArray>("content"); // bytes 0..5 when sent

    using F = ParameterRequest::Fault;
    const QString any = QStringLiteral("0");
    // Halves go to the even neighbour.
    QTest::newRow("station 1.5") << Op::Read << "1.5" << any << "1" << F::None
                                 << QByteArray("02 42 00 00 02 01");
    QTest::newRow("station 2.5") << Op::Read << "2.5" << any << "1" << F::None
                                 << QByteArray("02 42 00 00 02 01");
    QTest::newRow("channel 7.5") << Op::Read << "1" << any << "7.5" << F::None
                                 << QByteArray("01 42 00 00 02 08");
    QTest::newRow("slope 1000.5") << Op::Slope << "1"
                                  << "1000.5"
                                  << "1" << F::None << QByteArray("01 42 01 E8 03 01");
    QTest::newRow("slope 1001.5") << Op::Slope << "1"
                                  << "1001.5"
                                  << "1" << F::None << QByteArray("01 42 01 EA 03 01");
    QTest::newRow("offset -0.5") << Op::Offset << "1"
                                 << "-0.5"
                                 << "1" << F::None << QByteArray("01 42 02 00 00 01");
    QTest::newRow("offset 65534.5") << Op::Offset << "1"
                                    << "65534.5"
                                    << "1" << F::None << QByteArray("01 42 02 FE FF 01");
    QTest::newRow("hex station, blanks")
        << Op::Read << "&HF7" << any << " 8 " << F::None << QByteArray("F7 42 00 00 02 08");
    QTest::newRow("station 255.4")
        << Op::Read << "255.4" << any << "1" << F::None << QByteArray("FF 42 00 00 02 01");

    QTest::newRow("station abc") << Op::Read << "abc" << any << "1" << F::AddressOrChannel
                                 << QByteArray();
    QTest::newRow("station empty")
        << Op::Read << "" << any << "1" << F::AddressOrChannel << QByteArray();
    QTest::newRow("station -1") << Op::Read << "-1" << any << "1" << F::AddressOrChannel
                                << QByteArray();
    QTest::newRow("station 256") << Op::Read << "256" << any << "1" << F::AddressOrChannel
                                 << QByteArray();
    QTest::newRow("station 255.5")
        << Op::Read << "255.5" << any << "1" << F::AddressOrChannel << QByteArray();
    QTest::newRow("channel abc") << Op::Read << "1" << any << "abc" << F::AddressOrChannel
                                 << QByteArray();
    QTest::newRow("channel -1") << Op::Read << "1" << any << "-1" << F::AddressOrChannel
                                << QByteArray();
    QTest::newRow("channel 256") << Op::Slope << "1"
                                 << "5"
                                 << "256" << F::AddressOrChannel << QByteArray();
    QTest::newRow("slope -1") << Op::Slope << "1"
                              << "-1"
                              << "1" << F::Value << QByteArray();
    QTest::newRow("slope 65536") << Op::Slope << "1"
                                 << "65536"
                                 << "1" << F::Value << QByteArray();
    QTest::newRow("slope x") << Op::Slope << "1"
                             << "x"
                             << "1" << F::Value << QByteArray();
    QTest::newRow("offset 65535.5") << Op::Offset << "1"
                                    << "65535.5"
                                    << "1" << F::Value << QByteArray();
    QTest::newRow("offset -0.6") << Op::Offset << "1"
                                 << "-0.6"
                                 << "1" << F::Value << QByteArray();
    QTest::newRow("bad station and value") << Op::Offset << "x"
                                           << "x"
                                           << "1" << F::AddressOrChannel << QByteArray();
}

void TestCalibrationFrames::fromEntries() {
    QFETCH(Op, op);
    QFETCH(QString, station);
    QFETCH(QString, value);
    QFETCH(QString, channel);
    QFETCH(ParameterRequest::Fault, fault);
    QFETCH(QByteArray, content);

    ParameterRequest r;
    switch (op) {
    case Op::Read:
        r = tr::readRequest(station, channel);
        break;
    case Op::Slope:
        r = tr::writeRequest(Parameter::Slope, station, value, channel);
        break;
    case Op::Offset:
        r = tr::writeRequest(Parameter::Offset, station, value, channel);
        break;
    }
    QCOMPARE(r.fault, fault);
    QCOMPARE(r.ok(), fault == ParameterRequest::Fault::None);
    if (r.ok())
        QCOMPARE(raw(r.frame).toHex(' ').toUpper(), withReferenceCrc(content).toHex(' ').toUpper());
}

QTEST_APPLESS_MAIN(TestCalibrationFrames)
#include "tst_calibration_frames.moc"
