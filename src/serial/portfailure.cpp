#include "serial/portfailure.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tr {

OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString &systemText,
                                bool accessible) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return {OpenFailure::Kind::Absent, systemText};
    case QSerialPort::OpenError:
        return {OpenFailure::Kind::Busy, systemText};
    case QSerialPort::PermissionError:
        return {accessible ? OpenFailure::Kind::Busy : OpenFailure::Kind::Permission, systemText};
    default:
        return {OpenFailure::Kind::Other, systemText};
    }
}

OpenFailure openFailureOf(const QSerialPort &port, const QString &device) {
    bool accessible = true;
#ifdef Q_OS_UNIX
    // access() follows a COMn link to the device itself.
    accessible = ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(device);
#endif
    return classifyOpenFailure(port.error(), port.errorString(), accessible);
}

bool isDeviceLoss(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

bool deviceGone(QSerialPort &port) {
#ifdef Q_OS_WIN
    DWORD errors = 0;
    COMSTAT status{};
    return port.isOpen() && !::ClearCommError(port.handle(), &errors, &status);
#else
    Q_UNUSED(port);
    return false;
#endif
}

bool DeviceLoss::closeIfLost(QSerialPort &port, QSerialPort::SerialPortError error) {
    if (!isDeviceLoss(error) && !deviceGone(port))
        return false;
    port.close();
    lost_ = true;
    return true;
}

bool DeviceLoss::reopen(const std::function<bool()> &open) {
    if (!lost_ || !open())
        return false;
    lost_ = false;
    return true;
}

} // namespace tr
