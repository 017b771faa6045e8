#include "cli/sampleformat.h"

#include "modbus/decode.h"

#include <QStringList>

namespace tr::cli {

std::vector<std::optional<QString>> registerValues(const DecodedAnswer &answer) {
    std::vector<std::optional<QString>> values;
    values.reserve(answer.readings.size());
    for (const Reading &r : answer.readings)
        values.push_back(r.open ? std::nullopt : std::optional<QString>(formatTenths(r.tenths)));
    return values;
}

QString isoTimestamp(const QDateTime &when) {
    return when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString csvHeader(int start, int count) {
    QStringList cells{QStringLiteral("time"), QStringLiteral("seq")};
    for (int i = 0; i < count; ++i)
        cells << QStringLiteral("ch%1").arg(start + i + 1);
    cells << QStringLiteral("status");
    return cells.join(QLatin1Char(','));
}

QString csvRow(const Sample &sample, int count) {
    QStringList cells{isoTimestamp(sample.when), QString::number(sample.seq)};
    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        cells << (index < sample.values.size() ? sample.values[index].value_or(QString())
                                               : QString());
    }
    cells << sample.status;
    return cells.join(QLatin1Char(','));
}

QString textRow(const Sample &sample) {
    return sample.ok ? sample.valueLine : sample.status;
}

} // namespace tr::cli
