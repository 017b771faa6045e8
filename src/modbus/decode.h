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

// One register of a measurement answer, as a number: the box it goes to and its value in
// tenths of a degree, or the open-sensor mark (0xFFFF).
struct Reading {
    int box = 0; // 0..7; with more than eight registers the index starts again at 0
    bool open = false;
    int tenths = 0; // -25535..40000 (above 40000 the register is negative two's complement)
};

struct DecodedAnswer {
    enum class Status {
        NotDecoded, // kind 0 or unknown: only the hex text and the lamp
        Decoded,
        Incomplete, // fewer bytes than the answer needs
        BadCrc,     // complete, but the CRC does not match: nothing may be believed
    };
    Status status = Status::NotDecoded;

    // Measurement answer: the registers in answer order.
    std::vector<Reading> readings;

    // Write echo (kind 16/17) or parameters read (kind 18); empty when the function code is not
    // 0x42.
    std::optional<std::uint16_t> echoedValue;
    std::optional<std::uint16_t> slope;
    std::optional<std::uint16_t> offset;

    bool decoded() const { return status == Status::Decoded; }
};

// Tenths of a degree as the value boxes show them ("#0.00"): 235 -> "23.50", -2 -> "-0.20".
QString formatTenths(int tenths);

// What a value box shows for a reading: "23.50", or the single digit "0" for an open sensor.
QString displayText(const Reading &reading);

// The value line of an answer: "n#:value " for every reading but an open sensor, n = box + 1.
QString valueLine(const std::vector<Reading> &readings);

// Decodes an answer by the pending-answer slot. Reads only the bytes it has; a complete answer
// of a known kind must carry a matching CRC in its last two bytes.
DecodedAnswer decodeAnswer(int kind, int expectedLen, const QByteArray &bytes);

// A measurement answer of `registers` registers (2N + 5 bytes), as the command line reads it.
inline DecodedAnswer decodeMeasurement(int registers, const QByteArray &bytes) {
    return decodeAnswer(KindMeasurement, 2 * registers + 5, bytes);
}

// The result line a parameters-read answer adds to the list: "2::1000--10\r\n".
QString resultLine(const QString &channel, const QString &slope, const QString &offset);

} // namespace tr
