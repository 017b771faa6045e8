#include "panels/calibrationpanel.h"

#include "domain/exportfile.h"
#include "domain/opnumber.h"
#include "domain/parameterrequest.h"
#include "modbus/decode.h"
#include "panels/seams.h"
#include "serial/link.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <limits>

namespace tr {

namespace {

enum Entry { SlopeEntry = 0, OffsetEntry = 1, StationEntry = 2, ChannelEntry = 3 };

constexpr int kLastChannel = 8;
// One channel of a batch every two seconds: each answer must be in before the next read.
constexpr int kBatchIntervalMs = 2000;

} // namespace

// The two write buttons are one operation; these are all that sets them apart.
struct CalibrationPanel::WriteButton {
    Parameter parameter;
    std::int16_t kind;
    int valueEntry;
};

CalibrationPanel::CalibrationPanel(const CalibrationWidgets &w, Link &link, MessageBox &messages,
                                   FileDialog &files, ToolDirs dirs, QObject *parent)
    : QObject(parent), w_(w), link_(link), messages_(messages), files_(files),
      dirs_(std::move(dirs)) {
    connect(w_.cmdReadAlarm, &QPushButton::clicked, this, &CalibrationPanel::cmdReadAlarm_Click);
    connect(w_.CmdWriteAlarmValue, &QPushButton::clicked, this,
            &CalibrationPanel::CmdWriteAlarmValue_Click);
    connect(w_.Command5, &QPushButton::clicked, this, &CalibrationPanel::Command5_Click);
    connect(w_.cmdReadAll, &QPushButton::clicked, this, &CalibrationPanel::cmdReadAll_Click);
    connect(w_.cmdSaveFile, &QPushButton::clicked, this, &CalibrationPanel::cmdSaveFile_Click);
    connect(&Timer3_, &QTimer::timeout, this, &CalibrationPanel::Timer3_Timer);
    connect(&link_, &Link::parametersRead, this, &CalibrationPanel::applyParameters);
    connect(&link_, &Link::parameterEchoed, this, &CalibrationPanel::applyEcho);
}

ParameterRequest CalibrationPanel::readEntries() const {
    return readRequest(w_.txtAlarmValue[StationEntry]->text(),
                       w_.txtAlarmValue[ChannelEntry]->text());
}

void CalibrationPanel::send(const ParameterRequest &request, std::int16_t kind) {
    if (!request.ok()) {
        const QString text = request.fault == ParameterRequest::Fault::Value
                                 ? QStringLiteral("请输入正确的参数值，范围为0-65535")
                                 : QStringLiteral("请输入正确的设备地址和通道，范围为0-255");
        messages_.show(text, promptCaption(), MessageBox::Icon::None);
        return;
    }
    emit stopLogging();
    link_.sendParameterRequest(request.frame, kind);
}

void CalibrationPanel::cmdReadAlarm_Click() {
    send(readEntries(), KindParametersRead);
}

void CalibrationPanel::writeParameter(const WriteButton &button) {
    send(writeRequest(button.parameter, w_.txtAlarmValue[StationEntry]->text(),
                      w_.txtAlarmValue[button.valueEntry]->text(),
                      w_.txtAlarmValue[ChannelEntry]->text()),
         button.kind);
}

void CalibrationPanel::CmdWriteAlarmValue_Click() {
    writeParameter({Parameter::Slope, KindSlopeWritten, SlopeEntry});
}

void CalibrationPanel::Command5_Click() {
    writeParameter({Parameter::Offset, KindOffsetWritten, OffsetEntry});
}

void CalibrationPanel::cmdReadAll_Click() {
    // The batch always starts at channel 1, so only the station entry can refuse it.
    const ParameterRequest first =
        readRequest(w_.txtAlarmValue[StationEntry]->text(), QStringLiteral("1"));
    if (!first.ok()) {
        send(first, KindParametersRead);
        return;
    }
    w_.txtSet->setPlainText(QString());
    ReadAllText_.clear();
    w_.txtAlarmValue[ChannelEntry]->setText(QStringLiteral("1"));
    send(first, KindParametersRead);
    Timer3_.start(kBatchIntervalMs);
}

void CalibrationPanel::Timer3_Timer() {
    // The channel being read lives in the entry itself, so the operator can steer the batch.
    const std::optional<long long> channel =
        wholeHalfEven(w_.txtAlarmValue[ChannelEntry]->text(), std::numeric_limits<int>::min(),
                      std::numeric_limits<int>::max());
    if (!channel || *channel >= kLastChannel) {
        Timer3_.stop();
        return;
    }
    const QString next = QString::number(*channel + 1);
    // An entry that went bad mid-batch ends it quietly rather than with a message every tick.
    const ParameterRequest request = readRequest(w_.txtAlarmValue[StationEntry]->text(), next);
    if (!request.ok()) {
        Timer3_.stop();
        return;
    }
    w_.txtAlarmValue[ChannelEntry]->setText(next);
    send(request, KindParametersRead);
}

void CalibrationPanel::applyParameters(std::optional<std::uint16_t> slope,
                                       std::optional<std::uint16_t> offset) {
    if (slope)
        w_.txtAlarmValue[SlopeEntry]->setText(QString::number(*slope));
    if (offset)
        w_.txtAlarmValue[OffsetEntry]->setText(QString::number(*offset));
    // The line is added even when the function code was not 0x42, with what the boxes show.
    ReadAllText_ +=
        resultLine(w_.txtAlarmValue[ChannelEntry]->text(), w_.txtAlarmValue[SlopeEntry]->text(),
                   w_.txtAlarmValue[OffsetEntry]->text());
    w_.txtSet->setPlainText(ReadAllText_);
}

void CalibrationPanel::applyEcho(std::int16_t kind, std::uint16_t value) {
    if (kind == KindSlopeWritten)
        w_.txtAlarmValue[SlopeEntry]->setText(QString::number(value));
    else if (kind == KindOffsetWritten)
        w_.txtAlarmValue[OffsetEntry]->setText(QString::number(value));
}

void CalibrationPanel::cmdSaveFile_Click() {
    FileDialog::Options options;
    options.title = QStringLiteral("保存文件");
    options.initialDir = dirs_.dialogFolder();
    options.filter = QStringLiteral("txt (*.txt)");
    options.save = true;
    options.confirmOverwrite = true;
    const std::optional<QString> chosen = files_.choose(options);
    if (!chosen || chosen->isEmpty())
        return;

    const QString path = exportFileName(*chosen);
    // What the list box shows is saved, including the operator's own edits.
    const std::optional<QString> failure = writeExport(path, exportBytes(w_.txtSet->toPlainText()));
    if (failure)
        messages_.show(QStringLiteral("文件保存失败：") + path + QStringLiteral("（") + *failure +
                           QStringLiteral("）"),
                       promptCaption(), MessageBox::Icon::None);
}

} // namespace tr
