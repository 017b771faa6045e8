#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace tr::bench {

// User plus system CPU time of this process, all threads, in microseconds (getrusage).
qint64 cpuMicros();

// A "kB" field of /proc/self/status, e.g. "VmHWM" (peak resident set) or "VmRSS".
std::optional<qint64> statusKb(const char *field);

// Time a task spent runnable but waiting for a CPU, in microseconds, from a schedstat file
// ("/proc/thread-self/schedstat", "/proc/<pid>/schedstat"): the scheduler's share of a delay.
std::optional<qint64> runDelayMicros(const QString &schedstatPath);

// What touching memory costs once it has been left alone for `idleMs`: microseconds per 4 KiB,
// touching one byte of each 4 KiB of 4 MiB right after writing it (warm) and after the pause
// (cold), in ordinary pages and in huge pages where the system gives them. Where a virtual
// machine's host ages the guest's memory, the cold touch is dear, and so is anything done once
// a second.
struct ColdTouch {
    double warm = 0, cold = 0, hugeCold = 0;
};
ColdTouch coldTouch(int idleMs);

// The three load averages of /proc/loadavg, e.g. "1.02 0.87 0.60".
QString loadAverage();

} // namespace tr::bench
