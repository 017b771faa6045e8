#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tr {

// The export file is one quoted record: a double quote, the list, a double quote, CR LF.
// Every line of the list ends in CR LF in the file, whatever line ends the list box hands over;
// 8-bit text in the system code page, no byte-order mark. An empty list gives 22 22 0D 0A.
QByteArray exportBytes(const QString &list);

// The chosen name gets ".txt" unless its last four characters are exactly ".txt"
// (case-sensitive, so "DATA.TXT" becomes "DATA.TXT.txt").
QString exportFileName(const QString &chosen);

// Writes the whole file or nothing (a failed write leaves no file, an existing file intact).
// Returns the reason when the file cannot be created or written.
std::optional<QString> writeExport(const QString &path, const QByteArray &bytes);

} // namespace tr
