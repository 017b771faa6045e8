#pragma once

#include "modbus/clock.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSerialPort>
#include <csignal>

// The real tr6400-sim program, started for one test and never left behind: it stops when the
// test closes its standard input or ends.
class SimulatorProcess {
public:
    ~SimulatorProcess() {
        process_.kill();
        process_.waitForFinished(2000);
    }

    // Starts the program and waits for the pseudo-terminal path on its first output line.
    bool start(QStringList args) {
        process_.start(TR_SIM_PATH, args << "--exit-on-stdin-eof"
                                         << "--exit-with-parent");
        const QDeadlineTimer deadline(5000);
        while (!process_.canReadLine() &&
               process_.waitForReadyRead(int(deadline.remainingTime()))) {
        }
        ptyPath_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
        return ptyPath_.startsWith('/');
    }
    const QString &ptyPath() const { return ptyPath_; }
    qint64 pid() const { return process_.processId(); }
    QProcess &process() { return process_; }

    // Sends `signal` and waits for the program to end; true when it ended in time with code 0.
    bool stop(int signal, std::chrono::milliseconds within) {
        ::kill(pid_t(process_.processId()), signal);
        const bool ended = process_.waitForFinished(int(within.count()));
        output_ += process_.readAllStandardOutput();
        return ended && process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }

    // Log lines written so far (the program logs to standard output after the path).
    QStringList logLines() {
        output_ += process_.readAllStandardOutput();
        return QString::fromLatin1(output_).split('\n', Qt::SkipEmptyParts);
    }

private:
    QProcess process_;
    QString ptyPath_;
    QByteArray output_;
};

// The test's end of the line: the slave side of the pseudo-terminal as a serial device.
class SerialEnd : public QSerialPort {
public:
    bool open(const QString &path) {
        close();
        setPortName(path);
        return QSerialPort::open(ReadWrite);
    }
    bool write(const QByteArray &bytes) {
        return QSerialPort::write(bytes) == bytes.size() && waitForBytesWritten(1000);
    }
    // Reads until `count` bytes arrived or `timeout` passed.
    QByteArray read(int count, std::chrono::milliseconds timeout) {
        for (QDeadlineTimer d(timeout);
             bytesAvailable() < count && waitForReadyRead(int(d.remainingTime()));) {
        }
        return QSerialPort::read(count);
    }
};

// 10 bits a byte: the wire time of `bytes` bytes in microseconds.
inline qint64 wireMicros(int bytes, int baud = 19200) {
    return qint64(bytes) * 10 * 1000000 / baud;
}
