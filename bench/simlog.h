#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace tr::bench {

// One line of the simulator's wire log: "<microseconds on CLOCK_MONOTONIC> <tag> <hex bytes>".
// RX is stamped when the request's last byte was read, TX after the answer's last byte was
// written.
struct WireLine {
    qint64 micros = 0;
    QString tag;
    QByteArray bytes;
};

std::optional<WireLine> parseWireLine(const QByteArray &line);

// Every parseable line of the log file, in file order; empty when it cannot be read.
std::vector<WireLine> readWireLog(const QString &path);

} // namespace tr::bench
