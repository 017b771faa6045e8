#include "domain/parameterrequest.h"

#include "domain/opnumber.h"

namespace tr {

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

namespace {

struct Addresses {
    std::uint8_t station;
    std::uint8_t channel;
};

// Station and channel are checked first, for the read and both writes alike.
std::optional<Addresses> addresses(const QString &station, const QString &channel) {
    const auto s = addressEntry(station);
    const auto c = addressEntry(channel);
    if (!s || !c)
        return std::nullopt;
    return Addresses{*s, *c};
}

ParameterRequest refused(ParameterRequest::Fault fault) {
    ParameterRequest r;
    r.fault = fault;
    return r;
}

} // namespace

ParameterRequest readRequest(const QString &station, const QString &channel) {
    const auto a = addresses(station, channel);
    if (!a)
        return refused(ParameterRequest::Fault::AddressOrChannel);
    ParameterRequest r;
    r.frame = parameterReadFrame(a->station, a->channel);
    return r;
}

ParameterRequest writeRequest(Parameter parameter, const QString &station, const QString &value,
                              const QString &channel) {
    const auto a = addresses(station, channel);
    if (!a)
        return refused(ParameterRequest::Fault::AddressOrChannel);
    const auto v = valueEntry(value);
    if (!v)
        return refused(ParameterRequest::Fault::Value);
    ParameterRequest r;
    r.frame = parameterWriteFrame(parameter, a->station, *v, a->channel);
    return r;
}

} // namespace tr
