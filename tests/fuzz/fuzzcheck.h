#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

// A broken property is a finding: say which one and abort, so libFuzzer keeps the input.
#define FUZZ_CHECK(cond, ...)                                                                      \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "\nproperty broken: %s (%s:%d)\n  ", #cond, __FILE__, __LINE__);  \
            std::fprintf(stderr, __VA_ARGS__);                                                     \
            std::fputc('\n', stderr);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace trfuzz {

// Reads the fuzzer's bytes front to back, so a seed file is laid out in the order the fuzzer
// reads it. Past the end every number reads as 0.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t u8() { return size_ > 0 ? (--size_, *data_++) : 0; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(u8() | u8() << 8); }
    std::uint32_t u32() { return u16() | static_cast<std::uint32_t>(u16()) << 16; }
    std::uint64_t u64() { return u32() | static_cast<std::uint64_t>(u32()) << 32; }
    double f64() {
        const std::uint64_t bits = u64();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    std::span<const std::uint8_t> take(std::size_t n) {
        n = n < size_ ? n : size_;
        const std::span<const std::uint8_t> out(data_, n);
        data_ += n;
        size_ -= n;
        return out;
    }
    std::span<const std::uint8_t> rest() { return take(size_); }
    bool empty() const { return size_ == 0; }

private:
    const std::uint8_t *data_;
    std::size_t size_;
};

// CRC-16/MODBUS written here once more, bit by bit, so the checks do not trust the code they
// check. LLVMFuzzerInitialize of each fuzzer verifies it against the check value 0x4B37.
inline std::uint16_t referenceCrc(std::span<const std::uint8_t> bytes) {
    unsigned crc = 0xFFFF;
    for (std::uint8_t b : bytes)
        for (int bit = 0; bit < 8; ++bit) {
            const bool out = ((crc ^ (b >> bit)) & 1U) != 0;
            crc >>= 1;
            if (out)
                crc ^= 0xA001;
        }
    return static_cast<std::uint16_t>(crc);
}

inline void verifyReferenceCrc() {
    const char check[] = "123456789";
    const std::uint16_t crc =
        referenceCrc({reinterpret_cast<const std::uint8_t *>(check), std::strlen(check)});
    FUZZ_CHECK(crc == 0x4B37, "reference CRC of \"123456789\" is %04X", crc);
}

// True when the last two bytes of `frame` are the CRC of the bytes before them, low byte first.
inline bool crcFollows(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3)
        return false;
    const std::uint16_t crc = referenceCrc(frame.first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

} // namespace trfuzz
