#include "monitor/localtime.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cstdio>

namespace tr {

namespace {

constexpr qint64 kQuarterMs = 15 * 60 * 1000;

qint64 floorDiv(qint64 a, qint64 b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

// Howard Hinnant's days_from_civil.
qint64 daysFromCivil(int year, int month, int day) {
    const qint64 y = qint64(year) - (month <= 2 ? 1 : 0);
    const qint64 era = floorDiv(y, 400);
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(qint64 days, int &year, int &month, int &day) {
    const qint64 z = days + 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
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
    const qint64 local = ms + qint64(offset) * 1000;
    const qint64 days = floorDiv(local, 86400000);
    const qint64 inDay = local - days * 86400000;
    int y = 0, mo = 0, d = 0;
    civilFromDays(days, y, mo, d);
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
