#include "stopsignals.h"

#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tr::sim {

namespace {

volatile std::sig_atomic_t stopFlag = 0;
int wakeWrite = -1;

extern "C" void onStopSignal(int) {
    stopFlag = 1;
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(wakeWrite, &byte, 1);
    }
}

} // namespace

int installStopSignals() {
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    for (int fd : fds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    wakeWrite = fds[1];

    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return fds[0];
}

bool stopRequested() {
    return stopFlag != 0;
}

int watchParent() {
    const pid_t parent = ::getppid();
#ifdef __linux__
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    // The parent may have ended before prctl took effect.
    if (::getppid() != parent)
        onStopSignal(SIGTERM);
    return parent;
}

} // namespace tr::sim
