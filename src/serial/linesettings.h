#pragma once

#include <QSerialPort>

namespace tr {

// Baud rate and frame of the serial line; the module runs 8 data bits, no parity, 1 stop bit.
struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Applies the settings to an open port, without handshaking. Pseudo-terminals refuse some of
// them (they have no modem lines); that is not a failure of the port, so the error is cleared.
void applyLineSettings(QSerialPort &port, const LineSettings &settings);

} // namespace tr
