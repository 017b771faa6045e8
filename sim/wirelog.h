#pragma once

#include "framer.h"

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace tr::sim {

// "1234567890 RX 02 04 00 00 00 02 71 F8": stamp in microseconds, tag, bytes in upper-case hex.
std::string logLine(Micros at, std::string_view tag, std::span<const std::uint8_t> bytes);

// Writes log lines to standard output or a file, flushed line by line so a reader sees each
// exchange as it happens. Silent when logging is off.
class WireLog {
public:
    WireLog() = default;
    WireLog(const WireLog &) = delete;
    WireLog &operator=(const WireLog &) = delete;
    ~WireLog();

    // An empty path means standard output. Returns an error text, empty on success.
    std::string open(const std::string &path);

    void write(Micros at, std::string_view tag, std::span<const std::uint8_t> bytes);

private:
    std::FILE *out_ = nullptr;
    bool ownsFile_ = false;
};

} // namespace tr::sim
