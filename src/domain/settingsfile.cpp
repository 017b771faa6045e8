#include "domain/settingsfile.h"

#include <QFile>

#include <algorithm>

namespace tr {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

enum class Parsed { Ok, NotNumber, OutOfRange };

// Strict decimal: optional sign, then digits only.
Parsed parseInt16(const QByteArray &text, std::int16_t &value) {
    qsizetype i = (text.startsWith('+') || text.startsWith('-')) ? 1 : 0;
    if (i == text.size())
        return Parsed::NotNumber;
    long magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return Parsed::NotNumber;
        magnitude = std::min(magnitude * 10 + (c - '0'), 100000L); // saturate long digit runs
    }
    const long v = text.startsWith('-') ? -magnitude : magnitude;
    if (v < -32768 || v > 32767)
        return Parsed::OutOfRange;
    value = static_cast<std::int16_t>(v);
    return Parsed::Ok;
}

} // namespace

SettingsFields readSettingsFields(const QByteArray &content, int count) {
    SettingsFields out;
    const auto fail = [&out](SettingsError::Kind kind, int field) {
        out.error = SettingsError{kind, field, QString()};
        return out;
    };
    qsizetype pos = 0;
    const qsizetype size = content.size();
    for (int field = 1; field <= count; ++field) {
        // Blank lines between fields are skipped; the end of the file means the field is missing.
        while (pos < size &&
               (isBlank(content[pos]) || content[pos] == '\r' || content[pos] == '\n'))
            ++pos;
        if (pos >= size)
            return fail(SettingsError::Kind::Missing, field);
        const qsizetype start = pos;
        while (pos < size && content[pos] != ',' && content[pos] != '\r' && content[pos] != '\n')
            ++pos;
        const QByteArray text = content.mid(start, pos - start).trimmed();
        if (pos < size && content[pos] == ',')
            ++pos;
        if (text.isEmpty())
            return fail(SettingsError::Kind::Empty, field);
        std::int16_t value = 0;
        switch (parseInt16(text, value)) {
        case Parsed::Ok:
            break;
        case Parsed::NotNumber:
            return fail(SettingsError::Kind::NotInteger, field);
        case Parsed::OutOfRange:
            return fail(SettingsError::Kind::OutOfRange, field);
        }
        out.values.push_back(value);
    }
    return out;
}

SettingsFields readSettingsFile(const QString &path, int count) {
    QFile file(path);
    SettingsFields out;
    if (!file.open(QIODevice::ReadOnly))
        out.error = SettingsError{};
    else
        out = readSettingsFields(file.read(64 * 1024), count);
    if (out.error)
        out.error->file = path;
    return out;
}

} // namespace tr
