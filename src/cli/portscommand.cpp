#include "cli/portscommand.h"

#include "cli/console.h"
#include "cli/exitcodes.h"
#include "serial/portmap.h"

#include <QStringList>

namespace tr::cli {

namespace {

QString hex4(quint16 v) {
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0'));
}

// One device a line: the path, then what the system knows of it.
QString deviceLine(const SerialDevice &d) {
    QStringList parts{d.device};
    if (!d.byId.isEmpty())
        parts << QStringLiteral("by-id %1").arg(d.byId);
    if (!d.description.isEmpty())
        parts << QStringLiteral("\"%1\"").arg(d.description);
    if (!d.manufacturer.isEmpty())
        parts << QStringLiteral("manufacturer \"%1\"").arg(d.manufacturer);
    if (!d.serialNumber.isEmpty())
        parts << QStringLiteral("serial %1").arg(d.serialNumber);
    if (d.vendor && d.product)
        parts << QStringLiteral("usb %1:%2").arg(hex4(*d.vendor), hex4(*d.product));
    return QStringLiteral("  ") + parts.join(QStringLiteral("  "));
}

QString mappingLine(const PortMapping &m) {
    QString line = QStringLiteral("  COM%1 -> %2")
                       .arg(m.port)
                       .arg(m.linkTarget.isEmpty() ? m.device : m.linkTarget);
    if (!m.exists())
        return line + QStringLiteral("  (missing)");
    if (m.resolved != m.linkTarget)
        line += QStringLiteral("  = %1").arg(m.resolved);
    if (m.info && !m.info->description.isEmpty())
        line += QStringLiteral("  \"%1\"").arg(m.info->description);
    return line + QStringLiteral("  (present)");
}

int list(const CliOptions &o) {
    const QList<SerialDevice> devices = serialDevices();
    printLine(QStringLiteral("Serial devices:"));
    if (devices.isEmpty())
        printLine(QStringLiteral("  none found"));
    for (const SerialDevice &d : devices)
        printLine(deviceLine(d));
#ifdef Q_OS_WIN
    Q_UNUSED(o);
    printLine(QStringLiteral("COMn is the port itself on Windows; no links are needed."));
    return ExitOk;
#endif
    printLine(
        QStringLiteral("COMn links in %1 (any other COMn is /dev/ttyS<n-1>):").arg(o.portsDir));
    const QList<PortMapping> links = linkedPorts(o.portsDir);
    if (links.isEmpty())
        printLine(QStringLiteral("  none"));
    for (const PortMapping &m : links)
        printLine(mappingLine(m));
    return ExitOk;
}

int refusal(const CliOptions &o, const PortLinkResult &r) {
    const QString com = QStringLiteral("COM%1").arg(o.comPort);
    QString why;
    switch (*r.refusal) {
    case PortLinkResult::Refusal::Absent:
        why = QStringLiteral("%1 does not exist").arg(o.linkTo);
        break;
    case PortLinkResult::Refusal::NotCharDevice:
        why = QStringLiteral("%1 is not a character device (a serial port is)").arg(o.linkTo);
        break;
    case PortLinkResult::Refusal::NotALink:
        why = QStringLiteral("%1/%2 is not a link; it is left alone").arg(o.portsDir, com);
        break;
    case PortLinkResult::Refusal::NotLinked:
        why = QStringLiteral("%1 is not linked in %2").arg(com, o.portsDir);
        break;
    case PortLinkResult::Refusal::System:
        why = r.systemText;
        break;
    case PortLinkResult::Refusal::Unsupported:
        why = QStringLiteral("COMn is the device itself on this system; there is nothing to link");
        break;
    }
    printError(why);
    return ExitFileError;
}

} // namespace

int runPorts(const CliOptions &o) {
    if (o.command == Command::Ports)
        return list(o);
#ifdef Q_OS_WIN
    // Nothing to do, and nothing was done: the same status as a question left unanswered.
    printError(QStringLiteral("%1 is not needed on Windows: COM%2 is the port itself")
                   .arg(o.command == Command::PortsLink ? QStringLiteral("ports link")
                                                        : QStringLiteral("ports unlink"))
                   .arg(o.comPort));
    return ExitNoAnswer;
#endif
    if (o.command == Command::PortsUnlink) {
        const PortLinkResult r = unlinkPort(o.portsDir, o.comPort);
        return r.ok() ? ExitOk : refusal(o, r);
    }
    const PortLinkResult r = linkPort(o.portsDir, o.comPort, o.linkTo);
    if (!r.ok())
        return refusal(o, r);
    printLine(QStringLiteral("COM%1 -> %2").arg(o.comPort).arg(r.linkedTo));
    return ExitOk;
}

} // namespace tr::cli
