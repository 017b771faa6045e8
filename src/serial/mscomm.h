#pragma once

#include "serial/linesettings.h"
#include "serial/portfailure.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <optional>

#ifdef Q_OS_WIN
#include <QDeadlineTimer>
#include <QTimer>
#endif

namespace tr {

// The port device that "COMn" stands for: COMn itself on Windows; elsewhere <portsDir>/COMn
// when that path exists (usually a symlink to /dev/ttyUSB0 or to a simulator's
// pseudo-terminal), otherwise /dev/ttyS<n-1>.
QString deviceForPort(int port, const QString &portsDir);

// The serial port control: exactly the properties the window relies on, over a QSerialPort.
// Input is always binary (a byte array) and no event is raised when the transmit buffer empties,
// so those two properties need no setting.
// Received bytes go into a 1024-byte receive buffer; the receive event (CommEvent 2, OnComm) is
// raised on this thread once the buffer holds at least RThreshold bytes. On a terminal device
// the driver is asked to wake the window only when that many bytes are there (VMIN), not for
// every byte of an answer; fewer bytes are fetched when the buffer is looked at.
class MSComm : public QObject {
    Q_OBJECT
public:
    static constexpr int kReceiveBufferSize = 1024;
    static constexpr int kComEvReceive = 2;

    explicit MSComm(QString portsDir, QObject *parent = nullptr);
    ~MSComm() override;

    // Port number, 1 = COM1. Values below 1, or any change while open, are refused and leave
    // the previous number.
    bool setCommPort(int port);
    int CommPort() const { return port_; }
    QString device() const { return deviceForPort(port_, portsDir_); }
    const QString &portsDir() const { return portsDir_; }

    // "19200,N,8,1": baud, parity N/E/O/M/S, data bits 5..8, stop bits 1, 1.5 or 2.
    bool setSettings(const QString &settings);
    QString Settings() const { return settings_; }

    bool PortOpen() const { return serial_.isOpen(); }
    // Opening fails for an absent or busy device; closing always succeeds.
    bool setPortOpen(bool open);
    // Why the last open attempt failed; nothing once a port opened.
    const std::optional<OpenFailure> &openFailure() const { return openFailure_; }

    // After a loss: one attempt to open the same device again with the same settings. False,
    // doing nothing, when no device was lost.
    bool reopenAfterLoss();

    void setRThreshold(int count);
    void setInputLen(int count) { inputLen_ = count < 0 ? 0 : count; }

    // Removes and returns up to InputLen buffered bytes (all of them while InputLen is 0).
    QByteArray Input();
    // Queues bytes for sending; false when the port is closed or the write fails.
    bool Output(const QByteArray &bytes);

    // Bytes received and not yet taken, including those the driver holds below the threshold.
    int InBufferCount();
    void clearInBuffer();
    // Also drops what the driver still holds for the port, so bytes of an earlier answer that
    // have not been taken yet cannot shift the next one.
    void flushInput();
    void clearOutBuffer();

    int CommEvent() const { return commEvent_; }
    // How many times received bytes were taken from the device (one wake-up each).
    qint64 receiveWakeups() const { return wakeups_; }

signals:
    void OnComm();
    // The open device went away (adapter pulled, simulator ended); the port is closed now.
    void deviceLost();
    // Every attempt to open the port, successful or not (the reason is in openFailure()).
    void openAttempted(bool opened);

private:
    bool openDevice();
    void takeBytes();
    // Asks the driver to report the port readable once the bytes still missing to the threshold
    // are there.
    void armWakeup();
    void setWakeupCount(int count);
    // Takes bytes the driver holds that are too few to wake the window.
    void takeQueued();
    void onError(QSerialPort::SerialPortError error);
#ifdef Q_OS_WIN
    // Under Wine QSerialPort's receive notification never comes (Wine's overlapped
    // WaitCommEvent wakes with an empty mask and posts no completion), so Qt never reads.
    // There, from each request until its answer has raised the receive event, the bytes the
    // driver has queued are read straight from the handle, every millisecond at first (see
    // kPollFastMs). On Windows itself the notification works and is the only reader.
    void startPolling();
    void poll();
    // Reads what the driver holds into the receive buffer; false when the device is gone.
    bool readQueued();
    bool pollReads_ = false;
    QTimer poll_;
    QDeadlineTimer pollUntil_;
#endif

    QString portsDir_;
    QSerialPort serial_;
    QByteArray buffer_;
    QString settings_ = QStringLiteral("9600,N,8,1");
    LineSettings line_;
    int port_ = 1;
    int rThreshold_ = 0;
    int inputLen_ = 0;
    int commEvent_ = 0;
    int wakeupCount_ = -1; // what the driver was last told; -1: not known
    qint64 wakeups_ = 0;
    QString openedDevice_; // what the last open by port number resolved COMn to
    std::optional<OpenFailure> openFailure_;
    DeviceLoss loss_;
};

} // namespace tr
