#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

namespace tr {

// Two upper-case hexadecimal digits, no prefix: 10 -> "0A".
QString FormatHex(std::uint8_t byte);

// A sent frame: one blank after every byte ("02 04 ... F8 ").
QString sendText(std::span<const std::uint8_t> frame);

// A received answer: one blank before every byte (" 0A FF").
QString receivedHex(const QByteArray &bytes);

} // namespace tr
