#include "serial/mscomm.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif

#ifdef Q_OS_WIN
#include "serial/underwine.h"
#endif

namespace tr {

#ifdef Q_OS_WIN
namespace {
// An answer is due within the module's turnaround plus its bytes on the wire (21 bytes take
// 10.9 ms at 19200 baud); it is looked for every millisecond for the first 100 ms, then every
// 10 ms up to 2 s (262 ms for 125 registers at 1200 baud). Under Wine one look costs about
// 0.17 ms of CPU (with wineserver's share): a request nothing answers costs some 0.05 s of CPU
// this way, 0.3 s at a steady millisecond.
constexpr int kPollFastMs = 1;
constexpr int kPollSlowMs = 10;
constexpr int kPollFastForMs = 100;
constexpr int kPollForMs = 2000;
} // namespace
#endif

QString deviceForPort(int port, const QString &portsDir) {
#ifdef Q_OS_WIN
    Q_UNUSED(portsDir);
    return QStringLiteral("COM%1").arg(port);
#else
    const QString linked = portsDir + QStringLiteral("/COM%1").arg(port);
    const QFileInfo info(linked);
    if (info.exists() || info.isSymLink())
        return linked;
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

MSComm::MSComm(QString portsDir, QObject *parent)
    : QObject(parent), portsDir_(std::move(portsDir)) {
    serial_.setReadBufferSize(0);
    connect(&serial_, &QSerialPort::readyRead, this, &MSComm::takeBytes);
    connect(&serial_, &QSerialPort::errorOccurred, this, &MSComm::onError);
#ifdef Q_OS_WIN
    pollReads_ = underWine();
    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, &MSComm::poll);
#endif
}

MSComm::~MSComm() = default;

bool MSComm::setCommPort(int port) {
    if (port < 1 || serial_.isOpen())
        return false;
    port_ = port;
    return true;
}

bool MSComm::setSettings(const QString &settings) {
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const qint32 baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0)
        return false;

    QSerialPort::Parity parity;
    const QString p = parts[1].trimmed().toUpper();
    if (p == QLatin1String("N"))
        parity = QSerialPort::NoParity;
    else if (p == QLatin1String("E"))
        parity = QSerialPort::EvenParity;
    else if (p == QLatin1String("O"))
        parity = QSerialPort::OddParity;
    else if (p == QLatin1String("M"))
        parity = QSerialPort::MarkParity;
    else if (p == QLatin1String("S"))
        parity = QSerialPort::SpaceParity;
    else
        return false;

    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return false;

    QSerialPort::StopBits stop;
    const QString s = parts[3].trimmed();
    if (s == QLatin1String("1"))
        stop = QSerialPort::OneStop;
    else if (s == QLatin1String("1.5"))
        stop = QSerialPort::OneAndHalfStop;
    else if (s == QLatin1String("2"))
        stop = QSerialPort::TwoStop;
    else
        return false;

    line_ = {baud, parity, static_cast<QSerialPort::DataBits>(bits), stop};
    settings_ = settings;
    if (serial_.isOpen()) {
        applyLineSettings(serial_, line_);
        wakeupCount_ = -1;
        armWakeup();
    }
    return true;
}

bool MSComm::setPortOpen(bool open) {
    loss_.forget();
    if (!open) {
        if (serial_.isOpen())
            serial_.close();
        buffer_.clear();
        return true;
    }
    if (serial_.isOpen())
        return false;
    openedDevice_ = device();
    return openDevice();
}

bool MSComm::reopenAfterLoss() {
    if (serial_.isOpen())
        return false;
    // The device that was open, not what COMn maps to now: a link removed with the device would
    // otherwise send the request to /dev/ttyS<n-1>.
    return loss_.reopen([this] { return openDevice(); });
}

bool MSComm::openDevice() {
    buffer_.clear();
    serial_.setPortName(openedDevice_);
    const bool opened = serial_.open(QIODevice::ReadWrite);
    wakeupCount_ = -1; // whatever the driver was told before, the open set it afresh
    if (opened) {
        applyLineSettings(serial_, line_);
        armWakeup();
        openFailure_.reset();
    } else {
        openFailure_ = openFailureOf(serial_, openedDevice_);
    }
    emit openAttempted(opened);
    return opened;
}

void MSComm::setRThreshold(int count) {
    rThreshold_ = count < 0 ? 0 : count;
    armWakeup();
}

int MSComm::InBufferCount() {
    takeQueued();
    return static_cast<int>(buffer_.size());
}

void MSComm::clearInBuffer() {
    buffer_.clear();
    armWakeup();
}

QByteArray MSComm::Input() {
    if (inputLen_ == 0 || buffer_.size() < inputLen_)
        takeQueued();
    const qsizetype n =
        inputLen_ == 0 ? buffer_.size() : std::min<qsizetype>(inputLen_, buffer_.size());
    QByteArray out = buffer_.left(n);
    buffer_.remove(0, n);
    armWakeup();
    return out;
}

bool MSComm::Output(const QByteArray &bytes) {
    if (!serial_.isOpen())
        return false;
    if (serial_.write(bytes) != bytes.size())
        return false;
    // Hand the frame to the driver now rather than on a later pass of the event loop, after
    // the repaints the request caused: that cost about 1.2 ms per transaction.
    serial_.flush();
#ifdef Q_OS_WIN
    if (pollReads_)
        startPolling();
#endif
    return true;
}

