#include "server.h"

#include "calibrationstore.h"
#include "monotonic.h"
#include "requesthandler.h"
#include "stopsignals.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tr::sim {

namespace {

// 8N1: start bit, 8 data bits, stop bit.
constexpr double kBitsPerByte = 10;
// While nobody holds the slave the master reports a hang-up at once; look again this often.
constexpr Micros kHangUpRetry = 10000;
// How often the loop wakes with nothing to do, to notice a parent that ended.
constexpr Micros kIdleWake = 200000;
// Below this the poll timeout (whole milliseconds) is too coarse; sleep precisely instead.
constexpr Micros kPreciseSleep = 2000;

Micros charTimes(double bytes, int baud) {
    return std::llround(bytes * kBitsPerByte * 1e6 / baud);
}

} // namespace

Server::Server(const Options &options, const ModuleState &initial, int masterFd, int wakeFd,
               WireLog &log)
    : options_(options), master_(masterFd), wake_(wakeFd), log_(log),
      framer_(charTimes(3.5, options.baud)), faults_(options.faults, options.seed ^ 0x9E3779B9U) {
    for (const int station : options_.stations) {
        const auto own = options_.stationValues.find(station);
        // The first station keeps the seed, so one station drifts as it always has.
        Module m{initial,
                 TemperatureSource(
                     options_.seed ^ static_cast<std::uint32_t>(
                                         station == options_.station ? 0 : station * 0x10001),
                     own != options_.stationValues.end() ? own->second : options_.values)};
        m.state.station = static_cast<std::uint8_t>(station);
        m.state.celsius = m.temperatures.next();
        modules_.push_back(std::move(m));
    }
    if (options_.exitWithParent)
        parent_ = watchParent();
}

Micros Server::byteTime(double bytes) const {
    return charTimes(bytes, options_.baud);
}

bool Server::parentGone() const {
    return options_.exitWithParent && ::getppid() != parent_;
}

bool Server::nobodyListening() const {
    // POLLHUP: the last holder of the slave closed it, even if its request is still unread.
    pollfd p{master_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR));
}

int Server::run() {
    while (!stopRequested() && !stdinClosed_ && !parentGone()) {
        const Micros now = monotonicNow();
        if (!pending_.empty() && pending_.front().start <= now) {
            const Pending next = std::move(pending_.front());
            pending_.pop_front();
            transmit(next);
            continue;
        }

        Micros wait = hungUp_ ? kHangUpRetry : kIdleWake;
        if (!pending_.empty())
            wait = std::min(wait, pending_.front().start - now);
        if (wait < kPreciseSleep) {
            sleepUntil(now + wait);
            continue;
        }

        pollfd fds[3] = {{wake_, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
        if (!hungUp_)
            fds[1].fd = master_;
        if (options_.exitOnStdinEof)
            fds[2].fd = STDIN_FILENO;
        // Round down: waking a little early only costs one more turn of the loop.
        const int ready = ::poll(fds, 3, static_cast<int>(wait / 1000) - 1);
        if (ready < 0 && errno != EINTR) {
            std::perror("tr6400-sim: poll");
            return 1;
        }
        if (ready <= 0) {
            hungUp_ = false; // look at the master again
            continue;
        }
        if (fds[2].revents) {
            char buffer[256];
            stdinClosed_ = ::read(STDIN_FILENO, buffer, sizeof buffer) <= 0;
        }
        if (fds[1].revents & POLLIN)
            readMaster();
        else if (fds[1].revents & (POLLHUP | POLLERR))
            hangUp();
    }
    return 0;
}

void Server::readMaster() {
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            for (const FramerEvent &event :
                 framer_.feed(std::span(buffer, static_cast<std::size_t>(n)), monotonicNow()))
                onFrame(event);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EIO: the last holder of the slave closed it.
        if (n == 0 || errno == EIO)
            hangUp();
        return;
    }
}

void Server::hangUp() {
    hungUp_ = true;
    for (const FramerEvent &event : framer_.reset())
        onFrame(event);
}

void Server::onFrame(const FramerEvent &frame) {
    if (frame.kind == FramerEvent::Kind::Discarded) {
        log_.write(monotonicNow(), "RX-DISCARD", frame.bytes);
        return;
    }

    if (options_.matchBaud && wrongBaud()) {
        log_.write(frame.lastByteAt, "RX-BAUD", frame.bytes);
        return;
    }
    Module &module = moduleFor(frame.bytes.empty() ? 0 : frame.bytes[0]);
    ModuleState &state = module.state;
    state.celsius = module.temperatures.next();
    const Reply reply = handleRequest(frame.bytes, state);
    switch (reply.verdict) {
    case Verdict::BadCrc:
        log_.write(frame.lastByteAt, "RX-BADCRC", frame.bytes);
        return;
    case Verdict::OtherStation:
    case Verdict::Malformed:
        log_.write(frame.lastByteAt, "RX-OTHER", frame.bytes);
        return;
    case Verdict::Answered:
    case Verdict::Exception:
        log_.write(frame.lastByteAt, "RX", frame.bytes);
        break;
    }

    if (reply.calibrationChanged && !options_.statePath.empty()) {
        CalibrationTable table{};
        std::copy(state.calibration.begin(), state.calibration.end(), table.begin());
        if (const std::string error = saveCalibration(options_.statePath, table); !error.empty())
            std::fprintf(stderr, "tr6400-sim: %s\n", error.c_str());
    }

    Transmission t = faults_.apply(reply.answer);
    if (t.dropped) {
        log_.write(monotonicNow(), t.tag, t.bytes);
        return;
    }
    // On a wire the request's last byte arrives 8 character times after its first; the pty
    // delivers all eight at once, so the answer waits for that time plus the turnaround.
    Micros start = std::max(frame.firstByteAt + byteTime(kRequestLength), frame.lastByteAt) +
                   std::llround(options_.turnaroundMs * 1000) + t.extraDelay;
    if (!pending_.empty()) {
        const Pending &last = pending_.back();
        start = std::max(start, last.start +
                                    byteTime(static_cast<double>(last.transmission.bytes.size())));
    }
    pending_.push_back({std::move(t), start});
}

Server::Module &Server::moduleFor(std::uint8_t station) {
    for (Module &m : modules_)
        if (m.state.station == station)
            return m;
    return modules_.front();
}

bool Server::wrongBaud() const {
    // The master's settings are the slave side's; tcgetattr on the master reads them.
    static const std::pair<int, speed_t> rates[] = {
        {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},    {19200, B19200},
        {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400}};
    termios tio{};
    if (::tcgetattr(master_, &tio) != 0)
        return false;
    for (const auto &[baud, speed] : rates)
        if (baud == options_.baud)
            return ::cfgetospeed(&tio) != speed;
    return false;
}

void Server::transmit(const Pending &answer) {
    const auto &bytes = answer.transmission.bytes;
    // Each byte leaves when its stop bit would have passed on the wire.
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const Micros due = answer.start + byteTime(static_cast<double>(k + 1));
        while (!sleepUntil(due))
            if (stopRequested())
                return;
        // A real line loses what nobody listens to; the pty would keep it for the next opener.
        ssize_t n = -1;
        if (!nobodyListening()) {
            do
                n = ::write(master_, &bytes[k], 1);
            while (n < 0 && errno == EINTR);
        }
        if (n != 1) {
            log_.write(monotonicNow(), "TX-LOST", bytes);
            return;
        }
    }
    log_.write(monotonicNow(), answer.transmission.tag, bytes);
}

} // namespace tr::sim
