#include "modbus/decode.h"

#include "modbus/crc16.h"

#include <algorithm>
#include <span>

namespace tr {

QString formatTenths(int tenths) {
    const int magnitude = tenths < 0 ? -tenths : tenths;
    return (tenths < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 10) +
           QLatin1Char('.') + QString::number(magnitude % 10) + QLatin1Char('0');
}

QString displayText(const Reading &reading) {
    return reading.open ? QStringLiteral("0") : formatTenths(reading.tenths);
}

QString valueLine(const std::vector<Reading> &readings) {
    QString line;
    for (const Reading &r : readings) {
        if (!r.open)
            line += QString::number(r.box + 1) + QStringLiteral("#:") + formatTenths(r.tenths) +
                    QLatin1Char(' ');
    }
    return line;
}

QString resultLine(const QString &channel, const QString &slope, const QString &offset) {
    return channel + QStringLiteral("::") + slope + QStringLiteral("--") + offset +
           QStringLiteral("\r\n");
}

namespace {

void decodeMeasurement(int expectedLen, std::span<const std::uint8_t> b, DecodedAnswer &out) {
    int k = 0;
    // Registers sit at 3 .. expectedLen-3, two bytes each, high byte first. With more than eight
    // registers the box index starts again at 0, so no value ever addresses a missing box.
    for (int i = 3; i <= expectedLen - 3; i += 2) {
        if (k > 7)
            k = 0;
        const int raw = b[i] * 256 + b[i + 1];
        if (raw == 0xFFFF)
            out.readings.push_back({k, true, 0});
        else
            out.readings.push_back({k, false, raw <= 40000 ? raw : raw - 65536});
        ++k;
    }
}

} // namespace

std::optional<DecodedAnswer> decodeAnswer(AnswerKind kind, int expectedLen,
                                          const QByteArray &bytes) {
    if (kind == AnswerKind::None)
        return std::nullopt;
    // The smallest answer that carries anything is station, function, one byte and the CRC; a
    // parameters-read answer needs its offset high byte at index 5 whatever the slot says.
    const qsizetype needed = std::max(expectedLen, kind == AnswerKind::ParametersRead ? 6 : 5);
    if (expectedLen < 5 || bytes.size() < needed)
        return std::nullopt;
    const auto b = octets(bytes);
    if (!crcMatches(b.first(static_cast<std::size_t>(expectedLen))))
        return std::nullopt;

    DecodedAnswer out;
    switch (kind) {
    case AnswerKind::None:
        break;
    case AnswerKind::Measurement:
        decodeMeasurement(expectedLen, b, out);
        break;
    case AnswerKind::SlopeWritten:
    case AnswerKind::OffsetWritten:
        if (b[1] == kCalibrationFunction)
            out.echoedValue = static_cast<std::uint16_t>(b[4] * 256 + b[3]);
        break;
    case AnswerKind::ParametersRead:
        if (b[1] == kCalibrationFunction) {
            out.slope = static_cast<std::uint16_t>(b[3] * 256 + b[2]);
            out.offset = static_cast<std::uint16_t>(b[5] * 256 + b[4]);
        }
        break;
    }
    return out;
}

} // namespace tr
