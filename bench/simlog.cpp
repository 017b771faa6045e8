#include "bench/simlog.h"

#include <QFile>
#include <QList>

namespace tr::bench {

std::optional<WireLine> parseWireLine(const QByteArray &line) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 2)
        return std::nullopt;
    WireLine w;
    bool ok = false;
    w.micros = fields[0].toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    w.tag = QString::fromLatin1(fields[1]);
    for (qsizetype i = 2; i < fields.size(); ++i) {
        const uint byte = fields[i].toUInt(&ok, 16);
        if (!ok || fields[i].size() != 2)
            return std::nullopt;
        w.bytes.append(char(byte));
    }
    return w;
}

std::vector<WireLine> readWireLog(const QString &path) {
    std::vector<WireLine> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &text : file.readAll().split('\n')) {
        if (const std::optional<WireLine> w = parseWireLine(text))
            lines.push_back(*w);
    }
    return lines;
}

} // namespace tr::bench
