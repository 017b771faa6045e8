#include "framer.h"

namespace tr::sim {

std::vector<FramerEvent> RequestFramer::feed(std::span<const std::uint8_t> bytes, Micros now) {
    std::vector<FramerEvent> events;
    if (hasPartial() && now - partial_.lastByteAt >= silence_)
        events = reset();

    for (std::uint8_t byte : bytes) {
        if (partial_.bytes.empty())
            partial_.firstByteAt = now;
        partial_.bytes.push_back(byte);
        partial_.lastByteAt = now;
        if (partial_.bytes.size() == kRequestLength) {
            events.push_back(std::move(partial_));
            partial_ = {};
        }
    }
    return events;
}

std::vector<FramerEvent> RequestFramer::reset() {
    std::vector<FramerEvent> events;
    if (hasPartial()) {
        partial_.kind = FramerEvent::Kind::Discarded;
        events.push_back(std::move(partial_));
    }
    partial_ = {};
    return events;
}

} // namespace tr::sim
