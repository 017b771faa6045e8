#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>

namespace tr {

// Every request is 8 bytes: station, function code, four data bytes, CRC low, CRC high.
using Frame = std::array<std::uint8_t, 8>;

// Fills bytes 0..5 with the content and appends the CRC of those six bytes.
Frame buildFrame(std::uint8_t station, std::uint8_t function, std::uint8_t b2, std::uint8_t b3,
                 std::uint8_t b4, std::uint8_t b5);

// Read of consecutive registers: start and count travel with a high byte of 0.
Frame measurementRequest(std::uint8_t station, std::uint8_t function, std::uint8_t start,
                         std::uint8_t count);

// The module answers station, function, byte count, two bytes a register and the CRC: 2N + 5.
constexpr int measurementAnswerLength(int registers) {
    return 2 * registers + 5;
}

QByteArray toBytes(const Frame &frame);

} // namespace tr
