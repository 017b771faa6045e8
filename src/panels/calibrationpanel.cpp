#include "panels/calibrationpanel.h"

#include "domain/exportfile.h"
#include "domain/exportparse.h"
#include "domain/opnumber.h"
#include "domain/parameterrequest.h"
#include "modbus/decode.h"
#include "panels/restorewords.h"
#include "panels/seams.h"
#include "serial/link.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

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
    AnswerKind kind;
    int valueEntry;
};

CalibrationPanel::CalibrationPanel(const CalibrationWidgets &w, Link &link, MessageBox &messages,
                                   FileDialog &files, ToolDirs dirs, QObject *parent)
    : QObject(parent), w_(w), link_(link), messages_(messages), files_(files),
      dirs_(std::move(dirs)), batch_(link) {
    connect(w_.readButton, &QPushButton::clicked, this, &CalibrationPanel::readParameters);
    connect(w_.writeSlopeButton, &QPushButton::clicked, this, &CalibrationPanel::writeSlope);
    connect(w_.writeOffsetButton, &QPushButton::clicked, this, &CalibrationPanel::writeOffset);
    connect(w_.batchReadButton, &QPushButton::clicked, this, &CalibrationPanel::batchRead);
    connect(w_.exportButton, &QPushButton::clicked, this, &CalibrationPanel::exportList);
    connect(&batchReadTimer_, &QTimer::timeout, this, &CalibrationPanel::batchReadTick);
    connect(&link_, &Link::parametersRead, this, &CalibrationPanel::applyParameters);
    connect(&link_, &Link::parameterEchoed, this, &CalibrationPanel::applyEcho);
    connect(w_.importButton, &QPushButton::clicked, this, &CalibrationPanel::importList);
    connect(w_.batchWriteButton, &QPushButton::clicked, this, &CalibrationPanel::batchWrite);
    connect(&batch_, &BatchWrite::sending, this, &CalibrationPanel::stopLogging);
    connect(&batch_, &BatchWrite::channelDone, this, &CalibrationPanel::batchChannelDone);
    connect(&batch_, &BatchWrite::finished, this, &CalibrationPanel::batchFinished);
}

void CalibrationPanel::tell(const QString &text) {
    messages_.show(text, promptCaption(), MessageBox::Icon::None);
}

ParameterRequest CalibrationPanel::readEntries() const {
    return readRequest(w_.entries[StationEntry]->text(), w_.entries[ChannelEntry]->text());
}

void CalibrationPanel::send(const ParameterRequest &request, AnswerKind kind) {
    if (!request.ok()) {
        const QString text = request.fault == ParameterRequest::Fault::Value
                                 ? tr("请输入正确的参数值，范围为0-65535")
                                 : tr("请输入正确的设备地址和通道，范围为0-255");
        messages_.show(text, promptCaption(), MessageBox::Icon::None);
        return;
    }
    emit stopLogging();
    link_.sendParameterRequest(request.frame, kind);
}

void CalibrationPanel::readParameters() {
    send(readEntries(), AnswerKind::ParametersRead);
}

void CalibrationPanel::writeParameter(const WriteButton &button) {
    send(writeRequest(button.parameter, w_.entries[StationEntry]->text(),
                      w_.entries[button.valueEntry]->text(), w_.entries[ChannelEntry]->text()),
         button.kind);
}

void CalibrationPanel::writeSlope() {
    writeParameter({Parameter::Slope, AnswerKind::SlopeWritten, SlopeEntry});
}

void CalibrationPanel::writeOffset() {
    writeParameter({Parameter::Offset, AnswerKind::OffsetWritten, OffsetEntry});
}

void CalibrationPanel::batchRead() {
    // The batch always starts at channel 1, so only the station entry can refuse it.
    const ParameterRequest first =
        readRequest(w_.entries[StationEntry]->text(), QStringLiteral("1"));
    if (!first.ok()) {
        send(first, AnswerKind::ParametersRead);
        return;
    }
    w_.list->setPlainText(QString());
    listText_.clear();
    w_.entries[ChannelEntry]->setText(QStringLiteral("1"));
    send(first, AnswerKind::ParametersRead);
    batchReadTimer_.start(kBatchIntervalMs);
}

void CalibrationPanel::batchReadTick() {
    // The channel being read lives in the entry itself, so the operator can steer the batch.
    const QString typed = w_.entries[ChannelEntry]->text();
    const std::optional<double> channel = parseOperatorNumber(typed);
    if (channel && *channel >= kLastChannel) {
        batchReadTimer_.stop();
        return;
    }
    // Up by one as typed: 5.5 becomes "6.5", which the frame rounds to channel 6.
    const QString next = channel ? QString::number(*channel + 1, 'g', 15) : typed;
    const ParameterRequest request = readRequest(w_.entries[StationEntry]->text(), next);
    if (!request.ok()) {
        // The batch ends first, so the message is told once and not at every tick.
        batchReadTimer_.stop();
        send(request, AnswerKind::ParametersRead);
        return;
    }
    w_.entries[ChannelEntry]->setText(next);
    send(request, AnswerKind::ParametersRead);
}

void CalibrationPanel::applyParameters(std::optional<std::uint16_t> slope,
                                       std::optional<std::uint16_t> offset) {
    if (batch_.running()) {
        batch_.readBack(slope, offset);
        return;
    }
    if (slope)
        w_.entries[SlopeEntry]->setText(QString::number(*slope));
    if (offset)
        w_.entries[OffsetEntry]->setText(QString::number(*offset));
    // The line is added even when the function code was not 0x42, with what the boxes show.
    listText_ += resultLine(w_.entries[ChannelEntry]->text(), w_.entries[SlopeEntry]->text(),
                            w_.entries[OffsetEntry]->text());
    w_.list->setPlainText(listText_);
}

