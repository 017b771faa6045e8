#include "support/simulatorprocess.h"

#include <QDeadlineTimer>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

SimulatorProcess::~SimulatorProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(2000);
    }
}

bool SimulatorProcess::start(const QStringList &args) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(TR_SIM_PATH, QStringList(args) << "--exit-on-stdin-eof"
                                                  << "--exit-with-parent");
    if (!process_.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(5000);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() || !process_.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    ptyPath_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    return ptyPath_.startsWith('/');
}

bool SimulatorProcess::stop(int signal, std::chrono::milliseconds within) {
    ::kill(static_cast<pid_t>(process_.processId()), signal);
    if (!process_.waitForFinished(int(within.count())))
        return false;
    output_ += process_.readAllStandardOutput();
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}

QStringList SimulatorProcess::logLines() {
    output_ += process_.readAllStandardOutput();
    return QString::fromLatin1(output_).split('\n', Qt::SkipEmptyParts);
}

bool SerialEnd::open(const QString &path) {
    close();
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B19200);
    return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
}

void SerialEnd::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool SerialEnd::write(const QByteArray &bytes) {
    return ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray SerialEnd::read(int count, std::chrono::milliseconds timeout) {
    QByteArray got;
    const QDeadlineTimer deadline(timeout);
    while (got.size() < count && !deadline.hasExpired()) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
            break;
        char buffer[256];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, n);
    }
    return got;
}

qint64 wireMicros(int bytes, int baud) {
    return qint64(bytes) * 10 * 1000000 / baud;
}
