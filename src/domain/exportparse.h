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

struct ParsedExport {
    std::vector<ExportEntry> entries; // in file order
    int errorLine = 0;                // 0 when the file was read whole
    QString error;                    // English reason, without the line number
    bool ok() const { return errorLine == 0; }
};

// Reads the export file the batch read writes: a double quote, result lines
// "channel::slope--offset" each ending in CR LF, a double quote, CR LF. Bare LF line ends are taken
// too (a file edited on Linux); so is a closing quote right after the last result line. Channels
// are 1..8 and may appear once; slope and offset are plain decimal 0..65535.
ParsedExport parseExport(const QByteArray &bytes);

} // namespace tr
