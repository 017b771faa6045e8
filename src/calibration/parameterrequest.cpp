#include "calibration/parameterrequest.h"

#include "acquisition/opnumber.h"

namespace tr {

Frame parameterReadFrame(std::uint8_t station, std::uint8_t channel) {
    return buildFrame(station, CalibrationFunction, ReadParametersOp, 0x00, 0x02, channel);
}

Frame parameterWriteFrame(Parameter parameter, std::uint8_t station, std::uint16_t value,
                          std::uint8_t channel) {
    return buildFrame(station, CalibrationFunction, static_cast<std::uint8_t>(parameter),
                      static_cast<std::uint8_t>(value & 0xFF),
                      static_cast<std::uint8_t>(value >> 8), channel);
}

std::optional<std::uint8_t> addressEntry(const QString &text) {
    const std::optional<long long> v = wholeHalfEven(text, 0, 255);
    if (!v)
        return std::nullopt;
    return static_cast<std::uint8_t>(*v);
}

std::optional<std::uint16_t> valueEntry(const QString &text) {
    const std::optional<long long> v = wholeHalfEven(text, 0, 65535);
    if (!v)
        return std::nullopt;
    return static_cast<std::uint16_t>(*v);
}

ParameterRequest readRequest(const QString &station, const QString &channel) {
    ParameterRequest r;
    const auto s = addressEntry(station);
    const auto c = addressEntry(channel);
    if (!s || !c) {
        r.fault = ParameterRequest::Fault::AddressOrChannel;
        return r;
    }
    r.frame = parameterReadFrame(*s, *c);
    return r;
}

ParameterRequest writeRequest(Parameter parameter, const QString &station, const QString &value,
                              const QString &channel) {
    ParameterRequest r;
    const auto s = addressEntry(station);
    const auto c = addressEntry(channel);
    if (!s || !c) {
        r.fault = ParameterRequest::Fault::AddressOrChannel;
        return r;
    }
    const auto v = valueEntry(value);
    if (!v) {
        r.fault = ParameterRequest::Fault::Value;
        return r;
    }
    r.frame = parameterWriteFrame(parameter, *s, *v, *c);
    return r;
}

} // namespace tr
