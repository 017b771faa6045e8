#include "temperatures.h"

namespace tr::sim {

namespace {
// One drift step pulls 2 % of the way back to the base and adds noise of 0.05 °C; that keeps
// the drift within about ±0.25 °C (one standard deviation) of the base.
constexpr double kPullBack = 0.02;
constexpr double kDriftStep = 0.05;
constexpr double kReadingNoise = 0.03;
} // namespace

TemperatureSource::TemperatureSource(std::uint32_t seed,
                                     const std::array<std::optional<double>, kChannels> &fixed)
    : rng_(seed), fixed_(fixed) {
    std::uniform_real_distribution<double> bases(20.5, 29.5);
    for (double &b : base_)
        b = bases(rng_);
}

std::array<double, kChannels> TemperatureSource::next() {
    std::normal_distribution<double> step(0.0, kDriftStep);
    std::normal_distribution<double> noise(0.0, kReadingNoise);
    std::array<double, kChannels> celsius{};
    for (std::size_t i = 0; i < celsius.size(); ++i) {
        drift_[i] += -kPullBack * drift_[i] + step(rng_);
        const double reading = base_[i] + drift_[i] + noise(rng_);
        celsius[i] = fixed_[i].value_or(reading);
    }
    return celsius;
}

} // namespace tr::sim
