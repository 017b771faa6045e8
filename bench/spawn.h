#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tr::bench {

struct RunResult {
    bool started = false;
    bool timedOut = false;
    bool crashed = false; // ended by a signal
    int exitCode = -1;
    qint64 spawnedAt = 0; // CLOCK_MONOTONIC microseconds, just before the spawn
    qint64 endedAt = 0;   // when the child had been reaped
    QByteArray out;
    QByteArray err;

    bool ok() const { return started && !timedOut && !crashed && exitCode == 0; }
    qint64 wallMicros() const { return endedAt - spawnedAt; }
    QString describe() const;
};

// Runs a program to its end with the bench's environment, collecting its output. No shell, no
// event loop: the child's wall time is what is measured, so the parent does nothing else
// meanwhile. A child still running after timeoutMs is killed.
RunResult runProgram(const QString &program, const QStringList &args, int timeoutMs);

} // namespace tr::bench
