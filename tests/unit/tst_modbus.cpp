// CRC, request frames, the judgement of answers and their decoding, against the check value, the
// frames the module's manual prints and answers whose CRC was worked out independently.
#include "modbus/answer.h"
#include "modbus/crc16.h"
#include "modbus/decode.h"
#include "modbus/frame.h"
#include "modbus/hextext.h"

#include <QTest>

using namespace tr;

namespace {

// Everything an answer gives the window: box=text per register, parameters, value line.
QString describe(const std::optional<DecodedAnswer> &decoded) {
    if (!decoded)
        return QStringLiteral("nothing");
    const DecodedAnswer &a = *decoded;
    QString s = QStringLiteral("decoded");
    for (const Reading &r : a.readings)
        s += QStringLiteral(" %1=%2").arg(r.box).arg(displayText(r));
    if (a.slope || a.offset)
        s += QStringLiteral(" slope %1 offset %2")
                 .arg(a.slope.value_or(0))
                 .arg(a.offset.value_or(0));
    if (a.echoedValue)
        s += QStringLiteral(" echo %1").arg(*a.echoedValue);
    return a.readings.empty() ? s : s + QStringLiteral(" | ") + valueLine(a.readings);
}

} // namespace

class TstModbus : public QObject {
    Q_OBJECT
private slots:
    void crcCheckValue() { QCOMPARE(crc16(octets("123456789")), 0x4B37); }

