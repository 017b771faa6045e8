#include "domain/exportfaultwords.h"

#include <QCoreApplication>

namespace tr {

namespace {

class ExportFaultWords {
    Q_DECLARE_TR_FUNCTIONS(ExportFaultWords)
public:
    static QString reason(const ParsedExport &p);
};

QString ExportFaultWords::reason(const ParsedExport &p) {
    const QString found = QString::fromLatin1(p.found);
    switch (p.fault) {
    case ExportFault::None:
        break;
    case ExportFault::Empty:
        return tr("文件为空");
    case ExportFault::NoOpeningQuote:
        return tr("开头缺少双引号");
    case ExportFault::NoClosingQuote:
        return tr("结尾缺少双引号");
    case ExportFault::EmptyLine:
        return tr("空行");
    case ExportFault::TextAfterClosingQuote:
        return tr("结尾双引号之后还有内容");
    case ExportFault::NotAnEntry:
        return tr("格式应为“通道::斜率--偏移量”");
    case ExportFault::ChannelOutOfRange:
        return tr("通道%1超出范围，应为1-8").arg(found);
    case ExportFault::SlopeOutOfRange:
        return tr("斜率%1超出范围，应为0-65535").arg(found);
    case ExportFault::OffsetOutOfRange:
        return tr("偏移量%1超出范围，应为0-65535").arg(found);
    case ExportFault::ChannelRepeated:
        return tr("通道重复（第%1行已有通道%2）").arg(p.earlierLine).arg(found);
    case ExportFault::Unreadable:
        return tr("无法读取文件（%1）").arg(QString::fromUtf8(p.found));
    case ExportFault::TooLarge:
        return tr("文件过大，不是通道列表");
    }
    return QString();
}

} // namespace

QString exportFaultReason(const ParsedExport &parsed) {
    return ExportFaultWords::reason(parsed);
}

} // namespace tr
