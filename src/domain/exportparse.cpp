#include "domain/exportparse.h"

#include "domain/exportfile.h"

#include <QFile>
#include <array>
#include <optional>

namespace tr {

namespace {

// Eight full lines take 136 bytes; anything near this size is some other file.
constexpr qint64 kLargestExport = 64 * 1024;

// Plain decimal digits only; nothing when the text is not one or exceeds `max`.
std::optional<int> decimal(QByteArrayView text, int max) {
    if (text.isEmpty() || text.size() > 6)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

bool allDigits(QByteArrayView text) {
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

ParsedExport failed(ExportFault fault, int line, QByteArrayView found = {}, int earlier = 0) {
    ParsedExport out;
    out.fault = fault;
    out.errorLine = line;
    out.found = found.toByteArray();
    out.earlierLine = earlier;
    return out;
}

} // namespace

ParsedExport parseExport(const QByteArray &bytes) {
    if (bytes.isEmpty())
        return failed(ExportFault::Empty, 1);
    if (bytes[0] != '"')
        return failed(ExportFault::NoOpeningQuote, 1);

    // Lines are taken one at a time: a wrong file is refused at its first bad line without
    // splitting the rest of it.
    const QByteArrayView body = QByteArrayView(bytes).sliced(1);
    ParsedExport out;
    std::array<int, 8> seenOn{}; // line where each channel stood, 0 while not seen
    bool closed = false;
    int lineNo = 0;
    for (qsizetype from = 0; from < body.size() || lineNo == 0;) {
        ++lineNo;
        const qsizetype lf = body.indexOf('\n', from);
        const qsizetype end = lf < 0 ? body.size() : lf;
        const bool last = lf < 0 || lf + 1 == body.size();
        QByteArrayView text = body.sliced(from, end - from);
        from = lf < 0 ? body.size() : lf + 1;
        if (text.endsWith('\r'))
            text.chop(1);
        if (closed) {
            if (!text.isEmpty())
                return failed(ExportFault::TextAfterClosingQuote, lineNo);
            continue;
        }
        if (text == "\"") {
            closed = true;
            continue;
        }
        if (text.endsWith('"')) {
            text.chop(1);
            closed = true;
        }
        if (text.isEmpty())
            return failed(last ? ExportFault::NoClosingQuote : ExportFault::EmptyLine, lineNo);

        const qsizetype colons = text.indexOf("::");
        const qsizetype dashes = colons < 0 ? -1 : text.indexOf("--", colons + 2);
        const QByteArrayView channelText = colons < 0 ? QByteArrayView() : text.first(colons);
        const QByteArrayView slopeText =
            dashes < 0 ? QByteArrayView() : text.sliced(colons + 2, dashes - colons - 2);
        const QByteArrayView offsetText = dashes < 0 ? QByteArrayView() : text.sliced(dashes + 2);
        if (!allDigits(channelText) || !allDigits(slopeText) || !allDigits(offsetText))
            return failed(ExportFault::NotAnEntry, lineNo, text);

        const auto channel = decimal(channelText, 8);
        if (!channel || *channel < 1)
            return failed(ExportFault::ChannelOutOfRange, lineNo, channelText);
        const auto slope = decimal(slopeText, 65535);
        if (!slope)
            return failed(ExportFault::SlopeOutOfRange, lineNo, slopeText);
        const auto offset = decimal(offsetText, 65535);
        if (!offset)
            return failed(ExportFault::OffsetOutOfRange, lineNo, offsetText);
        int &seen = seenOn[static_cast<std::size_t>(*channel - 1)];
        if (seen != 0)
            return failed(ExportFault::ChannelRepeated, lineNo, channelText, seen);
        seen = lineNo;
        out.entries.push_back({*channel, static_cast<std::uint16_t>(*slope),
                               static_cast<std::uint16_t>(*offset), lineNo});
    }
    if (!closed)
        return failed(ExportFault::NoClosingQuote, lineNo);
    return out;
}

ParsedExport parseList(const QString &list) {
    QString text = list;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return parseExport(exportBytes(text));
}

ParsedExport loadExport(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(ExportFault::Unreadable, 0, file.errorString().toUtf8());
    const QByteArray bytes = file.read(kLargestExport + 1);
    if (bytes.size() > kLargestExport)
        return failed(ExportFault::TooLarge, 0);
    return parseExport(bytes);
}

} // namespace tr
