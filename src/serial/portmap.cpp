#include "serial/portmap.h"

#include "serial/mscomm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tr {

namespace {

QString comLink(const QString &portsDir, int port) {
    return portsDir + QStringLiteral("/COM%1").arg(port);
}

PortLinkResult refused(PortLinkResult::Refusal why, const QString &text = QString()) {
    PortLinkResult r;
    r.refusal = why;
    r.systemText = text;
    return r;
}

} // namespace

bool serialDeviceLess(const QString &a, const QString &b) {
    static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto ma = com.match(a), mb = com.match(b);
    if (ma.hasMatch() != mb.hasMatch())
        return ma.hasMatch();
    if (ma.hasMatch() && ma.captured(1).toInt() != mb.captured(1).toInt())
        return ma.captured(1).toInt() < mb.captured(1).toInt();
    return a < b;
}

QList<SerialDevice> serialDevices(const QString &byIdDir) {
    QList<SerialDevice> out;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialDevice d;
#ifdef Q_OS_WIN
        d.device = info.portName(); // COM9: the name operators use, not \\.\COM9
#else
        d.device = info.systemLocation();
#endif
        d.byId = stableName(d.device, byIdDir);
        d.description = info.description();
        d.manufacturer = info.manufacturer();
        d.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier())
            d.vendor = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            d.product = info.productIdentifier();
        out << d;
    }
    std::ranges::sort(out, serialDeviceLess, &SerialDevice::device);
    return out;
}

QString stableName(const QString &device, const QString &byIdDir) {
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QDir dir(byIdDir);
    for (const QString &name : dir.entryList(QDir::System | QDir::Files, QDir::Name))
        if (QFileInfo(dir.filePath(name)).canonicalFilePath() == target)
            return dir.filePath(name);
    return {};
}

QList<PortMapping> portMappings(const QList<int> &ports, const QString &portsDir) {
    QList<PortMapping> out;
#ifdef Q_OS_WIN
    // COMn is no file there: the system's list says whether it exists and what it is.
    Q_UNUSED(portsDir);
    const QList<SerialDevice> devices = serialDevices();
    for (int port : ports) {
        PortMapping m;
        m.port = port;
        m.device = deviceForPort(port, portsDir);
        for (const SerialDevice &d : devices) {
            if (d.device.compare(m.device, Qt::CaseInsensitive) == 0) {
                m.resolved = m.device;
                m.info = d;
            }
        }
        out << m;
    }
#else
    for (int port : ports) {
        PortMapping m;
        m.port = port;
        m.device = deviceForPort(port, portsDir);
        const QFileInfo info(m.device);
        if (info.isSymLink())
            m.linkTarget = info.symLinkTarget();
        m.resolved = info.canonicalFilePath();
        out << m;
    }
    if (std::ranges::none_of(out, &PortMapping::exists))
        return out;
    const QList<SerialDevice> devices = serialDevices();
    for (PortMapping &m : out)
        for (const SerialDevice &d : devices)
            if (m.exists() && (QFileInfo(d.device).canonicalFilePath() == m.resolved ||
                               d.device.endsWith(m.resolved)))
                m.info = d;
#endif
    return out;
}

QList<PortMapping> linkedPorts(const QString &portsDir) {
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,3})$"));
    QList<int> ports;
    for (const QString &name :
         QDir(portsDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const auto m = com.match(name);
        if (m.hasMatch() && m.captured(1).toInt() >= 1)
            ports << m.captured(1).toInt();
    }
    std::ranges::sort(ports);
    return portMappings(ports, portsDir);
}

PortLinkResult linkPort(const QString &portsDir, int port, const QString &device,
                        const QString &byIdDir) {
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0)
        return refused(PortLinkResult::Refusal::Absent);
    if (!S_ISCHR(st.st_mode))
        return refused(PortLinkResult::Refusal::NotCharDevice);
    const QString link = comLink(portsDir, port);
    const QFileInfo existing(link);
    if ((existing.exists() || existing.isSymLink()) && !existing.isSymLink())
        return refused(PortLinkResult::Refusal::NotALink);
    if (!QDir().mkpath(portsDir))
        return refused(PortLinkResult::Refusal::System,
                       QStringLiteral("cannot create %1").arg(portsDir));

    const QString byId = stableName(device, byIdDir);
    const QString target = byId.isEmpty() ? QFileInfo(device).absoluteFilePath() : byId;
    // A new link under a temporary name, renamed over the old one: COMn is never missing.
    const QString temporary = link + QStringLiteral(".new");
    QFile::remove(temporary);
    if (::symlink(QFile::encodeName(target).constData(),
                  QFile::encodeName(temporary).constData()) != 0 ||
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(link).constData()) !=
            0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temporary);
        return refused(PortLinkResult::Refusal::System, why);
    }
    PortLinkResult r;
    r.linkedTo = target;
    return r;
#else
    Q_UNUSED(portsDir);
    Q_UNUSED(port);
    Q_UNUSED(device);
    Q_UNUSED(byIdDir);
    return refused(PortLinkResult::Refusal::Unsupported);
#endif
}

PortLinkResult unlinkPort(const QString &portsDir, int port) {
    const QFileInfo existing(comLink(portsDir, port));
    if (!existing.isSymLink())
        return refused(existing.exists() ? PortLinkResult::Refusal::NotALink
                                         : PortLinkResult::Refusal::NotLinked);
    QFile file(existing.filePath());
    if (!file.remove())
        return refused(PortLinkResult::Refusal::System, file.errorString());
    return {};
}

} // namespace tr
