#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tr::sim {

// Microseconds on the monotonic clock.
using Micros = std::int64_t;

// Every request of the window is 8 bytes long.
constexpr std::size_t kRequestLength = 8;

struct FramerEvent {
    enum class Kind { Frame, Discarded };
    Kind kind = Kind::Frame;
    std::vector<std::uint8_t> bytes;
    Micros firstByteAt = 0; // when the first byte was read
    Micros lastByteAt = 0;  // when the last byte was read
};

// Cuts the byte stream into 8-byte requests. A silence of 3.5 character times or more drops a
// partial frame, so stray bytes cannot shift every later request out of step.
class RequestFramer {
public:
    explicit RequestFramer(Micros silence) : silence_(silence) {}

    std::vector<FramerEvent> feed(std::span<const std::uint8_t> bytes, Micros now);

    // The line went away (nobody holds the port): a partial frame can never be completed.
    std::vector<FramerEvent> reset();

    bool hasPartial() const { return !partial_.bytes.empty(); }

private:
    Micros silence_;
    FramerEvent partial_;
};

} // namespace tr::sim
