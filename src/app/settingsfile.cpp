#include "app/settingsfile.h"

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
    qsizetype pos = 0;
    const qsizetype size = content.size();
    for (int field = 1; field <= count; ++field) {
        // Blank lines between fields are skipped; the end of the file means the field is missing.
        while (pos < size &&
               (isBlank(content[pos]) || content[pos] == '\r' || content[pos] == '\n'))
            ++pos;
        if (pos >= size) {
            out.error = QStringLiteral("缺少第%1项").arg(field);
            return out;
        }
        const qsizetype start = pos;
        while (pos < size && content[pos] != ',' && content[pos] != '\r' && content[pos] != '\n')
            ++pos;
        const QByteArray text = content.mid(start, pos - start).trimmed();
        if (pos < size && content[pos] == ',')
            ++pos;
        if (text.isEmpty()) {
            out.error = QStringLiteral("第%1项为空").arg(field);
            return out;
        }
        std::int16_t value = 0;
        switch (parseInt16(text, value)) {
        case Parsed::Ok:
            break;
        case Parsed::NotNumber:
            out.error = QStringLiteral("第%1项不是整数").arg(field);
            return out;
        case Parsed::OutOfRange:
            out.error = QStringLiteral("第%1项超出范围（-32768～32767）").arg(field);
            return out;
        }
        out.values.push_back(value);
    }
    return out;
}

} // namespace tr
