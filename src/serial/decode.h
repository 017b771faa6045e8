#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace tr {

// What the last request expects; any other value of ReceiveKind means "do not decode".
enum ReceiveKindValue : std::int16_t {
    KindNone = 0,
    KindMeasurement = 1,
    KindSlopeWritten = 16,
    KindOffsetWritten = 17,
    KindParametersRead = 18,
};

// One value box filled by a measurement answer.
struct BoxUpdate {
    int index = 0; // 0..7
    QString text;  // "23.50", or "0" for an open sensor (0xFFFF)
};

struct DecodedAnswer {
    enum class Status {
        NotDecoded, // kind 0 or unknown: only the hex text and the lamp
        Decoded,
        Incomplete, // fewer bytes than the answer needs
        BadCrc,     // complete, but the CRC does not match: nothing may be believed
    };
    Status status = Status::NotDecoded;

    // Measurement answer: the boxes in the order they were filled, and the value line.
    std::vector<BoxUpdate> boxes;
    QString valueLine;

    // Write echo (kind 16/17) or parameters read (kind 18); empty when the function code is not
    // 0x42.
    std::optional<std::uint16_t> echoedValue;
    std::optional<std::uint16_t> slope;
    std::optional<std::uint16_t> offset;

    bool decoded() const { return status == Status::Decoded; }
};

// Tenths of a degree as the value boxes show them ("#0.00"): 235 -> "23.50", -2 -> "-0.20".
QString formatTenths(int tenths);

// Decodes an answer by the pending-answer slot. Reads only the bytes it has; a complete answer
// of a known kind must carry a matching CRC in its last two bytes.
DecodedAnswer decodeAnswer(int kind, int expectedLen, const QByteArray &bytes);

// The result line a parameters-read answer adds to the list: "2::1000--10\r\n".
QString resultLine(const QString &channel, const QString &slope, const QString &offset);

} // namespace tr
