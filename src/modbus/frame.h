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

// The module's own calibration function; 65..72 is the range Modbus leaves to user functions.
constexpr std::uint8_t kCalibrationFunction = 0x42;

// Byte 2 of a calibration request: 0 reads slope and offset, 1 and 2 write one of them.
constexpr std::uint8_t kReadParametersOp = 0x00;
enum class Parameter : std::uint8_t { Slope = 0x01, Offset = 0x02 };

// The module answers every 0x42 request in 8 bytes.
constexpr int kCalibrationAnswerLength = 8;

// station, 0x42, 0, 0, 2, channel, CRC. The module answers station, 0x42, slope, offset, CRC.
Frame parameterReadFrame(std::uint8_t station, std::uint8_t channel);

// station, 0x42, op, value low, value high, channel, CRC: the value goes low byte first, the
// reverse of Modbus register data. The module echoes the value at the same places.
Frame parameterWriteFrame(Parameter parameter, std::uint8_t station, std::uint16_t value,
                          std::uint8_t channel);

QByteArray toBytes(const Frame &frame);

} // namespace tr
