#pragma once

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
                     FileDialog &files, QString programDir, QObject *parent = nullptr);

    void comDoOnce_Click();
    void cmdOneM_Click();
    void cmdStopOnce_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void Dosave();
    void CommandChangeFile_Click();
    void cmdClearTxt_Click();

    // A parameter read or write stops the logging timer.
    void stopLogging() { Timer2.stop(); }

    QTimer Timer1; // acquisition period
    QTimer Timer2; // data-file records

    std::uint8_t StationAddr = 0;
    std::uint8_t FunctionCode = 0;
    std::uint8_t StartAddr = 0;
    std::uint8_t DataLength = 0;

    QString defaultDataFile() const;

private:
    void markStale();
    void applyMeasurement(const DecodedAnswer &answer);
    // At most one acquisition message is open at a time; ticks meanwhile do not stack boxes.
    void tell(const QString &text);

    AcquisitionWidgets w_;
    Link &link_;
    MessageBox &messages_;
    FileDialog &files_;
    QString programDir_;
    bool messageOpen_ = false;
    bool inTick_ = false;
    std::optional<QString> failingDataFile_;
};

} // namespace tr
