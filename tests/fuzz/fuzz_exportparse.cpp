// parseExport with any file: a restore may only trust what the file really says.
//
// Input: the file content.
#include "domain/exportfile.h"
#include "domain/exportparse.h"
#include "fuzzcheck.h"

#include <QRegularExpression>

using namespace tr;

// Where and why a file is refused, or its entries as the batch read lists them.
static QString listed(const ParsedExport &p) {
    QString s = p.ok() ? QString() : QStringLiteral("%1:%2 ").arg(p.errorLine).arg(int(p.fault));
    for (const ExportEntry &e : p.entries)
        s += QStringLiteral("%1::%2--%3\r\n").arg(e.channel).arg(e.slope).arg(e.offset);
    return s;
}

void trfuzz::fuzzOne(Input in) {
    QByteArray file(reinterpret_cast<const char *>(in.data()), qsizetype(in.size()));
    const ParsedExport p = parseExport(file);
    // A refusal names a line of the file and gives nothing; an accepted file is one quoted record.
    FUZZ_CHECK(p.ok()
                   ? p.found.isEmpty() && file.startsWith('"') && file.count('"') == 2
                   : p.entries.empty() && p.errorLine >= 1 && p.errorLine <= file.count('\n') + 1);

    // Each entry is what its own line says, "channel::slope--offset", maybe with the closing
    // quote; each channel once, in file order.
    static const QRegularExpression re(QStringLiteral("\\A([0-9]+)::([0-9]+)--([0-9]+)\"?\\r?\\z"));
    const QList<QByteArray> lines = file.mid(1).split('\n');
    int previous = 0, seen = 0;
    for (const ExportEntry &e : p.entries) {
        FUZZ_CHECK(e.channel >= 1 && e.channel <= 8 && !(seen >> e.channel & 1) &&
                   e.line > previous && e.line <= lines.size());
        const auto m = re.match(QString::fromLatin1(lines[(previous = e.line) - 1]));
        FUZZ_CHECK(m.hasMatch() && m.captured(1).toInt() == e.channel &&
                   m.captured(2).toInt() == e.slope && m.captured(3).toInt() == e.offset);
        seen |= 1 << e.channel;
    }
    // What the batch read would export from these entries reads back the same, and so does the
    // file with bare LF line ends.
    FUZZ_CHECK(!p.ok() || listed(parseExport(exportBytes(listed(p)))) == listed(p));
    FUZZ_CHECK(file.contains("\r\r") ||
               listed(parseExport(file.replace("\r\n", "\n"))) == listed(p));
}
