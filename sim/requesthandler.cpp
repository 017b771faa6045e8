#include "requesthandler.h"

#include "modbus/crc16.h"

#include <algorithm>
#include <cmath>

namespace tr::sim {

namespace {

constexpr std::uint8_t kIllegalFunction = 0x01;
constexpr std::uint8_t kIllegalDataAddress = 0x02;
constexpr std::uint8_t kIllegalDataValue = 0x03;

// A standard read may ask for at most 125 registers (250 data bytes in the answer).
constexpr int kMaxReadCount = 125;

constexpr auto kWriteSlope = static_cast<std::uint8_t>(Parameter::Slope);
constexpr auto kWriteOffset = static_cast<std::uint8_t>(Parameter::Offset);

Reply exceptionReply(std::uint8_t station, std::uint8_t function, std::uint8_t code) {
    return {Verdict::Exception, exceptionAnswer(station, function, code), false};
}

Reply readRegisters(std::span<const std::uint8_t> request, const ModuleState &state) {
    const int start = request[2] << 8 | request[3];
    const int count = request[4] << 8 | request[5];
    if (count == 0 || count > kMaxReadCount || start + count > kRegisters)
        return exceptionReply(request[0], request[1], kIllegalDataAddress);

    // Station, function, byte count, two bytes a register (high first), CRC: 2N + 5.
    std::vector<std::uint8_t> answer{request[0], request[1], static_cast<std::uint8_t>(2 * count)};
    for (int reg = start; reg < start + count; ++reg) {
        const std::uint16_t value = reg < kChannels ? channelRegister(state, reg) : 0;
        answer.push_back(static_cast<std::uint8_t>(value >> 8));
        answer.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    appendCrc(answer);
    return {Verdict::Answered, std::move(answer), false};
}

Reply calibrationRequest(std::span<const std::uint8_t> request, ModuleState &state) {
    const std::uint8_t op = request[2];
    const int channel = request[5];
    if (op != kReadParametersOp && op != kWriteSlope && op != kWriteOffset)
        return exceptionReply(request[0], request[1], kIllegalDataValue);
    if (channel < 1 || channel > kChannels)
        return exceptionReply(request[0], request[1], kIllegalDataAddress);

    Calibration &cal = state.calibration[static_cast<std::size_t>(channel - 1)];
    if (op == kReadParametersOp) {
        // The read carries the fixed bytes 00 02 where a write carries its value.
        if (request[3] != 0x00 || request[4] != 0x02)
            return exceptionReply(request[0], request[1], kIllegalDataValue);
        // Slope and offset travel low byte first, unlike Modbus registers.
        std::vector<std::uint8_t> answer{request[0],
                                         request[1],
                                         static_cast<std::uint8_t>(cal.slope & 0xFF),
                                         static_cast<std::uint8_t>(cal.slope >> 8),
                                         static_cast<std::uint8_t>(cal.offset & 0xFF),
                                         static_cast<std::uint8_t>(cal.offset >> 8)};
        appendCrc(answer);
        return {Verdict::Answered, std::move(answer), false};
    }

    const auto value = static_cast<std::uint16_t>(request[4] << 8 | request[3]);
    (op == kWriteSlope ? cal.slope : cal.offset) = value;
    // A write is confirmed by echoing the request unchanged.
    return {Verdict::Answered, std::vector<std::uint8_t>(request.begin(), request.end()), true};
}

} // namespace

void appendCrc(std::vector<std::uint8_t> &bytes) {
    const std::uint16_t crc = tr::crc16(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
}

std::vector<std::uint8_t> exceptionAnswer(std::uint8_t station, std::uint8_t function,
                                          std::uint8_t code) {
    std::vector<std::uint8_t> answer{station, static_cast<std::uint8_t>(function | 0x80), code};
    appendCrc(answer);
    return answer;
}

std::uint16_t channelRegister(const ModuleState &state, int channelIndex) {
    const auto i = static_cast<std::size_t>(channelIndex);
    if (state.open[i])
        return 0xFFFF;
    const Calibration &cal = state.calibration[i];
    const double tenths =
        state.celsius[i] * 10.0 * cal.slope / 1000.0 + static_cast<std::int16_t>(cal.offset);
    const long rounded = std::clamp(std::lround(tenths), -32768L, 32767L);
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(rounded));
}

Reply handleRequest(std::span<const std::uint8_t> request, ModuleState &state) {
    if (request.size() != 8)
        return {};
    if (!tr::crcMatches(request))
        return {Verdict::BadCrc, {}, false};
    // Broadcasts (station 0) get no answer on a Modbus line, and this module ignores them.
    if (request[0] != state.station || request[0] == 0)
        return {Verdict::OtherStation, {}, false};

    switch (request[1]) {
    case 0x03:
    case 0x04:
        return readRegisters(request, state);
    case kCalibrationFunction:
        return calibrationRequest(request, state);
    default:
        return exceptionReply(request[0], request[1], kIllegalFunction);
    }
}

} // namespace tr::sim
