#include "monitor/localtime.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <chrono>
#include <cstdio>

namespace tr {

namespace {

constexpr qint64 kQuarterMs = 15 * 60 * 1000;

qint64 floorDiv(qint64 a, qint64 b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

qint64 daysFromCivil(int year, int month, int day) {
    const std::chrono::year_month_day date{std::chrono::year{year},
                                           std::chrono::month(unsigned(month)),
                                           std::chrono::day(unsigned(day))};
    return std::chrono::sys_days{date}.time_since_epoch().count();
}

int LocalTimeCache::offsetAt(qint64 ms) {
    const qint64 quarter = floorDiv(ms, kQuarterMs);
    if (quarter != offsetQuarter_) {
        offsetQuarter_ = quarter;
        offset_ = QDateTime::fromMSecsSinceEpoch(quarter * kQuarterMs).offsetFromUtc();
    }
    return offset_;
}

QByteArray LocalTimeCache::isoText(qint64 ms) {
    const int offset = offsetAt(ms);
    using namespace std::chrono;
    const sys_time<milliseconds> local{milliseconds{ms + qint64(offset) * 1000}};
    const sys_days midnight = floor<days>(local);
    const qint64 inDay = (local - midnight).count();
    const year_month_day date{midnight};
    const int y = int(date.year()), mo = int(unsigned(date.month())), d = int(unsigned(date.day()));
    const int h = int(inDay / 3600000), mi = int(inDay / 60000 % 60), s = int(inDay / 1000 % 60);
    const int milli = int(inDay % 1000);
    const int east = offset < 0 ? -offset : offset;
    char text[40];
    const int n =
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", y, mo, d,
                      h, mi, s, milli, offset < 0 ? '-' : '+', east / 3600, east / 60 % 60);
    return QByteArray(text, n);
}

std::optional<qint64> LocalTimeCache::fromLocal(int year, int month, int day, int hour, int minute,
                                                int second, int msec) {
    if (!QDate::isValid(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || msec < 0 || msec > 999)
        return std::nullopt;
    const qint64 key = daysFromCivil(year, month, day) * 24 + hour;
    if (key != hourKey_) {
        hourKey_ = key;
        hourMs_ = QDateTime(QDate(year, month, day), QTime(hour, 0)).toMSecsSinceEpoch();
    }
    return hourMs_ + qint64(minute) * 60000 + qint64(second) * 1000 + msec;
}

} // namespace tr
