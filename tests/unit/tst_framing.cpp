// CRC, hex text and request frames against the check value and the frames the module documents.
#include "modbus/crc16.h"
#include "modbus/frame.h"
#include "modbus/hextext.h"

#include <QTest>
#include <vector>

using namespace tr;

namespace {

std::vector<std::uint8_t> bytesOf(const QByteArray &b) { return {b.begin(), b.end()}; }

} // namespace

class TstFraming : public QObject {
    Q_OBJECT
private slots:
    void crcPublishesLowAndHigh_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lastIndex");
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("hi");
        QTest::newRow("check value 123456789") << QByteArray("123456789") << 8 << 0x37 << 0x4B;
        QTest::newRow("read 8 holding registers")
            << QByteArray::fromHex("010300000008") << 5 << 0x44 << 0x0C;
        QTest::newRow("bytes after the last index never count")
            << QByteArray::fromHex("010300000008FFEE") << 5 << 0x44 << 0x0C;
        // CRC of the single byte 0x01, worked by hand: 0xFFFF^0x01 shifted 8 times with 0xA001.
        QTest::newRow("last index 0 covers one byte")
            << QByteArray::fromHex("01FFFF") << 0 << 0x7E << 0x80;
        QTest::newRow("negative last index covers nothing")
            << QByteArray::fromHex("0102") << -1 << 0xFF << 0xFF;
    }
    void crcPublishesLowAndHigh() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lastIndex);
        QFETCH(int, lo);
        QFETCH(int, hi);
        const auto v = bytesOf(bytes);
        CrcLo = 0xAA;
        CrcHi = 0xAA;
        Crc16(v, lastIndex);
        QCOMPARE(int(CrcLo), lo);
        QCOMPARE(int(CrcHi), hi);
        if (lastIndex >= 0)
            QCOMPARE(crc16(std::span(v).first(std::size_t(lastIndex + 1))), std::uint16_t(hi << 8 | lo));
    }

    void crcMatchesOnlyIntactAnswers() {
        const QByteArray good = QByteArray::fromHex("0204040064FF9C") ;
        auto v = bytesOf(good);
        const std::uint16_t c = crc16(v);
        v.push_back(std::uint8_t(c & 0xFF));
        v.push_back(std::uint8_t(c >> 8));
        QVERIFY(crcMatches(v));
        for (std::size_t i = 0; i < v.size(); ++i) {
            auto bad = v;
            bad[i] ^= 0x01;
            QVERIFY2(!crcMatches(bad), qPrintable(QString::number(i)));
        }
        QVERIFY(!crcMatches(std::span(v).first(2)));
    }

    void hexTextSeparators() {
        QCOMPARE(FormatHex(10), QStringLiteral("0A"));
        const Frame f = measurementRequest(2, 4, 0, 2);
        QCOMPARE(sendText(f), QStringLiteral("02 04 00 00 00 02 71 F8 "));
        QCOMPARE(sendText(f).size(), 24);
        QCOMPARE(receivedHex(QByteArray::fromHex("0AFF")), QStringLiteral(" 0A FF"));
        QCOMPARE(receivedHex(QByteArray()), QString());
    }

    void measurementFrames_data() {
        QTest::addColumn<int>("station");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("answerLength");
        // Eight bytes are the documented frames; six are the content, the CRC must match it.
        QTest::newRow("2/4/0/2") << 2 << 4 << 0 << 2 << QByteArray("020400000002 71F8") << 9;
        QTest::newRow("1/3/0/8") << 1 << 3 << 0 << 8 << QByteArray("010300000008 440C") << 21;
        QTest::newRow("count 1") << 2 << 4 << 0 << 1 << QByteArray("020400000001") << 7;
        QTest::newRow("start 255 count 21") << 2 << 4 << 255 << 21 << QByteArray("020400FF0015")
                                            << 47;
    }
    void measurementFrames() {
        QFETCH(int, station);
        QFETCH(int, function);
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(QByteArray, frame);
        QFETCH(int, answerLength);
        const Frame f = measurementRequest(std::uint8_t(station), std::uint8_t(function),
                                           std::uint8_t(start), std::uint8_t(count));
        const QByteArray expected = QByteArray::fromHex(frame);
        QCOMPARE(toBytes(f).left(expected.size()).toHex(), expected.toHex());
        QVERIFY(crcMatches(f));
        QCOMPARE(measurementAnswerLength(count), answerLength);
    }
};

QTEST_APPLESS_MAIN(TstFraming)
#include "tst_framing.moc"
