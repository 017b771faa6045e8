#include "modbus/crc16.h"

namespace tr {

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

bool crcMatches(std::span<const std::uint8_t> answer) {
    if (answer.size() < 3)
        return false;
    const std::uint16_t reg = crc16(answer.first(answer.size() - 2));
    return answer[answer.size() - 2] == (reg & 0xFF) && answer[answer.size() - 1] == (reg >> 8);
}

} // namespace tr
