#pragma once

#include "modulestate.h"

#include <array>
#include <cstdint>
#include <optional>
#include <random>

namespace tr::sim {

// What the eight sensors measure. Fixed channels keep their value; the others wander slowly
// around a base of their own between 20 and 30 °C, with a little noise on every reading. The
// same seed gives the same sequence.
class TemperatureSource {
public:
    TemperatureSource(std::uint32_t seed,
                      const std::array<std::optional<double>, kChannels> &fixed);

    // One reading of all channels; every call moves the drift one step on.
    std::array<double, kChannels> next();

    double base(int channelIndex) const { return base_[static_cast<std::size_t>(channelIndex)]; }

private:
    std::mt19937 rng_;
    std::array<std::optional<double>, kChannels> fixed_;
    std::array<double, kChannels> base_{};
    std::array<double, kChannels> drift_{}; // offset from the base, pulled back towards 0
};

} // namespace tr::sim
