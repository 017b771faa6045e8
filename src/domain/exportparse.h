#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace tr {

// One result line of an export file: "3::1000--0".
struct ExportEntry {
    int channel = 0; // 1..8
    std::uint16_t slope = 0;
    std::uint16_t offset = 0;
    int line = 0; // where it stands in the file, from 1
};

// Why a file is no export list; each program words it in its own language.
enum class ExportFault {
    None,
    Empty,                 // no bytes at all
    NoOpeningQuote,        // the first byte is not a double quote
    NoClosingQuote,        // the list ends without its closing double quote
    EmptyLine,             // an empty line inside the list
    TextAfterClosingQuote, // more than blank lines after the closing double quote
    NotAnEntry,            // not "channel::slope--offset"; `found` holds the line
    ChannelOutOfRange,     // `found` holds the channel digits
    SlopeOutOfRange,       // `found` holds the slope digits
    OffsetOutOfRange,      // `found` holds the offset digits
    ChannelRepeated,       // `found` holds the channel; it stood first on `earlierLine`
    Unreadable,            // loadExport only: `found` holds the system's reason
    TooLarge,              // loadExport only: far more than any list of eight channels
};

struct ParsedExport {
    std::vector<ExportEntry> entries; // in file order
    ExportFault fault = ExportFault::None;
    int errorLine = 0; // where the fault stands, from 1 (0 for the file as a whole)
    QByteArray found;  // the offending text, see ExportFault
    int earlierLine = 0;
    bool ok() const { return fault == ExportFault::None; }
};

// Reads the export file the batch read writes: a double quote, result lines
// "channel::slope--offset" each ending in CR LF, a double quote, CR LF. Bare LF line ends are taken
// too (a file edited on Linux); so is a closing quote right after the last result line. Channels
// are 1..8 and may appear once; slope and offset are plain decimal 0..65535.
ParsedExport parseExport(const QByteArray &bytes);

// The list a list box holds, read as if it had been exported: line ends after the last line do
// not count as an empty line.
ParsedExport parseList(const QString &list);

// Reads and parses the file at `path`.
ParsedExport loadExport(const QString &path);

} // namespace tr
