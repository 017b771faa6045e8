#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>

namespace tr {

// CRC-16/MODBUS: register 0xFFFF, reflected polynomial 0xA001, no final XOR.
// The low byte goes first on the wire.
std::uint16_t crc16(std::span<const std::uint8_t> bytes);

// True when the last two bytes of an answer are the CRC of the bytes before them.
bool crcMatches(std::span<const std::uint8_t> answer);

// The bytes of a QByteArray as the unsigned octets of the wire.
inline std::span<const std::uint8_t> octets(const QByteArray &bytes) {
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

} // namespace tr
