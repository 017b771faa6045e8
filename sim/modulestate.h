#pragma once

#include <array>
#include <cstdint>

namespace tr::sim {

constexpr int kChannels = 8;
// Registers 0-7 hold the channels, 8-31 exist and read as 0.
constexpr int kRegisters = 32;

// Slope in thousandths (1000 = 1.0), offset in tenths of a degree as a signed 16-bit number
// (65526 on the wire is -1.0 °C). The window writes both as unsigned 16-bit values.
struct Calibration {
    std::uint16_t slope = 1000;
    std::uint16_t offset = 0;
    bool operator==(const Calibration &) const = default;
};

struct ModuleState {
    std::uint8_t station = 2;
    std::array<double, kChannels> celsius{}; // what the sensors measure, before calibration
    std::array<bool, kChannels> open{};
    std::array<Calibration, kChannels> calibration{};
};

} // namespace tr::sim
