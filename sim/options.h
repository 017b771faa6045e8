#pragma once

#include "faults.h"
#include "modulestate.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tr::sim {

struct Options {
    int station = 2;              // the first of `stations`
    std::vector<int> stations{2}; // one process may answer several stations
    std::map<int, std::array<std::optional<double>, kChannels>> stationValues; // --values S:...
    int baud = 19200;
    double turnaroundMs = 5;
    std::array<std::optional<double>, kChannels> values{}; // fixed channels; the rest drift
    std::array<bool, kChannels> open{};
    std::uint32_t seed = 1;
    std::string statePath;
    std::string linkPath;
    bool log = false;
    std::string logPath; // empty: standard output
    FaultRates faults;
    bool exitOnStdinEof = false;
    bool exitWithParent = false;
    bool matchBaud = false; // answer only requests sent at `baud`
};

struct ParsedOptions {
    Options options;
    bool help = false;
    bool version = false;
    std::string error; // empty when the command line was valid
};

ParsedOptions parseOptions(const std::vector<std::string> &args);

std::string helpText();

} // namespace tr::sim
