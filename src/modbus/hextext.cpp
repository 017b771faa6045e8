#include "modbus/hextext.h"

namespace tr {

QString FormatHex(std::uint8_t byte) {
    static const char digits[] = "0123456789ABCDEF";
    const QChar text[2] = {QLatin1Char(digits[byte >> 4]), QLatin1Char(digits[byte & 0x0F])};
    return QString(text, 2);
}

QString sendText(std::span<const std::uint8_t> frame) {
    QString text;
    text.reserve(static_cast<qsizetype>(frame.size() * 3));
    for (std::uint8_t b : frame)
        text += FormatHex(b) + QLatin1Char(' ');
    return text;
}

QString receivedHex(const QByteArray &bytes) {
    QString text;
    text.reserve(bytes.size() * 3);
    for (char c : bytes)
        text += QLatin1Char(' ') + FormatHex(static_cast<std::uint8_t>(c));
    return text;
}

} // namespace tr
