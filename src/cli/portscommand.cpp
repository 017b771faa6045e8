#include "cli/portscommand.h"

#include "cli/console.h"
#include "cli/exitcodes.h"
#include "serial/portmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <optional>

#ifdef __linux__
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

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
    if (m.linkTarget.isEmpty())
        return QStringLiteral("  COM%1  (not a link: %2 itself is opened as the device)")
            .arg(m.port)
            .arg(m.device);
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

// A character device the kernel does not count among its terminals (/dev/null, /dev/zero):
// its kind, from sysfs. Pseudo-terminals have no entry there and pass.
std::optional<QString> notASerialDevice(const QString &device) {
#ifdef __linux__
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return std::nullopt; // linkPort names what is wrong with it
    const QFileInfo subsystem(QStringLiteral("/sys/dev/char/%1:%2/subsystem")
                                  .arg(major(st.st_rdev))
                                  .arg(minor(st.st_rdev)));
    const QString kind = QFileInfo(subsystem.symLinkTarget()).fileName();
    if (subsystem.isSymLink() && kind != QLatin1String("tty"))
        return QStringLiteral("a %1 device").arg(kind);
#else
    (void)device;
#endif
    return std::nullopt;
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
    static const QRegularExpression com(QStringLiteral("^COM[0-9]{1,3}$"));
    for (const QString &name :
         QDir(o.portsDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (!com.match(name).hasMatch())
            printLine(QStringLiteral("  %1  (not a COMn name; ignored)").arg(name));
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
    if (const auto kind = notASerialDevice(o.linkTo)) {
        printError(
            QStringLiteral("%1 is no serial device (%2); nothing was linked").arg(o.linkTo, *kind));
        return ExitFileError;
    }
    const PortLinkResult r = linkPort(o.portsDir, o.comPort, o.linkTo);
    if (!r.ok())
        return refusal(o, r);
    printLine(QStringLiteral("COM%1 -> %2").arg(o.comPort).arg(r.linkedTo));
    return ExitOk;
}

} // namespace tr::cli
