#pragma once

#include <QSerialPort>
#include <QString>
#include <functional>

namespace tr {

// Why a port did not open, kept as data: the window and the command line each word it.
struct OpenFailure {
    enum class Kind { Permission, Busy, Absent, Other };
    Kind kind = Kind::Other;
    QString systemText; // the system's own words, for Other
    bool operator==(const OpenFailure &) const = default;
};

// `accessible`: the user may read and write the device. Qt reports a device that another
// program holds (its lock file, exclusive mode) as a permission error as well; only for a
// device the user could open is that "busy".
OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString &systemText,
                                bool accessible);

// The failure of the last open() of `port` on `device`, judged against its permissions.
OpenFailure openFailureOf(const QSerialPort &port, const QString &device);

// The device of an open port went away (adapter pulled, pseudo-terminal closed): every read
// and write fails from now on.
bool isDeviceLoss(QSerialPort::SerialPortError error);

// Whether the open port's device has gone although reads merely time out: on Windows a pulled
// adapter (under Wine, the end of the pseudo-terminal behind COMn) fails every query of the
// line's state. Elsewhere the failing read itself reports it, and this is false.
bool deviceGone(QSerialPort &port);

// A device that went away is closed once, and is then given one chance to come back at each
// later request: the device that was open, not what its name maps to by then. The window's port
// control and the command line's transactor both keep one.
class DeviceLoss {
public:
    // True, with the port closed, when `error` means the device is gone, or when the driver says
    // so (deviceGone(): Windows, where a pulled adapter may only time out).
    bool closeIfLost(QSerialPort &port, QSerialPort::SerialPortError error);
    bool lost() const { return lost_; }
    // The port was opened or closed on purpose: nothing is lost any more.
    void forget() { lost_ = false; }
    // After a loss: one call of `open`; true when it brought the device back. False, calling
    // nothing, when no device was lost.
    bool reopen(const std::function<bool()> &open);

private:
    bool lost_ = false;
};

} // namespace tr
