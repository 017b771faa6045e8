#include "calibrationstore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tr::sim {

LoadedCalibration loadCalibration(const std::string &path) {
    LoadedCalibration result;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return result;
    std::ifstream in(path);
    if (!in) {
        result.error = path + ": cannot be read";
        return result;
    }
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        long channel = 0, slope = 0, offset = 0;
        std::string rest;
        if (!(fields >> channel >> slope >> offset) || (fields >> rest) || channel < 1 ||
            channel > kChannels || slope < 0 || slope > 0xFFFF || offset < 0 || offset > 0xFFFF) {
            result.error = path + ":" + std::to_string(lineNo) +
                           ": expected \"channel slope offset\" (1-8, 0-65535, 0-65535)";
            return result;
        }
        result.table[static_cast<std::size_t>(channel - 1)] = {static_cast<std::uint16_t>(slope),
                                                               static_cast<std::uint16_t>(offset)};
    }
    if (in.bad())
        result.error = path + ": cannot be read";
    return result;
}

std::string saveCalibration(const std::string &path, const CalibrationTable &table) {
    std::string text = "# tr6400-sim calibration: channel slope offset\n";
    for (std::size_t i = 0; i < table.size(); ++i)
        text += std::to_string(i + 1) + " " + std::to_string(table[i].slope) + " " +
                std::to_string(table[i].offset) + "\n";

    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return temp + ": " + std::strerror(errno);
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int writeErrno = errno;
    const bool synced = written && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || !synced) {
        ::unlink(temp.c_str());
        return temp + ": " + std::strerror(written ? errno : writeErrno);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string error = path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return error;
    }
    return {};
}

} // namespace tr::sim
