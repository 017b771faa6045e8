// decodeAnswer with any pending-answer slot and any bytes: what may be believed of an answer.
//
// Input: mode, kind (int16 LE), expectedLen (int16 LE), then the received bytes.
//   mode bit 0: kind is one of the four decoded kinds (1, 16, 17, 18), chosen by its low bits;
//   mode bit 1: expectedLen is the number of received bytes minus 0..3 (its low bits);
//   mode bit 2: the CRC of the first expectedLen bytes is put right before decoding,
// so the decoding paths are reached as often as the refusals.
#include "fuzzcheck.h"
#include "modbus/decode.h"

#include <QByteArray>
#include <QString>
#include <algorithm>

using namespace tr;
using trfuzz::FuzzInput;
using Status = DecodedAnswer::Status;

namespace {

int byteAt(const QByteArray &b, int i) {
    return static_cast<std::uint8_t>(b[i]);
}

QString expectedBoxText(int raw) {
    if (raw == 0xFFFF)
        return QStringLiteral("0");
    const int tenths = raw <= 40000 ? raw : raw - 65536;
    return QString::asprintf("%.2f", tenths / 10.0);
}

void checkNothingDecoded(const DecodedAnswer &a) {
    FUZZ_CHECK(a.readings.empty(), "refused answer fills %zu boxes", a.readings.size());
    FUZZ_CHECK(!a.echoedValue && !a.slope && !a.offset, "refused answer carries a value");
}

void checkMeasurement(int expectedLen, const QByteArray &bytes, const DecodedAnswer &a) {
    // Registers sit at 3 .. expectedLen - 3; an answer of 2N + 5 bytes carries N of them.
    const int registers = (expectedLen - 4) / 2;
    FUZZ_CHECK(static_cast<int>(a.readings.size()) == registers, "%zu boxes for length %d",
               a.readings.size(), expectedLen);
    QString line;
    for (int j = 0; j < static_cast<int>(a.readings.size()); ++j) {
        const Reading &r = a.readings[static_cast<std::size_t>(j)];
        FUZZ_CHECK(r.box >= 0 && r.box <= 7, "register %d went to box %d", j, r.box);
        if (j < 8)
            FUZZ_CHECK(r.box == j, "register %d went to box %d", j, r.box);
        const int raw = byteAt(bytes, 3 + 2 * j) * 256 + byteAt(bytes, 4 + 2 * j);
        const QString want = expectedBoxText(raw);
        const QString text = displayText(r);
        FUZZ_CHECK(text == want, "register %04X shown as \"%s\", not \"%s\"", raw,
                   qPrintable(text), qPrintable(want));
        if (raw != 0xFFFF)
            line += QString::number(r.box + 1) + QStringLiteral("#:") + text + QLatin1Char(' ');
    }
    const QString got = valueLine(a.readings);
    FUZZ_CHECK(got == line, "value line \"%s\", boxes say \"%s\"", qPrintable(got),
               qPrintable(line));
    FUZZ_CHECK(!a.echoedValue && !a.slope && !a.offset, "measurement answer carries a parameter");
}

void checkParameters(int kind, const QByteArray &bytes, const DecodedAnswer &a) {
    FUZZ_CHECK(a.readings.empty(), "parameter answer fills value boxes");
    const bool ours = byteAt(bytes, 1) == 0x42;
    const auto le = [&](int i) { return byteAt(bytes, i + 1) * 256 + byteAt(bytes, i); };
    if (kind == KindParametersRead) {
        FUZZ_CHECK(!a.echoedValue, "parameters read gives an echo");
        FUZZ_CHECK(a.slope.has_value() == ours && a.offset.has_value() == ours,
                   "function %02X: slope %d offset %d", byteAt(bytes, 1), a.slope.has_value(),
                   a.offset.has_value());
        if (ours)
            FUZZ_CHECK(*a.slope == le(2) && *a.offset == le(4),
                       "slope %u offset %u, bytes say %d %d", *a.slope, *a.offset, le(2), le(4));
    } else {
        FUZZ_CHECK(!a.slope && !a.offset, "write echo gives slope or offset");
        FUZZ_CHECK(a.echoedValue.has_value() == ours, "function %02X: echo %d", byteAt(bytes, 1),
                   a.echoedValue.has_value());
        if (ours)
            FUZZ_CHECK(*a.echoedValue == le(3), "echo %u, bytes say %d", *a.echoedValue, le(3));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    trfuzz::verifyReferenceCrc();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t mode = in.u8();
    const auto kindRaw = static_cast<std::int16_t>(in.u16());
    const auto lenRaw = static_cast<std::int16_t>(in.u16());
    const auto rest = in.rest();
    QByteArray bytes(reinterpret_cast<const char *>(rest.data()),
                     static_cast<qsizetype>(rest.size()));

    static constexpr int kKinds[] = {KindMeasurement, KindSlopeWritten, KindOffsetWritten,
                                     KindParametersRead};
    const int kind = (mode & 1) ? kKinds[kindRaw & 3] : kindRaw;
    int expectedLen = lenRaw;
    if (mode & 2)
        expectedLen = std::min<int>(static_cast<int>(bytes.size()) - (lenRaw & 3), 32767);
    if ((mode & 4) && expectedLen >= 3 && expectedLen <= bytes.size()) {
        const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.constData());
        const std::uint16_t crc =
            trfuzz::referenceCrc({p, static_cast<std::size_t>(expectedLen - 2)});
        bytes[expectedLen - 2] = static_cast<char>(crc & 0xFF);
        bytes[expectedLen - 1] = static_cast<char>(crc >> 8);
    }

    // The boxes show tenths as "#0.00"; the registers of an answer reach -32768..65535.
    const int tenths = kindRaw * 2 + (lenRaw & 1); // -65536..65535 from the input
    const QString text = formatTenths(tenths);
    FUZZ_CHECK(text == QString::asprintf("%.2f", tenths / 10.0), "%d tenths shown as \"%s\"",
               tenths, qPrintable(text));

    const QByteArray before = bytes;
    const DecodedAnswer a = decodeAnswer(kind, expectedLen, bytes);
    FUZZ_CHECK(bytes == before, "the decoder changed its input");

    const bool known = kind == KindMeasurement || kind == KindSlopeWritten ||
                       kind == KindOffsetWritten || kind == KindParametersRead;
    if (!known) {
        FUZZ_CHECK(a.status == Status::NotDecoded, "kind %d decoded with status %d", kind,
                   static_cast<int>(a.status));
        checkNothingDecoded(a);
        return 0;
    }
    // Smallest answer with content: station, function, one byte, CRC; a parameters read also
    // needs the offset's high byte at index 5.
    const bool complete = expectedLen >= 5 && bytes.size() >= expectedLen &&
                          (kind != KindParametersRead || bytes.size() >= 6);
    const bool crcOk =
        complete && trfuzz::crcFollows({reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                        static_cast<std::size_t>(expectedLen)});
    const Status want = !complete ? Status::Incomplete : crcOk ? Status::Decoded : Status::BadCrc;
    FUZZ_CHECK(a.status == want, "kind %d, length %d of %lld bytes, crc %s: status %d, not %d",
               kind, expectedLen, static_cast<long long>(bytes.size()), crcOk ? "ok" : "bad",
               static_cast<int>(a.status), static_cast<int>(want));
    if (!a.decoded()) {
        checkNothingDecoded(a);
        return 0;
    }
    if (kind == KindMeasurement)
        checkMeasurement(expectedLen, bytes, a);
    else
        checkParameters(kind, bytes, a);
    return 0;
}
