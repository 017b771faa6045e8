#include "pseudoterminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <termios.h>
#include <unistd.h>

namespace tr::sim {

namespace fs = std::filesystem;

PseudoTerminal::~PseudoTerminal() {
    if (master_ >= 0)
        ::close(master_);
}

std::string PseudoTerminal::open() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return std::string("posix_openpt: ") + std::strerror(errno);
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return std::string("grantpt/unlockpt: ") + std::strerror(errno);
    const char *name = ::ptsname(master_);
    if (!name)
        return std::string("ptsname: ") + std::strerror(errno);
    slavePath_ = name;
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);

    // Raw line: no echo of what we write, no CR/LF translation of binary frames. On Linux the
    // master's termios calls reach the slave side; opening the slave here instead would leave
    // the master hung up until the first client arrives.
    termios tio{};
    if (::tcgetattr(master_, &tio) != 0)
        return std::string("tcgetattr: ") + std::strerror(errno);
    ::cfmakeraw(&tio);
    if (::tcsetattr(master_, TCSANOW, &tio) != 0)
        return std::string("tcsetattr: ") + std::strerror(errno);
    return {};
}

PortLink::~PortLink() {
    if (linkPath_.empty())
        return;
    std::error_code ec;
    if (fs::is_symlink(linkPath_, ec) && fs::read_symlink(linkPath_, ec) == target_)
        fs::remove(linkPath_, ec);
}

std::string PortLink::create(const std::string &target, const std::string &linkPath) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(linkPath, ec);
    if (fs::exists(status) && !fs::is_symlink(status))
        return linkPath + ": exists and is not a symbolic link";
    const fs::path parent = fs::path(linkPath).parent_path();
    if (!parent.empty() && !fs::create_directories(parent, ec) && ec)
        return parent.string() + ": " + ec.message();

    // Made under a temporary name and renamed, so the name never points nowhere.
    const std::string temp = linkPath + ".tmp" + std::to_string(::getpid());
    fs::remove(temp, ec);
    fs::create_symlink(target, temp, ec);
    if (ec)
        return temp + ": " + ec.message();
    fs::rename(temp, linkPath, ec);
    if (ec) {
        const std::string error = linkPath + ": " + ec.message();
        fs::remove(temp, ec);
        return error;
    }
    target_ = target;
    linkPath_ = linkPath;
    return {};
}

} // namespace tr::sim
