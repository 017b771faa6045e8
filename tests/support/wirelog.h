#pragma once

// The simulator's wire log, "<microseconds on CLOCK_MONOTONIC> <tag> <hex bytes>", and what a
// measurement answer in it must look like in the window, worked out here without the window's
// decoder.
#include "modbus/hextext.h"
#include "support/files.h"

#include <QRegularExpression>
#include <QStringList>

namespace tr::test {

struct WireLine {
    qint64 micros = 0;
    QString tag;
    QByteArray bytes;
};

// Lines with exactly `tag` ("TX" is an intact answer; faulty ones carry "TX-CORRUPT" and so on);
// lines that do not parse are skipped.
inline QList<WireLine> wireLines(const QStringList &log, const QString &tag = QString()) {
    static const QRegularExpression format(R"(^(\d+) (\S+)((?: [0-9A-Fa-f]{2})*)$)");
    QList<WireLine> out;
    for (const QString &line : log) {
        const QRegularExpressionMatch m = format.match(line.simplified());
        if (m.hasMatch() && (tag.isEmpty() || m.captured(2) == tag))
            out << WireLine{m.captured(1).toLongLong(), m.captured(2),
                            QByteArray::fromHex(m.captured(3).toLatin1())};
    }
    return out;
}

// Every line of a log file, for programs that read it after the simulator ended.
inline QList<WireLine> readWireLog(const QString &path, const QString &tag = QString()) {
    return wireLines(QString::fromLatin1(readFile(path)).split('\n'), tag);
}

// The value line a measurement answer of up to eight registers makes: "n#:value " for every
// register except an open sensor (0xFFFF); values above 40000 are negative two's complement.
inline QString valueLineOf(const QByteArray &answer) {
    QString line;
    for (int n = 0; n < (int(answer.size()) - 5) / 2 && n < 8; ++n) {
        const int raw = quint8(answer[3 + 2 * n]) * 256 + quint8(answer[4 + 2 * n]);
        if (raw != 0xFFFF)
            line += QStringLiteral("%1#:%2 ").arg(n + 1).arg(
                (raw <= 40000 ? raw : raw - 65536) / 10.0, 0, 'f', 2);
    }
    return line;
}

} // namespace tr::test
