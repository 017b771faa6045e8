#include "domain/exportparse.h"

#include <QList>
#include <array>
#include <optional>

namespace tr {

namespace {

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

QString shown(const QByteArray &text) {
    constexpr int kMax = 40;
    QString s = QString::fromLatin1(text.left(kMax));
    if (text.size() > kMax)
        s += QStringLiteral("...");
    return s;
}

} // namespace

ParsedExport parseExport(const QByteArray &bytes) {
    ParsedExport out;
    const auto fail = [&out](int line, const QString &why) {
        out.entries.clear();
        out.errorLine = line;
        out.error = why;
        return out;
    };
    if (bytes.isEmpty())
        return fail(1, QStringLiteral("the file is empty"));
    if (bytes[0] != '"')
        return fail(1, QStringLiteral("does not start with a double quote"));

    QList<QByteArray> lines = bytes.mid(1).split('\n');
    // A file ending in a line end leaves an empty piece that is no line of its own.
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();

    std::array<int, 8> seenOn{}; // line where each channel stood, 0 while not seen
    bool closed = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        QByteArray text = lines[i];
        if (text.endsWith('\r'))
            text.chop(1);
        if (closed) {
            if (!text.isEmpty())
                return fail(lineNo, QStringLiteral("text after the closing double quote"));
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
            return fail(lineNo, i + 1 == lines.size()
                                    ? QStringLiteral("missing the closing double quote")
                                    : QStringLiteral("empty line"));

        const qsizetype colons = text.indexOf("::");
        const qsizetype dashes = colons < 0 ? -1 : text.indexOf("--", colons + 2);
        const QByteArrayView whole(text);
        const QByteArrayView channelText = colons < 0 ? QByteArrayView() : whole.first(colons);
        const QByteArrayView slopeText =
            dashes < 0 ? QByteArrayView() : whole.sliced(colons + 2, dashes - colons - 2);
        const QByteArrayView offsetText = dashes < 0 ? QByteArrayView() : whole.sliced(dashes + 2);
        if (!allDigits(channelText) || !allDigits(slopeText) || !allDigits(offsetText))
            return fail(lineNo, QStringLiteral("expected \"channel::slope--offset\", found \"%1\"")
                                    .arg(shown(text)));

        const auto channel = decimal(channelText, 8);
        if (!channel || *channel < 1)
            return fail(
                lineNo,
                QStringLiteral("channel %1 is not 1 to 8").arg(QString::fromLatin1(channelText)));
        const auto slope = decimal(slopeText, 65535);
        if (!slope)
            return fail(
                lineNo,
                QStringLiteral("slope %1 is not 0 to 65535").arg(QString::fromLatin1(slopeText)));
        const auto offset = decimal(offsetText, 65535);
        if (!offset)
            return fail(
                lineNo,
                QStringLiteral("offset %1 is not 0 to 65535").arg(QString::fromLatin1(offsetText)));
        int &seen = seenOn[static_cast<std::size_t>(*channel - 1)];
        if (seen != 0)
            return fail(
                lineNo,
                QStringLiteral("channel %1 already given on line %2").arg(*channel).arg(seen));
        seen = lineNo;
        out.entries.push_back({*channel, static_cast<std::uint16_t>(*slope),
                               static_cast<std::uint16_t>(*offset), lineNo});
    }
    if (!closed)
        return fail(static_cast<int>(lines.size()),
                    QStringLiteral("missing the closing double quote"));
    return out;
}

} // namespace tr
