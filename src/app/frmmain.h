#pragma once

#include "domain/tooldirs.h"
#include "monitor/linerecorder.h"
#include "serial/link.h"
#include "serial/mscomm.h"

#include <QWidget>
#include <memory>
#include <optional>

namespace Ui {
class frmMain;
}

namespace tr {

class AcquisitionPanel;
class CalibrationPanel;
class FileDialog;
class LinePanel;
class ManualWindow;
class ModuleFinder;
class MessageBox;
class PortPanel;
class TrendPanel;

// The one window: owns the widgets of frmmain.ui, the port, the link and the panels, and wires
// them together. Behaviour lives in the panels; controls are found by their object names.
class frmMain : public QWidget {
    Q_OBJECT
public:
    frmMain(const ToolDirs &dirs, MessageBox &messages, FileDialog &files,
            QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up: reads comm.set and ModSet.set, fills the fields, prepares and opens the port.
    // Returns the reason when a settings file cannot be used; the window must not be shown then.
    std::optional<QString> loadSettings();

    MSComm &port() { return port_; }
    Link &link() { return link_; }
    PortPanel &ports() { return *ports_; }
    AcquisitionPanel &acquisition() { return *acquisition_; }
    CalibrationPanel &calibration() { return *calibration_; }
    TrendPanel &trend() { return *trend_; }
    LinePanel &lineMonitor() { return *line_; }
    const LineRecorder &lineRecorder() const { return recorder_; }
    ModuleFinder &moduleFinder() { return *finder_; }
    // F1 and "使用说明": the manual in a window of its own, made at the first call.
    void openManual();

private:
    void raiseLamp(Lamp lamp);
    // Value boxes, buttons and lamps get names in the window's language.
    void nameForScreenReaders();
    void showOpenFailure(const QString &reason);

    const ToolDirs dirs_;
    std::unique_ptr<Ui::frmMain> ui_;
    MSComm port_;
    Link link_;
    LineRecorder recorder_;
    std::unique_ptr<PortPanel> ports_;
    std::unique_ptr<AcquisitionPanel> acquisition_;
    std::unique_ptr<CalibrationPanel> calibration_;
    QString lampToolTip_;               // the lamps' own tool tip, before any reason is added
    std::optional<QString> stateLater_; // received bytes for their box, shown on the next turn
    // Tabs after the three of the form; the tab widget owns them.
    TrendPanel *trend_ = nullptr;
    LinePanel *line_ = nullptr;
    ModuleFinder *finder_ = nullptr;
    ManualWindow *manual_ = nullptr; // a child window of this one
};

} // namespace tr
