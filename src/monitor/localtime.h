#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

namespace tr {

// Days since 1970-01-01 of a proleptic Gregorian date.
qint64 daysFromCivil(int year, int month, int day);

// Local time for hundreds of thousands of samples: the time zone is asked once per quarter
// hour of the epoch (offset changes fall on quarter hours) or once per local hour, the rest is
// arithmetic.
class LocalTimeCache {
public:
    // Seconds east of UTC at ms.
    int offsetAt(qint64 ms);
    // "2024-03-05T09:07:05.123+01:00": local time with milliseconds and its UTC offset.
    QByteArray isoText(qint64 ms);
    // Milliseconds since the epoch of a local wall-clock time; nothing for an impossible date or
    // time of day.
    std::optional<qint64> fromLocal(int year, int month, int day, int hour, int minute, int second,
                                    int msec);

private:
    qint64 offsetQuarter_ = -1;
    int offset_ = 0;
    qint64 hourKey_ = -1;
    qint64 hourMs_ = 0;
};

} // namespace tr
