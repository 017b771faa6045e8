#pragma once

// The real window with its real serial port on a temporary program directory: comm.set says
// COM4 at 19200 baud, ModSet.set station 2 and eight registers. Whoever plays the module makes
// ports/COM4 a link to its end of the line before open() runs Form_Load.
#include "app/frmmain.h"
#include "panels/acquisitionpanel.h"
#include "support/files.h"
#include "support/scripted.h"
#include "support/windowcontrols.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

namespace tr::test {

class LiveWindow {
public:
    QTemporaryDir dir;
    ScriptedMessages messages;
    ScriptedFiles files;
    std::unique_ptr<frmMain> window;
    std::unique_ptr<WindowControls> controls;

    LiveWindow() {
        writeFile(path("comm.set"), "4,19200\r\n");
        writeFile(path("ModSet.set"), "1,2,8,1\r\n");
        QDir().mkpath(path("ports"));
    }
    LiveWindow(const LiveWindow &) = delete;
    LiveWindow &operator=(const LiveWindow &) = delete;

    QString path(const QString &name) const { return dir.filePath(name); }
    QString comPort() const { return path(QStringLiteral("ports/COM4")); }

    // Builds and shows the window; true when start-up went through and COM4 is open.
    bool open() {
        window = std::make_unique<frmMain>(ToolDirs::portable(dir.path()), messages, files);
        controls = std::make_unique<WindowControls>(*window);
        if (window->Form_Load())
            return false;
        window->show();
        return window->port().PortOpen();
    }

    WindowControls &ui() { return *controls; }
    AcquisitionPanel &acquisition() { return window->acquisition(); }
    Lamp lamp() const { return controls->frontLamp(); }

    QLineEdit *box(int k) const { return controls->txtValue[std::size_t(k)]; }
    QStringList values() const {
        QStringList texts;
        for (QLineEdit *b : controls->txtValue)
            texts << b->text();
        return texts;
    }
    QColor colour(int k) const { return box(k)->palette().color(QPalette::Text); }

    void setRequest(const QString &station, const QString &function, const QString &start,
                    const QString &count) {
        ui().txtStationID->setText(station);
        ui().txtFunID->setText(function);
        ui().txtStartID->setText(start);
        ui().txtDataLength->setText(count);
    }
    // Every box gets `text`, so a later look tells which boxes an answer wrote.
    void fillBoxes(const QString &text) {
        for (QLineEdit *b : controls->txtValue)
            b->setText(text);
    }
    // "单次采集": returns after the window's 200 ms wait.
    void acquireOnce() { QTest::mouseClick(ui().comDoOnce, Qt::LeftButton); }
};

} // namespace tr::test
