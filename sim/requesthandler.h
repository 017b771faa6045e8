#pragma once

#include "modbus/frame.h"
#include "modulestate.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tr::sim {

enum class Verdict {
    Answered,     // a normal answer
    Exception,    // an exception answer: station, function | 0x80, code, CRC
    Malformed,    // not 8 bytes: nothing to answer
    BadCrc,       // a real slave stays silent
    OtherStation, // another station's request or a broadcast (station 0)
};

struct Reply {
    Verdict verdict = Verdict::Malformed;
    std::vector<std::uint8_t> answer; // empty unless Answered or Exception
    bool calibrationChanged = false;
};

// Answers one 8-byte request for the module in `state`; calibration writes change `state`.
Reply handleRequest(std::span<const std::uint8_t> request, ModuleState &state);

// The register of a channel: shown = raw x slope / 1000 + offset / 10, in tenths of a degree,
// two's complement, saturated to the 16-bit range; 0xFFFF for an open sensor.
std::uint16_t channelRegister(const ModuleState &state, int channelIndex);

std::vector<std::uint8_t> exceptionAnswer(std::uint8_t station, std::uint8_t function,
                                          std::uint8_t code);

// Appends the CRC, low byte first.
void appendCrc(std::vector<std::uint8_t> &bytes);

} // namespace tr::sim
