// Answer decoding by the pending-answer slot: what each kind of answer changes, and what a
// corrupted or cut answer must not change.
#include "modbus/decode.h"
#include "support/ptypeer.h"

#include <QTest>

using namespace tr;
using tr::test::withCrc;
using Status = DecodedAnswer::Status;

Q_DECLARE_METATYPE(Status)

namespace {

// A measurement answer of station 2, function 4 carrying the given registers.
QByteArray measurement(const QList<int> &registers) {
    QByteArray content = QByteArray::fromHex("0204");
    content.append(char(registers.size() * 2));
    for (int r : registers) {
        content.append(char(r >> 8));
        content.append(char(r & 0xFF));
    }
    return withCrc(content);
}

QString boxesText(const DecodedAnswer &a) {
    QStringList parts;
    for (const Reading &r : a.readings)
        parts << QStringLiteral("%1=%2").arg(r.box).arg(displayText(r));
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TstDecode : public QObject {
    Q_OBJECT
private slots:
    void measurementValues_data() {
        QTest::addColumn<QList<int>>("registers");
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<QString>("valueLine");
        QTest::newRow("documented three-register example")
            << QList<int>{0x00EB, 0xFFFF, 0xFF9C} << "0=23.50 1=0 2=-10.00"
            << "1#:23.50 3#:-10.00 ";
        QTest::newRow("40000 is the highest positive value")
            << QList<int>{40000, 40001, 0, 65535} << "0=4000.00 1=-2553.50 2=0.00 3=0"
            << "1#:4000.00 2#:-2553.50 3#:0.00 ";
        QTest::newRow("small negative keeps its sign") << QList<int>{65534} << "0=-0.20" << "1#:-0.20 ";
        QTest::newRow("ninth value goes to box 0 as channel 1")
            << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
            << "0=0.10 1=0.20 2=0.30 3=0.40 4=0.50 5=0.60 6=0.70 7=0.80 0=0.90 1=1.00"
            << "1#:0.10 2#:0.20 3#:0.30 4#:0.40 5#:0.50 6#:0.60 7#:0.70 8#:0.80 1#:0.90 2#:1.00 ";
        QTest::newRow("21 registers stay inside eight boxes")
            << QList<int>(21, 0xFFFF)
            << "0=0 1=0 2=0 3=0 4=0 5=0 6=0 7=0 0=0 1=0 2=0 3=0 4=0 5=0 6=0 7=0 0=0 1=0 2=0 3=0 4=0"
            << "";
    }
    void measurementValues() {
        QFETCH(QList<int>, registers);
        QFETCH(QString, boxes);
        QFETCH(QString, valueLine);
        const QByteArray answer = measurement(registers);
        const DecodedAnswer a = decodeAnswer(KindMeasurement, answer.size(), answer);
        QCOMPARE(a.status, Status::Decoded);
        QCOMPARE(boxesText(a), boxes);
        QCOMPARE(tr::valueLine(a.readings), valueLine);
    }

    void refusedAnswers_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("expectedLen");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Status>("status");
        const QByteArray meas = measurement({235, 236});
        QByteArray corrupted = meas;
        corrupted[4] = char(corrupted[4] ^ 0x10);
        const QByteArray params = withCrc(QByteArray::fromHex("0142E8030A00"));
        QByteArray badParams = params;
        badParams[7] = char(badParams[7] ^ 0x80);
        QTest::newRow("measurement bit flipped") << 1 << 9 << corrupted << Status::BadCrc;
        QTest::newRow("measurement cut short") << 1 << 9 << meas.left(8) << Status::Incomplete;
        QTest::newRow("nothing at all") << 1 << 9 << QByteArray() << Status::Incomplete;
        QTest::newRow("parameters bad crc") << 18 << 8 << badParams << Status::BadCrc;
        QTest::newRow("parameters one byte") << 18 << 8 << params.left(1) << Status::Incomplete;
        QTest::newRow("slope echo bad crc") << 16 << 8 << badParams << Status::BadCrc;
        QTest::newRow("offset echo short") << 17 << 8 << params.left(5) << Status::Incomplete;
        QTest::newRow("kind 0 decodes nothing") << 0 << 0 << meas << Status::NotDecoded;
        QTest::newRow("unknown kind decodes nothing") << 5 << 9 << meas << Status::NotDecoded;
        QTest::newRow("expected length too small to hold a CRC") << 1 << 2 << meas << Status::Incomplete;
        // Found by fuzzing: a five-byte slot must not let a parameters read run past the bytes.
        QTest::newRow("parameters read shorter than its fields")
            << 18 << 5 << withCrc(QByteArray::fromHex("0142E8")) << Status::Incomplete;
    }
    void refusedAnswers() {
        QFETCH(int, kind);
        QFETCH(int, expectedLen);
        QFETCH(QByteArray, bytes);
        QFETCH(Status, status);
        const DecodedAnswer a = decodeAnswer(kind, expectedLen, bytes);
        QCOMPARE(a.status, status);
        QVERIFY(a.readings.empty());
        QVERIFY(!a.slope && !a.offset && !a.echoedValue);
    }

    void parameterAnswers_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("slope");  // -1: absent
        QTest::addColumn<int>("offset"); // -1: absent
        QTest::addColumn<int>("echo");   // -1: absent
        QTest::newRow("read slope 1000 offset 10") << 18 << QByteArray::fromHex("0142E8030A00") << 1000 << 10 << -1;
        QTest::newRow("read above 32767 is unsigned") << 18 << QByteArray::fromHex("0142FFFF0080") << 65535 << 32768 << -1;
        QTest::newRow("read with function 0x43") << 18 << QByteArray::fromHex("0143E8030A00") << -1 << -1 << -1;
        QTest::newRow("slope echo") << 16 << QByteArray::fromHex("014201E80301") << -1 << -1 << 1000;
        QTest::newRow("offset echo 65535") << 17 << QByteArray::fromHex("014202FFFF01") << -1 << -1 << 65535;
        QTest::newRow("exception-like echo") << 16 << QByteArray::fromHex("01C202E80301") << -1 << -1 << -1;
    }
    void parameterAnswers() {
        QFETCH(int, kind);
        QFETCH(QByteArray, content);
        QFETCH(int, slope);
        QFETCH(int, offset);
        QFETCH(int, echo);
        const DecodedAnswer a = decodeAnswer(kind, 8, withCrc(content));
        QCOMPARE(a.status, Status::Decoded);
        QCOMPARE(a.slope ? int(*a.slope) : -1, slope);
        QCOMPARE(a.offset ? int(*a.offset) : -1, offset);
        QCOMPARE(a.echoedValue ? int(*a.echoedValue) : -1, echo);
    }

    void extraBytesAfterTheAnswerAreNotRead() {
        // The port hands over at most ExpectedLen bytes, but the decoder must not rely on it.
        QByteArray answer = measurement({100});
        answer.append(QByteArray::fromHex("DEADBEEF"));
        const DecodedAnswer a = decodeAnswer(KindMeasurement, 7, answer);
        QCOMPARE(a.status, Status::Decoded);
        QCOMPARE(valueLine(a.readings), QStringLiteral("1#:10.00 "));
    }
};

QTEST_APPLESS_MAIN(TstDecode)
#include "tst_decode.moc"
