#pragma once

// The simulator's wire log, "<microseconds on CLOCK_MONOTONIC> <tag> <hex bytes>", and what a
// measurement answer in it must look like in the window, worked out here without the window's
// decoder.
#include <QByteArray>
#include "modbus/hextext.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tr::test {

struct WireLine {
    qint64 micros = 0;
    QString tag;
    QByteArray bytes;
};

inline std::optional<WireLine> parseWireLine(const QString &line) {
    const QStringList fields = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields.size() < 2)
        return std::nullopt;
    bool ok = false;
    WireLine w;
    w.micros = fields[0].toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    w.tag = fields[1];
    for (qsizetype i = 2; i < fields.size(); ++i) {
        const uint b = fields[i].toUInt(&ok, 16);
        if (!ok || fields[i].size() != 2)
            return std::nullopt;
        w.bytes.append(char(b));
    }
    return w;
}

// Lines with exactly `tag` ("TX" is an intact answer; faulty ones carry "TX-CORRUPT" and so on).
inline QList<WireLine> wireLines(const QStringList &log, const QString &tag = QString()) {
    QList<WireLine> out;
    for (const QString &line : log) {
        const std::optional<WireLine> w = parseWireLine(line);
        if (w && (tag.isEmpty() || w->tag == tag))
            out << *w;
    }
    return out;
}

// Every line of a log file, for programs that read it after the simulator ended.
inline QList<WireLine> readWireLog(const QString &path, const QString &tag = QString()) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return wireLines(QString::fromLatin1(file.readAll()).split(QLatin1Char('\n')), tag);
}

// The value line a measurement answer of up to eight registers makes: "n#:value " for every
// register except an open sensor (0xFFFF); values above 40000 are negative two's complement.
inline QString valueLineOf(const QByteArray &answer) {
    QString line;
    const int registers = (int(answer.size()) - 5) / 2;
    for (int n = 0; n < registers && n < 8; ++n) {
        const int raw = quint8(answer[3 + 2 * n]) * 256 + quint8(answer[4 + 2 * n]);
        if (raw == 0xFFFF)
            continue;
        const int tenths = raw <= 40000 ? raw : raw - 65536;
        line += QStringLiteral("%1#:%2 ").arg(n + 1).arg(tenths / 10.0, 0, 'f', 2);
    }
    return line;
}

} // namespace tr::test
