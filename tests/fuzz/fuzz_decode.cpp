// decodeAnswer with any pending-answer slot and any bytes: only a complete answer with a
// matching CRC is believed, and then exactly what its bytes say.
//
// Input: mode, kind (int16 LE), expectedLen (int16 LE), then the received bytes.
//   mode bit 0: kind is one of the four decoded kinds (1, 16, 17, 18), chosen by its low bits;
//   mode bit 1: expectedLen is the number of received bytes minus 0..3 (its low bits);
//   mode bit 2: the CRC of the first expectedLen bytes is put right before decoding,
// so the decoding paths are reached as often as the refusals.
#include "fuzzcheck.h"
#include "modbus/decode.h"

using namespace tr;

void trfuzz::fuzzOne(Input in) {
    const auto mode = get<std::uint8_t>(in);
    const auto kindRaw = get<std::int16_t>(in), lenRaw = get<std::int16_t>(in);
    QByteArray answer(reinterpret_cast<const char *>(in.data()), qsizetype(in.size()));
    const std::span b(reinterpret_cast<std::uint8_t *>(answer.data()), in.size());
    static constexpr int kKinds[] = {1, 16, 17, 18};
    const int kind = mode & 1 ? kKinds[kindRaw & 3] : kindRaw;
    const int len = mode & 2 ? std::min<int>(int(b.size()) - (lenRaw & 3), 32767) : lenRaw;
    if (mode & 4 && len >= 3 && len <= int(b.size()))
        putCrc(b.first(std::size_t(len)));

    // Station, function, one byte and the CRC at least; a parameters read also needs byte 5.
    const bool known = std::ranges::count(kKinds, kind) > 0;
    const std::optional<DecodedAnswer> decoded =
        decodeAnswer(known ? AnswerKind(kind) : AnswerKind::None, len, answer);
    const bool complete = len >= 5 && int(b.size()) >= std::max(len, kind == 18 ? 6 : 0);
    FUZZ_CHECK(decoded.has_value() ==
               (known && complete && referenceCrc(b.first(std::size_t(len))) == 0));
    const DecodedAnswer a = decoded.value_or(DecodedAnswer{});
    // Slope and offset (kind 18) or the echo (16, 17) only from function 0x42, low byte first.
    const bool ours = decoded && b[1] == 0x42;
    FUZZ_CHECK(a.slope == (ours && kind == 18 ? std::optional(b[3] << 8 | b[2]) : std::nullopt));
    FUZZ_CHECK(a.offset == (ours && kind == 18 ? std::optional(b[5] << 8 | b[4]) : std::nullopt));
    const bool echo = ours && (kind == 16 || kind == 17);
    FUZZ_CHECK(a.echoedValue == (echo ? std::optional(b[4] << 8 | b[3]) : std::nullopt));

    // An answer of 2N + 5 bytes carries N registers, for boxes 0..7 and then again from 0; the
    // boxes show tenths as "#0.00", an open sensor (0xFFFF) as "0" and not in the value line.
    FUZZ_CHECK(a.readings.size() == (decoded && kind == 1 ? std::size_t(len - 4) / 2 : 0));
    QString line;
    for (std::size_t j = 0; j < a.readings.size(); ++j) {
        const int raw = b[3 + 2 * j] << 8 | b[4 + 2 * j];
        const QString shown = QString::asprintf("%.2f", (raw <= 40000 ? raw : raw - 65536) / 10.0);
        FUZZ_CHECK(a.readings[j].box == int(j % 8));
        FUZZ_CHECK(displayText(a.readings[j]) == (raw == 0xFFFF ? QStringLiteral("0") : shown));
        line += raw == 0xFFFF ? QString() : QStringLiteral("%1#:%2 ").arg(j % 8 + 1).arg(shown);
    }
    FUZZ_CHECK(valueLine(a.readings) == line);
}