void MSComm::flushInput() {
    buffer_.clear();
    if (serial_.isOpen())
        serial_.clear(QSerialPort::Input);
    armWakeup();
}

void MSComm::clearOutBuffer() {
    if (serial_.isOpen())
        serial_.clear(QSerialPort::Output);
}

void MSComm::takeBytes() {
    ++wakeups_;
    // Bytes are read straight into the receive buffer, whose room is allocated once, rather than
    // copied through a new array each time.
    buffer_.reserve(kReceiveBufferSize);
    const qint64 available = serial_.bytesAvailable();
    // A full receive buffer drops what does not fit, as the hardware buffer would.
    const qint64 taken = std::min<qint64>(available, kReceiveBufferSize - buffer_.size());
    if (taken > 0) {
        const qsizetype at = buffer_.size();
        buffer_.resize(at + taken);
        buffer_.resize(at + std::max<qint64>(serial_.read(buffer_.data() + at, taken), 0));
    }
    if (available > taken)
        serial_.skip(available - taken);
    armWakeup();
    if (rThreshold_ > 0 && buffer_.size() >= rThreshold_) {
#ifdef Q_OS_WIN
        poll_.stop(); // the answer is here
#endif
        commEvent_ = kComEvReceive;
        emit OnComm();
    }
}

void MSComm::armWakeup() {
    const auto missing = rThreshold_ - buffer_.size();
    // A full buffer still takes (and drops) what comes, as the hardware buffer would.
    setWakeupCount(int(std::clamp<qsizetype>(missing, 1, 255)));
}

void MSComm::setWakeupCount(int count) {
#ifdef Q_OS_UNIX
    if (!serial_.isOpen() || count == wakeupCount_)
        return;
    termios tio{};
    if (::tcgetattr(serial_.handle(), &tio) != 0)
        return; // not a terminal: every byte wakes the window, as before
    // Without an inter-byte timer the driver reports the port readable only once VMIN bytes
    // are queued; a read still returns what is there.
    tio.c_cc[VMIN] = cc_t(count);
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(serial_.handle(), TCSANOW, &tio) == 0)
        wakeupCount_ = count;
#else
    Q_UNUSED(count);
#endif
}

void MSComm::takeQueued() {
#ifdef Q_OS_WIN
    if (pollReads_ && serial_.isOpen() && !readQueued())
        onError(QSerialPort::ResourceError);
#endif
#ifdef Q_OS_UNIX
    int queued = 0;
    if (!serial_.isOpen() || ::ioctl(serial_.handle(), FIONREAD, &queued) != 0 || queued <= 0)
        return;
    // As many as the wake-up count or more: the event loop is told of them and takes them.
    if (wakeupCount_ > 0 && queued >= wakeupCount_)
        return;
    setWakeupCount(1);
    if (!serial_.waitForReadyRead(0)) // reads them through the port, which calls takeBytes()
        serial_.clearError();         // nothing after all: no time-out to report
    armWakeup();
#endif
}

void MSComm::onError(QSerialPort::SerialPortError error) {
    // The device went away (adapter pulled, simulator gone): reads fail at once and forever, so
    // the port is closed from now on instead of spinning on the failing read.
    if (serial_.isOpen() && loss_.closeIfLost(serial_, error)) {
        buffer_.clear();
        emit deviceLost();
    }
}

#ifdef Q_OS_WIN
void MSComm::startPolling() {
    pollUntil_.setRemainingTime(kPollForMs);
    poll_.start(kPollFastMs);
}

void MSComm::poll() {
    if (!serial_.isOpen() || pollUntil_.hasExpired()) {
        poll_.stop();
        return;
    }
    if (poll_.interval() == kPollFastMs && pollUntil_.remainingTime() < kPollForMs - kPollFastForMs)
        poll_.setInterval(kPollSlowMs);
    takeQueued();
}

bool MSComm::readQueued() {
    const HANDLE handle = serial_.handle();
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(handle, &errors, &status))
        return false;
    if (status.cbInQue == 0)
        return true;
    ++wakeups_;
    char chunk[kReceiveBufferSize];
    const DWORD want = std::min<DWORD>(status.cbInQue, sizeof chunk);
    // The handle is overlapped and tied to QSerialPort's completion port; an event handle with
    // its lowest bit set keeps this read's completion off that port.
    static const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{};
    overlapped.hEvent = reinterpret_cast<HANDLE>(reinterpret_cast<quintptr>(event) | 1);
    DWORD got = 0;
    if (!::ReadFile(handle, chunk, want, nullptr, &overlapped) &&
        ::GetLastError() != ERROR_IO_PENDING)
        return false;
    if (!::GetOverlappedResult(handle, &overlapped, &got, TRUE))
        return false;
    // A full receive buffer drops what does not fit, as the hardware buffer would.
    const qsizetype taken = std::min<qsizetype>(got, kReceiveBufferSize - buffer_.size());
    buffer_.append(chunk, taken);
    if (rThreshold_ > 0 && buffer_.size() >= rThreshold_) {
        poll_.stop(); // the answer is here
        commEvent_ = kComEvReceive;
        emit OnComm();
    }
    return true;
}
#endif

} // namespace tr
