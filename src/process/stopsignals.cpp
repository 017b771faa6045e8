#include "process/stopsignals.h"

#include <csignal>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>
#endif

namespace tr {

namespace {

volatile std::sig_atomic_t stopSignal = 0;
#ifndef _WIN32
int wakeRead = -1;
int wakeWrite = -1;
const char *secondLine = nullptr;
#endif

extern "C" void onStop(int sig) {
#ifndef _WIN32
    if (stopSignal != 0 && secondLine != nullptr) {
        // A second Ctrl+C (or SIGTERM, SIGHUP): stop now, without the work under way.
        [[maybe_unused]] const auto w = ::write(STDERR_FILENO, secondLine, std::strlen(secondLine));
        ::_exit(128 + sig);
    }
#endif
    stopSignal = sig;
#ifndef _WIN32
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(wakeWrite, &byte, 1);
    }
#endif
}

} // namespace

int installStopHandlers(const StopHandling &handling) {
#ifdef _WIN32
    (void)handling;
    std::signal(SIGINT, onStop);
    std::signal(SIGTERM, onStop);
    return -1;
#else
    secondLine = handling.secondSignalLine;
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
    action.sa_flags = handling.restartCalls ? SA_RESTART : 0;
    // SIGHUP: the terminal or the session went away, which is a stop like SIGTERM.
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    return wakeRead;
#endif
}

void removeStopHandlers() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
#ifndef _WIN32
    std::signal(SIGHUP, SIG_DFL);
    for (int *fd : {&wakeRead, &wakeWrite}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
#endif
}

int stopSignalReceived() {
    return stopSignal;
}

void requestStop(int sig) {
    onStop(sig);
}

} // namespace tr
