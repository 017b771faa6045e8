#pragma once

#include "modbus/crc16.h"
#include "pseudoterminal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <unistd.h>

namespace tr::test {

// The far end of a pseudo-terminal: the program under test opens slavePath() as its serial
// port, the test reads what it sent and answers through the (non-blocking) master side.
class PtyPeer {
public:
    PtyPeer() { pty_.open(); }
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;
    // The links go before the pty closes: its number may be reused at once by another test.
    ~PtyPeer() {
        for (const QString &link : links_)
            if (QFileInfo(link).symLinkTarget() == slavePath())
                QFile::remove(link);
    }
    bool ok() const { return pty_.masterFd() >= 0; }
    QString slavePath() const { return QString::fromStdString(pty_.slavePath()); }

    // Makes <dir>/ports/COM<n> a symlink to the slave side, removed again when the peer goes.
    bool linkAs(const QString &programDir, int port) {
        const QString link = programDir + QStringLiteral("/ports/COM%1").arg(port);
        QDir().mkpath(programDir + QStringLiteral("/ports"));
        QFile::remove(link);
        links_ << link;
        return QFile::link(slavePath(), link);
    }

    // Collects bytes for up to ms milliseconds while the Qt event loop keeps running, returning
    // early once expectedBytes have arrived (0: wait the whole time).
    QByteArray readFor(int ms, int expectedBytes = 0) {
        QByteArray got;
        const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
        for (char buf[512];;) {
            const ssize_t n = ::read(pty_.masterFd(), buf, sizeof buf);
            got.append(buf, std::max<ssize_t>(n, 0));
            if ((expectedBytes > 0 && got.size() >= expectedBytes) || deadline.hasExpired())
                return got;
            if (n <= 0)
                QTest::qWait(1);
        }
    }
    // Test answers are small: the pseudo-terminal takes each in one write.
    bool write(const QByteArray &bytes) {
        return ::write(pty_.masterFd(), bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

private:
    sim::PseudoTerminal pty_;
    QStringList links_;
};

// A measurement or calibration answer with its CRC appended.
inline QByteArray withCrc(QByteArray content) {
    const std::uint16_t crc = crc16(
        {reinterpret_cast<const std::uint8_t *>(content.constData()), std::size_t(content.size())});
    return content.append(char(crc & 0xFF)).append(char(crc >> 8));
}
// "01 42 E8" -> bytes; blanks are skipped.
inline QByteArray fromHex(const char *spaced) {
    return QByteArray::fromHex(spaced);
}

} // namespace tr::test
