#include "process/stopsignals.h"

#include <csignal>
#include <cstring>

#ifdef _WIN32
#include <utility>
#include <windows.h>
#else
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>
#endif

namespace tr {

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
        ::Sleep(INFINITE); // the system ends the program once the work under way is out
    return TRUE;
}
#else
int wakeRead = -1;
int wakeWrite = -1;
const char *secondLine = nullptr;

extern "C" void onStop(int sig) {
    if (stopSignal != 0 && secondLine != nullptr) {
        // A second Ctrl+C (or SIGTERM, SIGHUP): stop now, without the work under way.
        [[maybe_unused]] const auto w = ::write(STDERR_FILENO, secondLine, std::strlen(secondLine));
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

int installStopHandlers(const StopHandling &handling) {
#ifdef _WIN32
    (void)handling;
    wakeEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
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

int stopSignalReceived() {
    return stopSignal;
}

void requestStop(int sig) {
#ifdef _WIN32
    stopSignal = sig;
    if (wakeEvent)
        ::SetEvent(wakeEvent);
#else
    onStop(sig);
#endif
}

#ifdef _WIN32
void waitForStop(unsigned long ms) {
    if (wakeEvent)
        ::WaitForSingleObject(wakeEvent, static_cast<DWORD>(ms));
    else
        ::Sleep(static_cast<DWORD>(ms));
}
#endif

} // namespace tr
