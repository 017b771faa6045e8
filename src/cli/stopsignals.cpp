#include "cli/stopsignals.h"

#include <algorithm>
#include <csignal>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

namespace tr::cli {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

#ifdef _WIN32
HANDLE wakeEvent = nullptr;

// Runs on a thread of its own that the console starts. Ctrl+C and Ctrl+Break stand for SIGINT,
// closing the console or ending the session for SIGTERM; a second one of the same kind falls
// through to the default handler, which ends the program at once.
BOOL WINAPI onConsoleEvent(DWORD type) {
    const int sig = (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) ? SIGINT : SIGTERM;
    if (stopSignal == sig)
        return FALSE;
    stopSignal = sig;
    if (wakeEvent)
        ::SetEvent(wakeEvent);
    if (sig == SIGTERM)
        ::Sleep(INFINITE); // the system ends the program once the row and summary are out
    return TRUE;
}
#else
int wakeRead = -1;
int wakeWrite = -1;

extern "C" void onStop(int sig) {
    if (stopSignal != 0) {
        // A second Ctrl+C (or SIGTERM, SIGHUP): stop now, without the row under way.
        static const char said[] = "tr6400-cli: stopped at once by a second signal\n";
        [[maybe_unused]] const auto w = ::write(STDERR_FILENO, said, sizeof said - 1);
        ::_exit(128 + sig);
    }
    stopSignal = sig;
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(wakeWrite, &byte, 1);
    }
}
#endif

} // namespace

StopSignals::StopSignals() {
#ifdef _WIN32
    wakeEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    int fds[2];
    if (::pipe(fds) == 0) {
        for (int fd : fds) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
        wakeRead = fds[0];
        wakeWrite = fds[1];
    }
    struct sigaction action {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    // Writes to stdout and the log restart; the sleep's poll() returns early either way.
    action.sa_flags = SA_RESTART;
    // SIGHUP: the terminal or the session went away, which is a stop like SIGTERM.
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
#endif
}

StopSignals::~StopSignals() {
#ifdef _WIN32
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    if (wakeEvent)
        ::CloseHandle(std::exchange(wakeEvent, nullptr));
#else
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    for (int *fd : {&wakeRead, &wakeWrite}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
#endif
}

int StopSignals::received() {
    return stopSignal;
}

bool StopSignals::sleepUntil(std::chrono::steady_clock::time_point until) {
    using namespace std::chrono;
#ifdef _WIN32
    while (!stopSignal) {
        const auto left = until - steady_clock::now();
        if (left <= steady_clock::duration::zero())
            break;
        // Whole milliseconds round up: waking before the due time would send early.
        const auto ms = std::min<long long>(ceil<milliseconds>(left).count(), 1 << 30);
        if (!wakeEvent) {
            ::Sleep(static_cast<DWORD>(ms));
            continue;
        }
        ::WaitForSingleObject(wakeEvent, static_cast<DWORD>(ms));
    }
#else
    while (!stopSignal) {
        const auto left = until - steady_clock::now();
        if (left <= steady_clock::duration::zero())
            break;
        pollfd p{wakeRead, POLLIN, 0};
        const nfds_t count = wakeRead >= 0 ? 1 : 0;
#ifdef __linux__
        // To the nanosecond, as the schedule's sleep was before signals woke it.
        const auto s = duration_cast<seconds>(left);
        const timespec wait{static_cast<time_t>(std::min<long long>(s.count(), 1 << 30)),
                            static_cast<long>(duration_cast<nanoseconds>(left - s).count())};
        const int ready = ::ppoll(&p, count, &wait, nullptr);
#else
        // Whole milliseconds round up: waking before the due time would send early.
        const auto ms = std::min<long long>(ceil<milliseconds>(left).count(), 1 << 30);
        const int ready = ::poll(&p, count, static_cast<int>(ms));
#endif
        if (ready < 0 && errno != EINTR)
            break;
    }
#endif
    return stopSignal == 0;
}

} // namespace tr::cli
