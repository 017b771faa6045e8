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
    std::array<QLineEdit *, 4> entries; // 0 slope, 1 offset, 2 station address, 3 channel
    QPlainTextEdit *list;
    QPushButton *readButton;
    QPushButton *writeSlopeButton;
    QPushButton *writeOffsetButton;
    QPushButton *batchReadButton;
    QPushButton *exportButton;
    QPushButton *importButton;     // "从文件导入"
    QPushButton *batchWriteButton; // "批量定入"
};

// The frame "校正参数读取与写入" and the batch area "文件批量操作": reads and writes the slope
// and offset of one channel with function 0x42, reads channels 1 to 8 in turn into the list, and
// saves that list; imports such a list from a file and writes it back to the module. Entries
// are checked before anything happens, so a refused click changes nothing and no frame ever
// carries a value out of range.
class CalibrationPanel : public QObject {
    Q_OBJECT
public:
    CalibrationPanel(const CalibrationWidgets &w, Link &link, MessageBox &messages,
                     FileDialog &files, ToolDirs dirs, QObject *parent = nullptr);

    void readParameters(); // slope and offset of the channel in the entries
    void writeSlope();
    void writeOffset();
    void batchRead(); // channels 1 to 8 in turn into the list, one at every batchReadTick
    void batchReadTick();
    void exportList(); // the list to a file
    void importList(); // a file into the list
    void batchWrite(); // the list to the module, each channel read back

    const QTimer &batchReadTimer() const { return batchReadTimer_; }
    const BatchWrite &batchWriter() const { return batch_; }

signals:
    void stopLogging(); // logging stops with every parameter request
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
    QTimer batchReadTimer_;
    QString listText_;
    BatchWrite batch_;
};

} // namespace tr
