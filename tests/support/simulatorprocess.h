#pragma once

#include "modbus/clock.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>

// The real tr6400-sim program, started for one test and never left behind: it stops when the
// test closes its standard input or ends.
class SimulatorProcess {
public:
    SimulatorProcess() = default;
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;
    ~SimulatorProcess();

    // Starts the program and waits for the pseudo-terminal path on its first output line.
    bool start(const QStringList &args);
    const QString &ptyPath() const { return ptyPath_; }
    qint64 pid() const { return process_.processId(); }
    QProcess &process() { return process_; }

    // Sends `signal` and waits for the program to end; true when it ended in time with code 0.
    bool stop(int signal, std::chrono::milliseconds within);

    // Log lines written so far (the program logs to standard output after the path).
    QStringList logLines();

private:
    QProcess process_;
    QString ptyPath_;
    QByteArray output_;
};

// The test's end of the line: the slave side of the pseudo-terminal as a raw serial device.
class SerialEnd {
public:
    SerialEnd() = default;
    SerialEnd(const SerialEnd &) = delete;
    SerialEnd &operator=(const SerialEnd &) = delete;
    ~SerialEnd() { close(); }

    bool open(const QString &path);
    void close();
    bool write(const QByteArray &bytes);
    // Reads until `count` bytes arrived or `timeout` passed.
    QByteArray read(int count, std::chrono::milliseconds timeout);

private:
    int fd_ = -1;
};

// 19200 baud, 10 bits a byte: the wire time of `bytes` bytes in microseconds.
qint64 wireMicros(int bytes, int baud = 19200);
