#pragma once

namespace tr {

// SIGINT, SIGTERM and SIGHUP ask the program to stop: the handler records the signal and, on
// POSIX systems, wakes a poll loop through a pipe. On Windows the console's events stand for the
// signals (Ctrl+C and Ctrl+Break for SIGINT, closing the console for SIGTERM) and an event wakes
// the wait.
struct StopHandling {
    // Interrupted system calls restart (a poll() on the wake-up pipe returns early either way).
    bool restartCalls = false;
    // When set, a second signal ends the program at once with this line on stderr (POSIX).
    const char *secondSignalLine = nullptr;
};

// Installs the handlers; returns the read end of the wake-up pipe, or -1 when there is none.
int installStopHandlers(const StopHandling &handling);
// Back to the default handling; the pipe is closed. The signal received stays recorded.
void removeStopHandlers();
// The signal that asked to stop, 0 while none did.
int stopSignalReceived();
// Records `sig` and wakes the loop as if the signal had come.
void requestStop(int sig);
#ifdef _WIN32
// Waits up to `ms` milliseconds, or less when a stop is asked.
void waitForStop(unsigned long ms);
#endif

} // namespace tr
