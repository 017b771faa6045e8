#pragma once

#include "pseudoterminal.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tr::test {

// The far end of a pseudo-terminal: the program under test opens slavePath() as its serial
// port, the test reads what it sent and answers through the master side.
class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    bool ok() const { return master_ >= 0; }
    QString slavePath() const { return slavePath_; }

    // Makes <dir>/ports/COM<n> a symlink to the slave side, removed again when the peer goes.
    bool linkAs(const QString &programDir, int port) const;

    // Collects bytes for up to ms milliseconds while the Qt event loop keeps running, returning
    // early once expectedBytes have arrived (0: wait the whole time).
    QByteArray readFor(int ms, int expectedBytes = 0);
    void write(const QByteArray &bytes);
    // Drops whatever the program under test has sent so far.
    void drain();

private:
    sim::PseudoTerminal pty_;
    int master_ = -1;
    QString slavePath_;
    mutable QStringList links_; // removed with the peer, as a device's name goes with it
};

// A measurement or calibration answer with its CRC appended.
QByteArray withCrc(const QByteArray &content);
QByteArray fromHex(const char *spaced);

} // namespace tr::test
