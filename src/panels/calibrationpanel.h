#pragma once

#include "domain/tooldirs.h"
#include "panels/batchwrite.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <optional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tr {

class FileDialog;
class Link;
class MessageBox;
struct ParameterRequest;

struct CalibrationWidgets {
    std::array<QLineEdit *, 4> txtAlarmValue; // 0 slope, 1 offset, 2 station address, 3 channel
    QPlainTextEdit *txtSet;
    QPushButton *cmdReadAlarm;
    QPushButton *CmdWriteAlarmValue;
    QPushButton *Command5;
    QPushButton *cmdReadAll;
    QPushButton *cmdSaveFile;
    QPushButton *Command1; // "从文件导入"
    QPushButton *Command2; // "批量定入"
};

// The frame "校正参数读取与写入" and the batch area "文件批量操作": reads and writes the slope
// and offset of one channel with function 0x42, reads channels 1 to 8 in turn into txtSet, and
// saves that list; imports such a list from a file and writes it back to the module. Entries
// are checked before anything happens, so a refused click changes nothing and no frame ever
// carries a value out of range.
class CalibrationPanel : public QObject {
    Q_OBJECT
public:
    CalibrationPanel(const CalibrationWidgets &w, Link &link, MessageBox &messages,
                     FileDialog &files, ToolDirs dirs, QObject *parent = nullptr);

    void cmdReadAlarm_Click();
    void CmdWriteAlarmValue_Click();
    void Command5_Click();
    void cmdReadAll_Click();
    void Timer3_Timer();
    void cmdSaveFile_Click();
    void Command1_Click();
    void Command2_Click();

    const QTimer &Timer3() const { return Timer3_; }
    const BatchWrite &batchWrite() const { return batch_; }

signals:
    void stopLogging(); // Timer2 stops with every parameter request
    // A batch write needs the line to itself from its start to its end.
    void lineClaimed();
    void lineReleased();

private:
    struct WriteButton;

    ParameterRequest readEntries() const;
    // Refused entries get their message and nothing else happens.
    void send(const ParameterRequest &request, AnswerKind kind);
    void writeParameter(const WriteButton &button);
    void applyParameters(std::optional<std::uint16_t> slope, std::optional<std::uint16_t> offset);
    void applyEcho(AnswerKind kind, std::uint16_t value);
    void tell(const QString &text);
    void batchChannelDone(const ExportEntry &entry);
    void batchFinished(const BatchWrite::Outcome &outcome);
    void setRequestButtonsEnabled(bool enabled);

    CalibrationWidgets w_;
    Link &link_;
    MessageBox &messages_;
    FileDialog &files_;
    const ToolDirs dirs_;
    QTimer Timer3_; // the batch timer
    QString ReadAllText_;
    BatchWrite batch_;
};

} // namespace tr
