#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace tr {

// One data-file record: a quote, "2024-3-5 9:07:05", three blanks, the value line, three
// blanks, a quote, CR LF. The content is ASCII; written in the local 8-bit encoding, no BOM.
QByteArray dataRecord(const QDateTime &when, const QString &valueLine);

// A cleared data file: one record holding the empty text, the four bytes "" CR LF.
QByteArray clearedDataFile();

// Appends one record, whole or not at all: after a failed write the file is cut back to its
// old length. Returns the reason on failure.
std::optional<QString> appendRecord(const QString &path, const QByteArray &record);

// Replaces the file's content. Returns the reason on failure.
std::optional<QString> replaceFile(const QString &path, const QByteArray &content);

} // namespace tr
