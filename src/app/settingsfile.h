#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace tr {

// Fields of comm.set / ModSet.set: taken in order from the start, a field ends at a comma or a
// line end, blanks around a field are ignored, anything after the last wanted field is ignored.
// Each field must be a decimal integer in -32768..32767.
struct SettingsFields {
    std::vector<std::int16_t> values; // complete when error is empty
    QString error;                    // Chinese reason, e.g. "缺少第2项"
    bool ok() const { return error.isEmpty(); }
};

SettingsFields readSettingsFields(const QByteArray &content, int count);

} // namespace tr
