#pragma once
// What every fuzz target shares: the check that turns a broken property into a finding, the
// reader of the input, and a CRC of its own so the checks do not trust the code they check.
#include <QByteArray>
#include <algorithm>
#include <cstdio>
#include <span>

// Aborts with the property's text, so libFuzzer keeps the input; replay it for the details.
#define FUZZ_CHECK(cond)                                                                           \
    ((cond) ? void() : (std::fprintf(stderr, "\nproperty broken: %s\n", #cond), std::abort()))

namespace trfuzz {

// The input is read front to back, so a seed file is laid out in the order a target reads it.
using Input = std::span<const std::uint8_t>;
void fuzzOne(Input in);               // the target, defined in its own file
template <class T> T get(Input &in) { // little-endian; bytes past the end read as 0
    T v{};
    std::copy_n(in.begin(), std::min(sizeof v, in.size()), reinterpret_cast<std::uint8_t *>(&v));
    in = in.subspan(std::min(sizeof v, in.size()));
    return v;
}

// CRC-16/MODBUS, bit by bit: register 0xFFFF, reflected polynomial 0xA001. Bytes followed by
// their CRC, low byte first, have the CRC 0.
constexpr std::uint16_t referenceCrc(Input bytes) {
    unsigned crc = 0xFFFF;
    for (const std::uint8_t b : bytes)
        for (int bit = 0; bit < 8; ++bit)
            crc = ((crc ^ b >> bit) & 1) != 0 ? crc >> 1 ^ 0xA001 : crc >> 1;
    return std::uint16_t(crc);
}
constexpr std::uint8_t kCheckText[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
static_assert(referenceCrc(kCheckText) == 0x4B37);

inline void putCrc(std::span<std::uint8_t> f) {
    const std::uint16_t crc = referenceCrc(f.first(f.size() - 2));
    f.last(2)[0] = std::uint8_t(crc & 0xFF);
    f.last(2)[1] = std::uint8_t(crc >> 8);
}

} // namespace trfuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    trfuzz::fuzzOne({data, size});
    return 0;
}
