#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace tr {

// Why a settings file cannot be used: the file, the field (from 1; 0 when the file itself cannot
// be read) and what is wrong with it. The window and the command line word it each their own way.
struct SettingsError {
    enum class Kind { Unreadable, Missing, Empty, NotInteger, OutOfRange };
    Kind kind = Kind::Unreadable;
    int field = 0;
    QString file; // as given to readSettingsFile; empty for readSettingsFields
};

// Fields of comm.set / ModSet.set: taken in order from the start, a field ends at a comma or a
// line end, blanks around a field are ignored, anything after the last wanted field is ignored.
// Each field must be a decimal integer in -32768..32767.
struct SettingsFields {
    std::vector<std::int16_t> values; // complete when there is no error
    std::optional<SettingsError> error;
    bool ok() const { return !error; }
};

SettingsFields readSettingsFields(const QByteArray &content, int count);

// Reads the first count fields of a settings file. Only the head of the file matters, so a huge
// file is not read whole.
SettingsFields readSettingsFile(const QString &path, int count);

} // namespace tr
