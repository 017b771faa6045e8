#include "wirelog.h"

#include "modbus/hextext.h"

#include <cerrno>
#include <cstring>

namespace tr::sim {

std::string logLine(Micros at, std::string_view tag, std::span<const std::uint8_t> bytes) {
    const QByteArray raw(reinterpret_cast<const char *>(bytes.data()),
                         static_cast<qsizetype>(bytes.size()));
    return std::to_string(at) + ' ' + std::string(tag) + receivedHex(raw).toStdString();
}

WireLog::~WireLog() {
    if (ownsFile_)
        std::fclose(out_);
}

std::string WireLog::open(const std::string &path) {
    if (path.empty()) {
        out_ = stdout;
        return {};
    }
    out_ = std::fopen(path.c_str(), "w");
    if (!out_)
        return path + ": " + std::strerror(errno);
    ownsFile_ = true;
    return {};
}

void WireLog::write(Micros at, std::string_view tag, std::span<const std::uint8_t> bytes) {
    if (!out_)
        return;
    const std::string line = logLine(at, tag, bytes) + "\n";
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
}

} // namespace tr::sim
