#pragma once

#include "modbus/frame.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace tr {

// The module's own calibration function; 65..72 is the range Modbus leaves to user functions.
constexpr std::uint8_t CalibrationFunction = 0x42;

// Byte 2 of a calibration request: 0 reads slope and offset, 1 and 2 write one of them.
constexpr std::uint8_t ReadParametersOp = 0x00;
enum class Parameter : std::uint8_t { Slope = 0x01, Offset = 0x02 };

// station, 0x42, 0, 0, 2, channel, CRC. The module answers station, 0x42, slope, offset, CRC.
Frame parameterReadFrame(std::uint8_t station, std::uint8_t channel);

// station, 0x42, op, value low, value high, channel, CRC: the value goes low byte first, the
// reverse of Modbus register data. The module echoes the value at the same places.
Frame parameterWriteFrame(Parameter parameter, std::uint8_t station, std::uint16_t value,
                          std::uint8_t channel);

// Calibration entries are rounded half to even (2.5 -> 2) and then range-checked.
std::optional<std::uint8_t> addressEntry(const QString &text); // station or channel, 0..255
std::optional<std::uint16_t> valueEntry(const QString &text);  // slope or offset, 0..65535

// A request built from the entries as typed, or why it must not be sent. Station and channel
// are checked before the value.
struct ParameterRequest {
    enum class Fault { None, AddressOrChannel, Value };
    Fault fault = Fault::None;
    Frame frame{};
    bool ok() const { return fault == Fault::None; }
};

ParameterRequest readRequest(const QString &station, const QString &channel);
ParameterRequest writeRequest(Parameter parameter, const QString &station, const QString &value,
                              const QString &channel);

} // namespace tr
