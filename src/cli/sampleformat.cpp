#include "cli/sampleformat.h"

#include "modbus/decode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace tr::cli {

std::vector<std::optional<QString>> registerValues(const DecodedAnswer &answer) {
    std::vector<std::optional<QString>> values;
    values.reserve(answer.readings.size());
    for (const Reading &r : answer.readings)
        values.push_back(r.open ? std::nullopt : std::optional<QString>(formatTenths(r.tenths)));
    return values;
}

std::vector<std::optional<int>> registerTenths(const DecodedAnswer &answer) {
    std::vector<std::optional<int>> out;
    for (const Reading &r : answer.readings)
        out.push_back(r.open ? std::nullopt : std::optional<int>(r.tenths));
    return out;
}

QString isoTimestamp(const QDateTime &when) {
    return when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString csvHeader(int start, int count, bool withStation) {
    QStringList cells{QStringLiteral("time"), QStringLiteral("seq")};
    if (withStation)
        cells << QStringLiteral("station");
    for (int i = 0; i < count; ++i)
        cells << QStringLiteral("ch%1").arg(start + i + 1);
    cells << QStringLiteral("status");
    return cells.join(QLatin1Char(','));
}

QString csvRow(const Sample &sample, int count, bool withStation) {
    QStringList cells{isoTimestamp(sample.when), QString::number(sample.seq)};
    if (withStation)
        cells << QString::number(sample.station);
    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        cells << (index < sample.values.size() ? sample.values[index].value_or(QString())
                                               : QString());
    }
    cells << sample.status;
    return cells.join(QLatin1Char(','));
}

QString textRow(const Sample &sample, bool withStation) {
    const QString row = sample.ok ? sample.valueLine : sample.status;
    return withStation ? QStringLiteral("station %1: %2").arg(sample.station).arg(row) : row;
}

QByteArray jsonRow(const Sample &sample, int count) {
    QJsonArray channels;
    for (int i = 0; i < count; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const bool has = sample.ok && index < sample.tenths.size() && sample.tenths[index];
        channels.append(has ? QJsonValue(*sample.tenths[index] / 10.0) : QJsonValue());
    }
    const QJsonObject row{{QStringLiteral("time"), isoTimestamp(sample.when)},
                          {QStringLiteral("seq"), sample.seq},
                          {QStringLiteral("station"), sample.station},
                          {QStringLiteral("start"), sample.start},
                          {QStringLiteral("status"), sample.status},
                          {QStringLiteral("ch"), channels}};
    return QJsonDocument(row).toJson(QJsonDocument::Compact);
}

} // namespace tr::cli
