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
    QLineEdit *station;
    QLineEdit *function;
    QLineEdit *startRegister;
    QLineEdit *registerCount;
    std::array<QLineEdit *, 8> values;
    QLineEdit *valueLine;
    QLabel *counter;
    std::array<QLineEdit *, 2> periods; // 0: acquisition period in ms, 1: storage interval in s
    QCheckBox *logging;
    QLineEdit *dataFile;
    QPushButton *readOnceButton;
    QPushButton *startButton;
    QPushButton *stopButton;
    QPushButton *chooseFileButton;
    QPushButton *clearFileButton;
};

// Single and cyclic acquisition, the counter, the value boxes and the data file.
class AcquisitionPanel : public QObject {
    Q_OBJECT
public:
    AcquisitionPanel(const AcquisitionWidgets &w, Link &link, MessageBox &messages,
                     FileDialog &files, ToolDirs dirs, QObject *parent = nullptr);

    void readOnce();    // one measurement read from the four entries
    void startCyclic(); // the acquisition period, and logging when it is checked
    void stopCyclic();
    void cyclicTick(); // counts, then reads once
    void logReading(); // appends the value line to the data file
    void chooseDataFile();
    void clearDataFile();

    // A parameter read or write stops the logging timer.
    void stopLogging() { logTimer_.stop(); }

    // "批量定入" takes the line: acquisition stops and its two buttons are disabled until
    // releaseLine(), which restarts the cyclic acquisition and logging that ran before, unless
    // the operator stopped acquisition meanwhile.
    void holdLine();
    void releaseLine();

    const QTimer &cyclicTimer() const { return cyclicTimer_; }
    const QTimer &logTimer() const { return logTimer_; }

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
    QTimer cyclicTimer_; // acquisition period
    QTimer logTimer_;    // data-file records
    bool messageOpen_ = false;
    bool inTick_ = false;
    unsigned cyclicRun_ =
        0; // counts starts and stops of the cyclic timer: a queued read knows its run
    bool resumeCyclic_ = false, resumeLogging_ = false; // when the line comes back
    std::optional<QString> failingDataFile_;
};

} // namespace tr
