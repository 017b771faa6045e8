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

std::uint8_t at(const QByteArray &bytes, int i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

void decodeMeasurement(int expectedLen, const QByteArray &bytes, DecodedAnswer &out) {
    int k = 0;
    // Registers sit at 3 .. expectedLen-3, two bytes each, high byte first. With more than eight
    // registers the box index starts again at 0, so no value ever addresses a missing box.
    for (int i = 3; i <= expectedLen - 3; i += 2) {
        if (k > 7)
            k = 0;
        const int raw = at(bytes, i) * 256 + at(bytes, i + 1);
        if (raw == 0xFFFF)
            out.readings.push_back({k, true, 0});
        else
            out.readings.push_back({k, false, raw <= 40000 ? raw : raw - 65536});
        ++k;
    }
}

} // namespace

DecodedAnswer decodeAnswer(int kind, int expectedLen, const QByteArray &bytes) {
    DecodedAnswer out;
    if (kind != KindMeasurement && kind != KindSlopeWritten && kind != KindOffsetWritten &&
        kind != KindParametersRead)
        return out;

    // The smallest answer that carries anything is station, function, one byte and the CRC; a
    // parameters-read answer needs its offset high byte at index 5 whatever the slot says.
    const qsizetype needed = std::max(expectedLen, kind == KindParametersRead ? 6 : 5);
    if (expectedLen < 5 || bytes.size() < needed) {
        out.status = DecodedAnswer::Status::Incomplete;
        return out;
    }
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    if (!crcMatches(std::span<const std::uint8_t>(data, static_cast<std::size_t>(expectedLen)))) {
        out.status = DecodedAnswer::Status::BadCrc;
        return out;
    }
    out.status = DecodedAnswer::Status::Decoded;

    switch (kind) {
    case KindMeasurement:
        decodeMeasurement(expectedLen, bytes, out);
        break;
    case KindSlopeWritten:
    case KindOffsetWritten:
        if (at(bytes, 1) == 0x42)
            out.echoedValue = static_cast<std::uint16_t>(at(bytes, 4) * 256 + at(bytes, 3));
        break;
    case KindParametersRead:
        if (at(bytes, 1) == 0x42) {
            out.slope = static_cast<std::uint16_t>(at(bytes, 3) * 256 + at(bytes, 2));
            out.offset = static_cast<std::uint16_t>(at(bytes, 5) * 256 + at(bytes, 4));
        }
        break;
    }
    return out;
}

} // namespace tr