void CalibrationPanel::applyEcho(AnswerKind kind, std::uint16_t value) {
    if (batch_.running()) {
        batch_.echoed(kind, value);
        return;
    }
    if (kind == AnswerKind::SlopeWritten)
        w_.entries[SlopeEntry]->setText(QString::number(value));
    else if (kind == AnswerKind::OffsetWritten)
        w_.entries[OffsetEntry]->setText(QString::number(value));
}

void CalibrationPanel::exportList() {
    FileDialog::Options options;
    options.title = tr("保存文件");
    options.initialDir = dirs_.dialogFolder();
    options.filter = QStringLiteral("txt (*.txt)");
    options.hideFilterPatterns = true; // the type box reads "txt"
    options.save = true;
    options.confirmOverwrite = true;
    const std::optional<QString> chosen = files_.choose(options);
    if (!chosen || chosen->isEmpty())
        return;

    const QString path = exportFileName(*chosen);
    // The dialog confirmed the name as typed; the name with ".txt" added may exist as well.
    if (path != *chosen && QFileInfo::exists(path) &&
        !messages_.ask(tr("%1 已存在。\n要替换它吗？").arg(QDir::toNativeSeparators(path)),
                       promptCaption()))
        return;
    // What the list box shows is saved, including the operator's own edits.
    const std::optional<QString> failure = writeExport(path, exportBytes(w_.list->toPlainText()));
    if (failure)
        messages_.show(tr("文件保存失败：%1（%2）").arg(path, *failure), promptCaption(),
                       MessageBox::Icon::None);
}

void CalibrationPanel::importList() {
    FileDialog::Options options;
    options.title = tr("打开文件");
    options.initialDir = dirs_.dialogFolder();
    options.filter = QStringLiteral("txt (*.txt)");
    options.mustExist = true;
    const std::optional<QString> chosen = files_.choose(options);
    if (!chosen || chosen->isEmpty())
        return;
    // The same reading as "tr6400-cli cal restore": a file it would refuse changes nothing.
    const ParsedExport parsed = loadExport(*chosen);
    if (!parsed.ok()) {
        tell(tr("导入失败：") + exportFaultWords(parsed));
        return;
    }
    QString list;
    for (const ExportEntry &e : parsed.entries)
        list += resultLine(QString::number(e.channel), QString::number(e.slope),
                           QString::number(e.offset));
    // Shown as a batch read of those channels would show them; a single read adds to it.
    listText_ = list;
    w_.list->setPlainText(list);
}

void CalibrationPanel::batchWrite() {
    if (batch_.running())
        return;
    const ParsedExport parsed = parseList(w_.list->toPlainText());
    if (!parsed.ok()) {
        tell(tr("批量定入失败：") + exportFaultWords(parsed));
        return;
    }
    if (parsed.entries.empty()) {
        tell(tr("列表中没有要写入的通道"));
        return;
    }
    const std::optional<std::uint8_t> station = addressEntry(w_.entries[StationEntry]->text());
    if (!station) {
        send(readEntries(), AnswerKind::ParametersRead); // refused: the range message
        return;
    }
    if (*station == 0) {
        // Every module takes a broadcast and none answers: nothing could be read back.
        tell(tr("设备地址0是广播地址，模块不回应，无法逐个通道校验，请输入模块的设备地址"));
        return;
    }
    if (!messages_.ask(
            tr("将向设备地址 %1 写入 %2 个通道的斜率和偏移量。写入期间采集暂停，正在进行的"
               "循环采集在写入结束后恢复。是否继续？")
                .arg(*station)
                .arg(parsed.entries.size()),
            promptCaption()))
        return;

    // The batch read and cyclic reads would take the answers meant for the writes. A batch read
    // may have sent a request while the question was open: its answer is awaited first.
    const int settle = batchReadTimer_.isActive() ? Link::kReadWaitMs : 0;
    batchReadTimer_.stop();
    emit lineClaimed();
    setRequestButtonsEnabled(false);
    listText_.clear();
    w_.list->setPlainText(QString());
    batch_.start(*station, parsed.entries, settle);
}

void CalibrationPanel::batchChannelDone(const ExportEntry &e) {
    listText_ +=
        resultLine(QString::number(e.channel), QString::number(e.slope), QString::number(e.offset));
    w_.list->setPlainText(listText_);
}

void CalibrationPanel::batchFinished(const BatchWrite::Outcome &outcome) {
    setRequestButtonsEnabled(true);
    emit lineReleased();
    if (outcome.failure == BatchWrite::Failure::None)
        return;
    // The lines not written stay in the list after those done, so the batch can be run again.
    QString list = listText_;
    for (const ExportEntry &e : outcome.notDone)
        list += resultLine(QString::number(e.channel), QString::number(e.slope),
                           QString::number(e.offset));
    listText_ = list;
    w_.list->setPlainText(list);
    // Told after the receive event or timer that ended the batch has returned: a box open
    // inside it would hold up the answers of the acquisition that has just resumed.
    QMetaObject::invokeMethod(
        this, [this, text = batchStopWords(outcome)] { tell(text); }, Qt::QueuedConnection);
}

void CalibrationPanel::setRequestButtonsEnabled(bool enabled) {
    for (QPushButton *b : {w_.readButton, w_.writeSlopeButton, w_.writeOffsetButton,
                           w_.batchReadButton, w_.importButton, w_.batchWriteButton})
        b->setEnabled(enabled);
}

} // namespace tr