    void requestFrames_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("hex");
        const auto row = [](const char *name, const Frame &f, const char *hex) {
            QTest::newRow(name) << toBytes(f) << QByteArray(hex);
        };
        row("read 2/4/0/2", measurementRequest(2, 4, 0, 2), "02 04 00 00 00 02 71 f8");
        row("read 1/3/0/8", measurementRequest(1, 3, 0, 8), "01 03 00 00 00 08 44 0c");
        row("read from 255, 21", measurementRequest(2, 4, 255, 21), "02 04 00 ff 00 15 01 c6");
        row("calibration read", parameterReadFrame(1, 1), "01 42 00 00 02 01 b9 65");
        row("slope 1000", parameterWriteFrame(Parameter::Slope, 1, 1000, 1),
            "01 42 01 e8 03 01 39 3d");
        row("offset 0", parameterWriteFrame(Parameter::Offset, 1, 0, 1), "01 42 02 00 00 01 b9 bd");
        row("offset 40000 on 255/7", parameterWriteFrame(Parameter::Offset, 255, 40000, 7),
            "ff 42 02 40 9c 07 44 b5");
    }
    void requestFrames() {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, hex);
        QCOMPARE(frame.toHex(' '), hex);
    }

    void hexText() {
        QCOMPARE(sendText(measurementRequest(2, 4, 0, 2)),
                 QStringLiteral("02 04 00 00 00 02 71 F8 "));
        QCOMPARE(receivedHex(QByteArray::fromHex("0AFF")), QStringLiteral(" 0A FF"));
    }

    void decode_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("expectedLen");
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<QString>("decoded");
        const auto row = [](const char *name, int kind, int len, const char *hex, const char *out) {
            QTest::newRow(name) << kind << len << QByteArray::fromHex(hex) << QString(out);
        };
        row("open sensor, negative", 1, 11, "0204 06 00EB FFFF FF9C 11C9",
            "decoded 0=23.50 1=0 2=-10.00 | 1#:23.50 3#:-10.00 ");
        row("40000 is the highest positive", 1, 13, "0204 08 9C40 9C41 0000 FFFE 8257",
            "decoded 0=4000.00 1=-2553.50 2=0.00 3=-0.20 | 1#:4000.00 2#:-2553.50 3#:0.00 "
            "4#:-0.20 ");
        row("ninth register goes to box 0", 1, 23,
            "0204 12 0001 0002 0003 0004 0005 0006 0007 0008 0009 1A30",
            "decoded 0=0.10 1=0.20 2=0.30 3=0.40 4=0.50 5=0.60 6=0.70 7=0.80 0=0.90 | 1#:0.10 "
            "2#:0.20 3#:0.30 4#:0.40 5#:0.50 6#:0.60 7#:0.70 8#:0.80 1#:0.90 ");
        row("bytes after the answer are not read", 1, 7, "0204 02 0064 FCDB DEADBEEF",
            "decoded 0=10.00 | 1#:10.00 ");
        row("bit flipped", 1, 11, "0204 06 00EB FFFF FF9D 11C9", "nothing");
        row("cut short", 1, 11, "0204 06 00EB FFFF FF9C 11", "nothing");
        row("kind 0", 0, 11, "0204 06 00EB FFFF FF9C 11C9", "nothing");
        row("parameters read", 18, 8, "0142 E803 0A00 BAC5", "decoded slope 1000 offset 10");
        row("parameters bad crc", 18, 8, "0142 E803 0A00 BAC4", "nothing");
        row("function 0x43 is not ours", 18, 8, "0143 E803 0A00 8705", "decoded");
        // Found by fuzzing: a five-byte slot must not let a parameters read run past the bytes.
        row("parameters read shorter than its fields", 18, 5, "0142 E8 10EE", "nothing");
        row("slope echo", 16, 8, "0142 01 E803 01 393D", "decoded echo 1000");
        row("offset echo bad crc", 17, 8, "0142 02 E803 01 393D", "nothing");
    }
    void decode() {
        QFETCH(int, kind);
        QFETCH(int, expectedLen);
        QFETCH(QByteArray, hex);
        QFETCH(QString, decoded);
        QCOMPARE(describe(decodeAnswer(AnswerKind(kind), expectedLen, hex)), decoded);
    }

    // One judgement for every answer: the expected length comes from the request (a read of N
    // registers is answered in 2N + 5 bytes, a 0x42 request in 8), then the CRC, the station, the
    // function and the byte count; "window" is what the window's line counts of the same bytes.
    void judge_data() {
        QTest::addColumn<QByteArray>("request"); // empty: no request yet
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("judged");
        const QByteArray read = toBytes(measurementRequest(2, 4, 0, 2));
        const auto row = [](const char *name, const QByteArray &request, const char *hex,
                            const char *out) {
            QTest::newRow(name) << request << QByteArray::fromHex(hex) << QString(out);
        };
        row("ok", read, "0204 04 00EB FFFF B900", "ok | window ok");
        row("bytes past the answer are not looked at", read, "0204 04 00EB FFFF B900 0102",
            "ok | window ok");
        row("nothing", read, "", "no answer | window no answer");
        row("cut short", read, "0204 04 00EB FF", "short 6 of 9 | window short");
        row("21 registers", toBytes(measurementRequest(1, 3, 0, 21)), "0103 2A 0000",
            "short 5 of 47 | window short");
        row("bit flipped", read, "0204 04 00EB FFFE B900", "crc | window crc");
        row("stray byte in front", read, "00 0204 04 00EB FFFF B9", "crc | window crc");
        row("another station", read, "0304 04 00EB FFFF A9C0", "station | window ok");
        row("another function", read, "0203 04 00EB FFFF B8B7", "function | window ok");
        row("wrong byte count", read, "0204 06 00EB FFFF C0C0", "length | window ok");
        row("exception", read, "02 84 02 32C1", "exception 2 | window exception 2");
        row("exception of another station", read, "03 84 02 6301",
            "station 2 | window exception 2");
        row("exception to another function", read, "02 83 03 F131",
            "function 3 | window exception 3");
        row("exception bad crc", read, "02 84 02 32C0", "crc | window crc");
        row("exception cut short", read, "02 84", "short 2 of 5 | window short");
        row("no request", QByteArray(), "0204 04 00EB FFFF B900", "short 9 of 0 | window short");
        row("exception without a request", QByteArray(), "02 84 02 32C1",
            "station 2 | window exception 2");
        const QByteArray parameters = toBytes(parameterReadFrame(1, 1));
        row("parameters", parameters, "0142 E803 0A00 BAC5", "ok | window ok");
        row("parameters from function 0x43", parameters, "0143 E803 0A00 8705",
            "function | window ok");
    }
    void judge() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(QString, judged);
        static const char *const words[] = {"ok",      "no answer", "short",  "crc",
                                            "station", "function",  "length", "exception"};
        const auto word = [](AnswerStatus s, const Judgement &j) {
            return QLatin1String(words[int(s)]) +
                   (j.exceptionCode ? QStringLiteral(" %1").arg(*j.exceptionCode) : QString());
        };
        Frame frame{};
        std::copy(request.begin(), request.end(), frame.begin());
        const Judgement j = request.isEmpty() ? judgeAnswer(frame, Expectation{}, answer)
                                              : judgeAnswer(frame, answer);
        const QString cut = j.status == AnswerStatus::Short
                                ? QStringLiteral(" %1 of %2").arg(j.received).arg(j.expected)
                                : QString();
        QCOMPARE(word(j.status, j) + cut + " | window " + word(seenByWindow(j), j), judged);
    }
};

QTEST_APPLESS_MAIN(TstModbus)
#include "tst_modbus.moc"
