#pragma once

#include <cstdint>
#include <span>

namespace tr {

// CRC-16/MODBUS: register 0xFFFF, reflected polynomial 0xA001, no final XOR.
// The low byte goes first on the wire.
std::uint16_t crc16(std::span<const std::uint8_t> bytes);

// The bytes of the most recent Crc16 call; a request builder copies them into bytes 6 and 7
// before anything can handle events.
extern std::uint8_t CrcLo;
extern std::uint8_t CrcHi;

// CRC over frame[0..lastIndex]; bytes after lastIndex never count. A lastIndex past the end is
// clamped to the frame, a negative one covers nothing.
void Crc16(std::span<const std::uint8_t> frame, int lastIndex);

// True when the last two bytes of an answer are the CRC of the bytes before them.
bool crcMatches(std::span<const std::uint8_t> answer);

} // namespace tr
