// parseExport with any file: a restore may only trust what the file really says.
//
// Input: the file content.
#include "domain/exportfile.h"
#include "domain/exportparse.h"
#include "fuzzcheck.h"
#include "modbus/decode.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <array>

using namespace tr;

namespace {

QString summary(const ParsedExport &p) {
    QStringList items;
    for (const ExportEntry &e : p.entries)
        items
            << QStringLiteral("%1:%2:%3@%4").arg(e.channel).arg(e.slope).arg(e.offset).arg(e.line);
    return p.ok() ? items.join(QLatin1Char(' '))
                  : QStringLiteral("line %1: fault %2").arg(p.errorLine).arg(int(p.fault));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const ParsedExport p = parseExport(bytes);
    const int lines = static_cast<int>(bytes.count('\n')) + 1;

    if (!p.ok()) {
        FUZZ_CHECK(p.entries.empty(), "refused file still gives %zu entries", p.entries.size());
        FUZZ_CHECK(p.errorLine >= 1 && p.errorLine <= lines, "refused at line %d of %d (fault %d)",
                   p.errorLine, lines, int(p.fault));
        return 0;
    }
    FUZZ_CHECK(p.found.isEmpty() && p.earlierLine == 0, "accepted file with a reason");
    FUZZ_CHECK(bytes.startsWith('"') && bytes.count('"') == 2,
               "accepted a file with %lld double quotes", static_cast<long long>(bytes.count('"')));

    // Each entry is what its own line says: "channel::slope--offset", maybe with the closing quote.
    static const QRegularExpression result(
        QStringLiteral("\\A([0-9]+)::([0-9]+)--([0-9]+)\"?\\r?\\z"));
    const QList<QByteArray> fileLines = bytes.mid(1).split('\n');
    std::array<bool, 8> seen{};
    int previousLine = 0;
    for (const ExportEntry &e : p.entries) {
        FUZZ_CHECK(e.channel >= 1 && e.channel <= 8, "channel %d", e.channel);
        FUZZ_CHECK(!seen[static_cast<std::size_t>(e.channel - 1)], "channel %d twice", e.channel);
        seen[static_cast<std::size_t>(e.channel - 1)] = true;
        FUZZ_CHECK(e.line > previousLine && e.line <= fileLines.size(), "entry on line %d after %d",
                   e.line, previousLine);
        previousLine = e.line;
        const QString text = QString::fromLatin1(fileLines[e.line - 1]);
        const QRegularExpressionMatch m = result.match(text);
        FUZZ_CHECK(m.hasMatch() && m.captured(1).toInt() == e.channel &&
                       m.captured(2).toInt() == e.slope && m.captured(3).toInt() == e.offset,
                   "line %d \"%s\" read as %d::%u--%u", e.line, qPrintable(text), e.channel,
                   e.slope, e.offset);
    }

    // What the batch read would export from these entries reads back the same.
    QString list;
    for (const ExportEntry &e : p.entries)
        list += resultLine(QString::number(e.channel), QString::number(e.slope),
                           QString::number(e.offset));
    const ParsedExport again = parseExport(exportBytes(list));
    FUZZ_CHECK(again.ok() && again.entries.size() == p.entries.size(), "exported again: %s",
               qPrintable(summary(again)));
    for (std::size_t i = 0; i < p.entries.size(); ++i) {
        const ExportEntry &a = p.entries[i];
        const ExportEntry &b = again.entries[i];
        FUZZ_CHECK(a.channel == b.channel && a.slope == b.slope && a.offset == b.offset &&
                       b.line == static_cast<int>(i) + 1,
                   "read %s, exported again %s", qPrintable(summary(p)),
                   qPrintable(summary(again)));
    }

    // Bare LF line ends read alike.
    if (!bytes.contains("\r\r")) {
        QByteArray lf = bytes;
        lf.replace("\r\n", "\n");
        const ParsedExport lfOnly = parseExport(lf);
        FUZZ_CHECK(summary(lfOnly) == summary(p), "with LF only: %s, with CR LF: %s",
                   qPrintable(summary(lfOnly)), qPrintable(summary(p)));
    }
    return 0;
}
