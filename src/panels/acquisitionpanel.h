#pragma once

#include "domain/tooldirs.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tr {

class FileDialog;
class Link;
class MessageBox;
struct DecodedAnswer;

struct AcquisitionWidgets {
    QLineEdit *txtStationID;
    QLineEdit *txtFunID;
    QLineEdit *txtStartID;
    QLineEdit *txtDataLength;
    std::array<QLineEdit *, 8> txtValue;
    QLineEdit *txtOutPut;
    QLabel *lblCounter;
    std::array<QLineEdit *, 2> txtTimerSet; // 0: acquisition period in ms, 1: storage interval in s
    QCheckBox *CheckSave;
    QLineEdit *txtFilePath;
    QPushButton *comDoOnce;
    QPushButton *cmdOneM;
    QPushButton *cmdStopOnce;
    QPushButton *CommandChangeFile;
    QPushButton *cmdClearTxt;
};

// Single and cyclic acquisition, the counter, the value boxes and the data file.
class AcquisitionPanel : public QObject {
    Q_OBJECT
public:
    AcquisitionPanel(const AcquisitionWidgets &w, Link &link, MessageBox &messages,
                     FileDialog &files, ToolDirs dirs, QObject *parent = nullptr);

    void comDoOnce_Click();
    void cmdOneM_Click();
    void cmdStopOnce_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void Dosave();
    void CommandChangeFile_Click();
    void cmdClearTxt_Click();

    // A parameter read or write stops the logging timer.
    void stopLogging() { Timer2_.stop(); }

    // "批量定入" takes the line: acquisition stops and its two buttons are disabled until
    // releaseLine(), which restarts the cyclic acquisition and logging that ran before, unless
    // the operator stopped acquisition meanwhile.
    void holdLine();
    void releaseLine();

    const QTimer &Timer1() const { return Timer1_; }
    const QTimer &Timer2() const { return Timer2_; }

private:
    void markStale();
    void applyMeasurement(const DecodedAnswer &answer);
    // At most one acquisition message is open at a time; ticks meanwhile do not stack boxes.
    void tell(const QString &text);

    AcquisitionWidgets w_;
    Link &link_;
    MessageBox &messages_;
    FileDialog &files_;
    ToolDirs dirs_;
    QTimer Timer1_; // acquisition period
    QTimer Timer2_; // data-file records
    bool messageOpen_ = false;
    bool inTick_ = false;
    unsigned timer1Run_ = 0; // counts starts and stops of Timer1: a queued read knows its run
    bool resumeCyclic_ = false, resumeLogging_ = false; // when the line comes back
    std::optional<QString> failingDataFile_;
};

} // namespace tr
