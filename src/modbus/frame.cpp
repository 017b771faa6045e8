#include "modbus/frame.h"

#include "modbus/crc16.h"

namespace tr {

Frame buildFrame(std::uint8_t station, std::uint8_t function, std::uint8_t b2, std::uint8_t b3,
                 std::uint8_t b4, std::uint8_t b5) {
    Frame f{station, function, b2, b3, b4, b5, 0, 0};
    const std::uint16_t crc = crc16(std::span(f).first(6));
    f[6] = static_cast<std::uint8_t>(crc & 0xFF);
    f[7] = static_cast<std::uint8_t>(crc >> 8);
    return f;
}

Frame measurementRequest(std::uint8_t station, std::uint8_t function, std::uint8_t start,
                         std::uint8_t count) {
    return buildFrame(station, function, 0x00, start, 0x00, count);
}

QByteArray toBytes(const Frame &frame) {
    return QByteArray(reinterpret_cast<const char *>(frame.data()),
                      static_cast<qsizetype>(frame.size()));
}

Frame parameterReadFrame(std::uint8_t station, std::uint8_t channel) {
    return buildFrame(station, kCalibrationFunction, kReadParametersOp, 0x00, 0x02, channel);
}

Frame parameterWriteFrame(Parameter parameter, std::uint8_t station, std::uint16_t value,
                          std::uint8_t channel) {
    return buildFrame(station, kCalibrationFunction, static_cast<std::uint8_t>(parameter),
                      static_cast<std::uint8_t>(value & 0xFF),
                      static_cast<std::uint8_t>(value >> 8), channel);
}

} // namespace tr
