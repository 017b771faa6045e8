#pragma once

#include "modbus/frame.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace tr {

// What the last request expects back: nothing yet, the registers of a measurement read, the
// echo of a slope or offset write, or the slope and offset of a parameters read.
enum class AnswerKind : std::int16_t {
    None = 0,
    Measurement = 1,
    SlopeWritten = 16,
    OffsetWritten = 17,
    ParametersRead = 18,
};

// One register of a measurement answer, as a number: the box it goes to and its value in
// tenths of a degree, or the open-sensor mark (0xFFFF).
struct Reading {
    int box = 0; // 0..7; with more than eight registers the index starts again at 0
    bool open = false;
    int tenths = 0; // -25535..40000 (above 40000 the register is negative two's complement)
};

// What a complete answer with a matching CRC says.
struct DecodedAnswer {
    // Measurement answer: the registers in answer order.
    std::vector<Reading> readings;

    // Write echo (kind 16/17) or parameters read (kind 18); empty when the function code is not
    // 0x42.
    std::optional<std::uint16_t> echoedValue;
    std::optional<std::uint16_t> slope;
    std::optional<std::uint16_t> offset;
};

// Tenths of a degree as the value boxes show them ("#0.00"): 235 -> "23.50", -2 -> "-0.20".
QString formatTenths(int tenths);

// What a value box shows for a reading: "23.50", or the single digit "0" for an open sensor.
QString displayText(const Reading &reading);

// The value line of an answer: "n#:value " for every reading but an open sensor, n = box + 1.
QString valueLine(const std::vector<Reading> &readings);

// Decodes an answer by the pending-answer slot, as the window does: the first `expectedLen`
// bytes, whatever station or function they come from. Nothing when the kind is None, when fewer
// bytes came than the answer needs, or when its CRC (the two bytes at expectedLen - 2) does not
// match. Reads only the bytes it has.
std::optional<DecodedAnswer> decodeAnswer(AnswerKind kind, int expectedLen,
                                          const QByteArray &bytes);

// A measurement answer of `registers` registers (2N + 5 bytes), as the command line reads it.
inline std::optional<DecodedAnswer> decodeMeasurement(int registers, const QByteArray &bytes) {
    return decodeAnswer(AnswerKind::Measurement, measurementAnswerLength(registers), bytes);
}

// The result line a parameters-read answer adds to the list: "2::1000--10\r\n".
QString resultLine(const QString &channel, const QString &slope, const QString &offset);

} // namespace tr
