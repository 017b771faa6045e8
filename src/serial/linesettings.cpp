#include "serial/linesettings.h"

namespace tr {

void applyLineSettings(QSerialPort &port, const LineSettings &settings) {
    port.setBaudRate(settings.baud);
    port.setParity(settings.parity);
    port.setDataBits(settings.dataBits);
    port.setStopBits(settings.stopBits);
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.clearError();
}

} // namespace tr
