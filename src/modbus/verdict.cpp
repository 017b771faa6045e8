#include "modbus/verdict.h"

#include "modbus/crc16.h"
#include "modbus/decode.h"

#include <span>

namespace tr {

namespace {

constexpr int kExceptionLength = 5;

bool crcOver(const QByteArray &bytes, int length) {
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    return crcMatches(std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)));
}

} // namespace

Verdict classifyAnswer(int kind, int expectedLen, const QByteArray &bytes) {
    if (bytes.isEmpty())
        return Verdict::NoAnswer;
    if (bytes.size() >= kExceptionLength && (static_cast<std::uint8_t>(bytes[1]) & 0x80) != 0)
        return crcOver(bytes, kExceptionLength) ? Verdict::Exception : Verdict::BadCrc;
    if (expectedLen < kExceptionLength || bytes.size() < expectedLen)
        return Verdict::Short;
    switch (decodeAnswer(kind, expectedLen, bytes).status) {
    case DecodedAnswer::Status::Decoded:
        return Verdict::Decoded;
    case DecodedAnswer::Status::BadCrc:
        return Verdict::BadCrc;
    case DecodedAnswer::Status::Incomplete:
        return Verdict::Short;
    case DecodedAnswer::Status::NotDecoded:
        break;
    }
    // A kind the link does not decode: the CRC alone decides.
    return crcOver(bytes, expectedLen) ? Verdict::Decoded : Verdict::BadCrc;
}

} // namespace tr
