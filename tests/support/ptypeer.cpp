#include "support/ptypeer.h"

#include "modbus/crc16.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tr::test {

PtyPeer::PtyPeer() {
    if (pty_.open().empty()) {
        master_ = pty_.masterFd();
        slavePath_ = QString::fromStdString(pty_.slavePath());
    }
}

PtyPeer::~PtyPeer() {
    for (const QString &link : links_) // before the pty closes: its number may be reused at once
        if (QFileInfo(link).symLinkTarget() == slavePath_)
            QFile::remove(link);
}

bool PtyPeer::linkAs(const QString &programDir, int port) const
{
    QDir().mkpath(programDir + QStringLiteral("/ports"));
    const QString link = programDir + QStringLiteral("/ports/COM%1").arg(port);
    QFile::remove(link);
    links_ << link;
    return QFile::link(slavePath_, link);
}

QByteArray PtyPeer::readFor(int ms, int expectedBytes)
{
    QByteArray got;
    QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    for (;;) {
        char buf[512];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0)
            got.append(buf, n);
        if (expectedBytes > 0 && got.size() >= expectedBytes)
            return got;
        if (deadline.hasExpired())
            return got;
        if (n <= 0)
            QTest::qWait(1);
    }
}

void PtyPeer::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (errno != EAGAIN && errno != EINTR)
            return;
    }
}

void PtyPeer::drain() { readFor(0); }

QByteArray withCrc(const QByteArray &content)
{
    const auto *data = reinterpret_cast<const std::uint8_t *>(content.constData());
    const std::uint16_t crc = tr::crc16({data, static_cast<std::size_t>(content.size())});
    QByteArray out = content;
    out.append(static_cast<char>(crc & 0xFF));
    out.append(static_cast<char>(crc >> 8));
    return out;
}

QByteArray fromHex(const char *spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }

} // namespace tr::test
