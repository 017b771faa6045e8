#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace tr {

// Where udev keeps a stable name for each USB serial adapter.
inline const QString kSerialById = QStringLiteral("/dev/serial/by-id");

// A serial device of this machine as the system describes it.
struct SerialDevice {
    QString device; // /dev/ttyUSB0
    QString byId;   // its stable name under kSerialById, empty when there is none
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendor;
    std::optional<quint16> product;
};

// Serial devices in the order people count them: COM2 before COM10, then by name.
bool serialDeviceLess(const QString &a, const QString &b);
// On Windows each device is named by its port name (COM9); elsewhere by its path.
QList<SerialDevice> serialDevices(const QString &byIdDir = kSerialById);

// The entry of `byIdDir` that leads to the same device as `device`; empty when none does.
QString stableName(const QString &device, const QString &byIdDir = kSerialById);

// What COMn stands for right now: the device it maps to (deviceForPort), where a link leads
// and whether that exists, and the system's description when it is a serial device it knows.
struct PortMapping {
    int port = 0;
    QString device;
    QString linkTarget; // the link's own text, empty when COMn is no link
    QString resolved;   // the device at the end of the links, empty when it does not exist
    std::optional<SerialDevice> info;
    bool exists() const { return !resolved.isEmpty(); }
};

// One scan of the system's serial devices serves them all, and none is made while no port
// leads to an existing device (the scan takes milliseconds).
QList<PortMapping> portMappings(const QList<int> &ports, const QString &portsDir);
// Every COMn that <portsDir> holds, in port order.
QList<PortMapping> linkedPorts(const QString &portsDir);

// `ports link` and `ports unlink`: what was done, or why not.
struct PortLinkResult {
    enum class Refusal { Absent, NotCharDevice, NotALink, NotLinked, System, Unsupported };
    std::optional<Refusal> refusal;
    QString linkedTo;   // link: the path COMn now points to
    QString systemText; // Refusal::System
    bool ok() const { return !refusal; }
};

// Makes <portsDir>/COMn a link to `device`, or to its stable name when it has one; replaces an
// earlier link in one step, never a file. Refuses anything but a character device.
PortLinkResult linkPort(const QString &portsDir, int port, const QString &device,
                        const QString &byIdDir = kSerialById);
// Removes <portsDir>/COMn when it is a link.
PortLinkResult unlinkPort(const QString &portsDir, int port);

} // namespace tr
