#include "panels/restorewords.h"

#include "domain/exportfaultwords.h"

#include <QCoreApplication>
#include <QStringList>

namespace tr {

namespace {

// The words of the calibration frame's list messages, in one translation context.
class RestoreWords {
    Q_DECLARE_TR_FUNCTIONS(RestoreWords)
public:
    static QString stepWords(RestoreStep::Kind kind);
    static QString failureWords(const BatchWrite::Outcome &o);
    static QString exportFault(const ParsedExport &parsed);
    static QString batchStop(const BatchWrite::Outcome &o);
};

QString RestoreWords::stepWords(RestoreStep::Kind kind) {
    switch (kind) {
    case RestoreStep::Kind::WriteSlope:
        return tr("写入斜率");
    case RestoreStep::Kind::WriteOffset:
        return tr("写入偏移量");
    case RestoreStep::Kind::ReadBack:
        break;
    }
    return tr("读回校验");
}

QString RestoreWords::failureWords(const BatchWrite::Outcome &o) {
    switch (o.failure) {
    case BatchWrite::Failure::None:
        break;
    case BatchWrite::Failure::NoAnswer:
        return tr("无回应");
    case BatchWrite::Failure::PortClosed:
        return tr("串口未打开");
    case BatchWrite::Failure::WrongAnswer:
        switch (o.verdict.fault) {
        case StepVerdict::Fault::None:
            break;
        case StepVerdict::Fault::WrongEcho:
            return tr("回应的值为%1，应为%2")
                .arg(o.verdict.echoed ? QString::number(*o.verdict.echoed) : QStringLiteral("?"))
                .arg(o.step.written());
        case StepVerdict::Fault::NoParameters:
            return tr("回应中没有斜率和偏移量");
        case StepVerdict::Fault::ReadBackDiffers:
            return tr("读回斜率%1、偏移量%2，应为斜率%3、偏移量%4")
                .arg(o.verdict.slope)
                .arg(o.verdict.offset)
                .arg(o.step.entry.slope)
                .arg(o.step.entry.offset);
        }
    }
    return QString();
}

QString RestoreWords::exportFault(const ParsedExport &parsed) {
    if (parsed.errorLine == 0)
        return exportFaultReason(parsed);
    return tr("第%1行 %2").arg(parsed.errorLine).arg(exportFaultReason(parsed));
}

QString RestoreWords::batchStop(const BatchWrite::Outcome &o) {
    QStringList done;
    for (const ExportEntry &e : o.done)
        done << QString::number(e.channel);
    return tr("批量定入失败：第%1通道 %2：%3\n已完成的通道：%4")
        .arg(o.step.entry.channel)
        .arg(stepWords(o.step.kind), failureWords(o),
             done.isEmpty() ? tr("无") : done.join(tr("、")));
}

} // namespace

QString exportFaultWords(const ParsedExport &parsed) {
    return RestoreWords::exportFault(parsed);
}

QString batchStopWords(const BatchWrite::Outcome &outcome) {
    return RestoreWords::batchStop(outcome);
}

} // namespace tr
