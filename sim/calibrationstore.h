#pragma once

#include "modulestate.h"

#include <array>
#include <string>

namespace tr::sim {

using CalibrationTable = std::array<Calibration, kChannels>;

struct LoadedCalibration {
    CalibrationTable table{};
    std::string error; // empty when the file was read or did not exist yet
};

// The state file is plain text, one line per channel: "channel slope offset", e.g. "1 1000 0";
// lines starting with '#' are comments. A missing file means factory calibration.
LoadedCalibration loadCalibration(const std::string &path);

// Writes a temporary file beside `path` and renames it over `path`, so a crash leaves either the
// old or the new table, never half of one. Returns an error text, empty on success.
std::string saveCalibration(const std::string &path, const CalibrationTable &table);

} // namespace tr::sim
