#pragma once

// The real window with its real serial port on a temporary program directory: comm.set says
// COM4 at 19200 baud, ModSet.set station 2 and eight registers unless a test says otherwise.
// Whoever plays the module makes comPort() a link to its end of the line before open() runs
// loadSettings; start() has the real tr6400-sim play it.
#include "app/frmmain.h"
#include "panels/acquisitionpanel.h"
#include "support/files.h"
#include "support/scripted.h"
#include "support/simulatorprocess.h"
#include "support/windowcontrols.h"
#include "support/wirelog.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace tr::test {

struct LiveWindow {
    QTemporaryDir dir;
    ScriptedMessages messages;
    ScriptedFiles files;
    SimulatorProcess sim;
    std::unique_ptr<frmMain> window;
    std::unique_ptr<WindowControls> controls;
    std::optional<QString> loadFailure; // why loadSettings refused to start

    explicit LiveWindow(const QByteArray &comm = "4,19200\r\n",
                        const QByteArray &modset = "1,2,8,1\r\n") {
        writeFile(path("comm.set"), comm);
        writeFile(path("ModSet.set"), modset);
        QDir().mkpath(path("ports"));
    }
    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }
    QString comPort() const { return path(QStringLiteral("ports/COM4")); }

    // Builds and shows the window; true when start-up went through and COM4 is open.
    bool open() {
        window = std::make_unique<frmMain>(ToolDirs::portable(dir.path()), messages, files);
        controls = std::make_unique<WindowControls>(*window);
        if ((loadFailure = window->loadSettings()))
            return false;
        window->show();
        return window->port().PortOpen();
    }
    // The simulator with `simArgs` on COM4, logging, then the window; false when either fails.
    bool start(const QStringList &simArgs) {
        return sim.start(simArgs + QStringList{"--link", comPort(), "--log"}) && open();
    }
    // The simulator's wire lines so far, optionally only those with `tag`.
    QList<WireLine> log(const QString &tag = QString()) { return wireLines(sim.logLines(), tag); }
    // Lets events run until the log holds at least `count` lines with `tag`.
    QList<WireLine> waitForLog(const QString &tag, qsizetype count, int ms = 2000) {
        (void)QTest::qWaitFor([&] { return log(tag).size() >= count; }, ms);
        return log(tag);
    }

    WindowControls &ui() { return *controls; }
    AcquisitionPanel &acquisition() { return window->acquisition(); }
    // The three lamps lie on one spot; the one seen there is the one in front.
    Lamp lamp() const {
        const QWidget *spot = control<QWidget>(*window, "Picture2");
        const QString seen = spot->childAt(spot->rect().center())->objectName();
        return Lamp(QStringList{"imgConnected", "ImgYellow", "imgNotConnected"}.indexOf(seen));
    }
    QLineEdit *box(int k) const { return controls->txtValue[std::size_t(k)]; }
    QColor colour(int k) const { return box(k)->palette().color(QPalette::Text); }
    QStringList values() const {
        QStringList texts;
        for (QLineEdit *b : controls->txtValue)
            texts << b->text();
        return texts;
    }
    void setRequest(const QString &station, const QString &function, const QString &start,
                    const QString &count) {
        controls->txtStationID->setText(station);
        controls->txtFunID->setText(function);
        controls->txtStartID->setText(start);
        controls->txtDataLength->setText(count);
    }
    // Every box gets `text`, so a later look tells which boxes an answer wrote.
    void fillBoxes(const QString &text) {
        for (QLineEdit *b : controls->txtValue)
            b->setText(text);
    }
    // "单次采集": returns after the window's 200 ms wait.
    void acquireOnce() {
        QTest::mouseClick(control<QPushButton>(*window, "comDoOnce"), Qt::LeftButton);
        waitForRead();
    }
    // Lets events run until the measurement read under way, if any, has dropped its leftovers.
    void waitForRead() {
        (void)QTest::qWaitFor([&] { return !window->link().reading(); }, 2000);
    }
};

} // namespace tr::test
