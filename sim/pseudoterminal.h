#pragma once

#include <string>

namespace tr::sim {

// The master side of a raw pseudo-terminal; the program at the other end opens slavePath().
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;
    ~PseudoTerminal();

    // Returns an error text, empty on success. The master is non-blocking.
    std::string open();

    int masterFd() const { return master_; }
    const std::string &slavePath() const { return slavePath_; }

private:
    int master_ = -1;
    std::string slavePath_;
};

// A symbolic link at `linkPath` to `target`, made when constructed and removed when destroyed,
// unless by then it points somewhere else (another simulator took the name over).
class PortLink {
public:
    PortLink() = default;
    PortLink(const PortLink &) = delete;
    PortLink &operator=(const PortLink &) = delete;
    ~PortLink();

    // Replaces an existing symlink (a stale one left by a crash), but never a file or folder.
    // Makes missing parent folders. Returns an error text, empty on success.
    std::string create(const std::string &target, const std::string &linkPath);

private:
    std::string target_;
    std::string linkPath_;
};

} // namespace tr::sim
