#pragma once

#include "cli/answercheck.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace tr {
struct DecodedAnswer;
}

namespace tr::cli {

// One sample of a read: what went out when, and what came back.
struct Sample {
    QDateTime when; // request sent (or, for a missed sample, when it was due)
    int start = 0;  // the first register read: values[i] is register start + i
    long long seq = 0;
    int station = 0;
    bool ok = false;
    QString status; // statusText(), or "missed"
    // One entry per register, in register order; nothing for an open sensor. Empty when the
    // sample failed.
    std::vector<std::optional<QString>> values;
    std::vector<std::optional<int>> tenths; // the same in tenths of a degree
    QString valueLine;                      // the window's value line, empty when the sample failed
};

// Register texts of a decoded measurement answer: "23.50", or nothing where the window shows
// the single digit 0 of an open sensor.
std::vector<std::optional<QString>> registerValues(const DecodedAnswer &answer);

std::vector<std::optional<int>> registerTenths(const DecodedAnswer &answer);

// "2024-03-05T09:07:05.123+01:00": local time with milliseconds and its UTC offset.
QString isoTimestamp(const QDateTime &when);

// time,seq,ch<start+1>..ch<start+count>,status; columns are named after the module's channels,
// register r holding channel r + 1. With several stations a station column follows seq. No
// line end.
QString csvHeader(int start, int count, bool withStation = false);
// One row with `count` value cells; no line end.
QString csvRow(const Sample &sample, int count, bool withStation = false);

// The text row: the value line as the window shows it, or the status of a failed sample;
// "station N: " in front with several stations.
QString textRow(const Sample &sample, bool withStation = false);

// {"time":"...","seq":N,"station":N,"start":S,"status":"ok","ch":[23.5,null,...]} on one line:
// `count` channels from register S, null for an open sensor or a channel without a value.
QByteArray jsonRow(const Sample &sample, int count);

} // namespace tr::cli
