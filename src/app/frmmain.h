#pragma once

#include "serial/link.h"
#include "serial/mscomm.h"
#include "serial/portpanel.h"
#include "ui_frmmain.h"

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;

namespace tr {

class AcquisitionPanel;
class CalibrationPanel;
class FileDialog;
class MessageBox;

// The one window: owns the widgets of frmmain.ui, the port, the link and the panels, and wires
// them together. Behaviour lives in the panels.
class frmMain : public QWidget {
    Q_OBJECT
public:
    frmMain(QString programDir, MessageBox &messages, FileDialog &files, QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up: reads comm.set and ModSet.set, fills the fields, prepares and opens the port.
    // Returns the reason when a settings file cannot be used; the window must not be shown then.
    std::optional<QString> Form_Load();

    void raiseLamp(Lamp lamp);
    Lamp frontLamp() const;

    Ui::frmMain ui;
    std::array<QLineEdit *, 8> txtValue{};
    std::array<QLabel *, 8> lblValue{};
    std::array<QLabel *, 8> lblDanWei{};
    std::array<QLineEdit *, 2> txtTimerSet{};
    std::array<QLineEdit *, 4> txtAlarmValue{};
    std::array<QLabel *, 4> lblAlarm{};

    MSComm MSComm1;
    Link link;
    std::unique_ptr<PortPanel> ports;
    std::unique_ptr<AcquisitionPanel> acquisition;
    std::unique_ptr<CalibrationPanel> calibration;

    const QString programDir;
};

} // namespace tr
