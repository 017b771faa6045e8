#include "modbus/crc16.h"

#include <algorithm>

namespace tr {

std::uint8_t CrcLo = 0;
std::uint8_t CrcHi = 0;

std::uint16_t crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t reg = 0xFFFF;
    for (std::uint8_t b : bytes) {
        reg ^= b;
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1U) ? static_cast<std::uint16_t>((reg >> 1) ^ 0xA001U)
                             : static_cast<std::uint16_t>(reg >> 1);
    }
    return reg;
}

void Crc16(std::span<const std::uint8_t> frame, int lastIndex) {
    const auto count = static_cast<std::size_t>(
        std::clamp<long>(lastIndex + 1L, 0L, static_cast<long>(frame.size())));
    const std::uint16_t reg = crc16(frame.first(count));
    CrcLo = static_cast<std::uint8_t>(reg & 0xFF);
    CrcHi = static_cast<std::uint8_t>(reg >> 8);
}

bool crcMatches(std::span<const std::uint8_t> answer) {
    if (answer.size() < 3)
        return false;
    const std::uint16_t reg = crc16(answer.first(answer.size() - 2));
    return answer[answer.size() - 2] == (reg & 0xFF) && answer[answer.size() - 1] == (reg >> 8);
}

} // namespace tr
