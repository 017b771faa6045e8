#pragma once

#include "modbus/frame.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace tr {

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
