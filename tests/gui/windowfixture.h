#pragma once

// The real window on a temporary program directory, with scripted dialogs and the serial port
// on a pseudo-terminal linked as ports/COM<n>.
#include "app/frmmain.h"
#include "panels/acquisitionpanel.h"
#include "panels/calibrationpanel.h"
#include "panels/portpanel.h"
#include "support/files.h"
#include "support/ptypeer.h"
#include "support/scripted.h"
#include "support/windowcontrols.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace tr::test {

struct WindowFixture {
    QTemporaryDir dir;
    PtyPeer peer;
    ScriptedMessages messages;
    ScriptedFiles files;
    std::unique_ptr<frmMain> window;
    std::unique_ptr<WindowControls> controls;
    std::optional<QString> loadFailure;

    // comm.set and ModSet.set as given; the peer is linked as COM<peerPort> (0: not linked;
    // negative: COM<-peerPort> is a link to a device that does not exist).
    explicit WindowFixture(const QByteArray &comm = "4,19200\r\n",
                           const QByteArray &modset = "1,2,2,1\r\n", int peerPort = 4) {
        if (!comm.isNull())
            writeFile(dir.filePath("comm.set"), comm);
        if (!modset.isNull())
            writeFile(dir.filePath("ModSet.set"), modset);
        if (peerPort > 0)
            peer.linkAs(dir.path(), peerPort);
        else if (peerPort < 0)
            linkAbsent(-peerPort);
        window = std::make_unique<frmMain>(ToolDirs::portable(dir.path()), messages, files);
        controls = std::make_unique<WindowControls>(*window);
        loadFailure = window->Form_Load();
    }

    void linkAbsent(int port) {
        QDir().mkpath(dir.filePath("ports"));
        QFile::link("/dev/nonexistent-adapter", dir.filePath(QStringLiteral("ports/COM%1").arg(port)));
    }

    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }
    WindowControls &ui() { return *controls; }
    AcquisitionPanel &acquisition() { return window->acquisition(); }

    // The operator picks an entry of a combo box from its list.
    static void choose(QComboBox *box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    bool valueIsRed(int k) const {
        return controls->txtValue[std::size_t(k)]->palette().color(QPalette::Text) ==
               QColor(Qt::red);
    }
};

} // namespace tr::test
