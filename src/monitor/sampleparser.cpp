#include "monitor/sampleparser.h"

#include <QDate>
#include <QList>
#include <cmath>

namespace tr {

namespace {

// Reads a line left to right without copying it.
struct Cursor {
    const char *p;
    const char *end;

    explicit Cursor(QByteArrayView v) : p(v.data()), end(v.data() + v.size()) {}
    bool atEnd() const { return p == end; }
    bool take(char c) {
        if (p == end || *p != c)
            return false;
        ++p;
        return true;
    }
    // minDigits..maxDigits decimal digits.
    std::optional<int> number(int minDigits, int maxDigits) {
        int value = 0;
        int digits = 0;
        while (p != end && *p >= '0' && *p <= '9' && digits < maxDigits) {
            value = value * 10 + (*p - '0');
            ++p;
            ++digits;
        }
        if (digits < minDigits)
            return std::nullopt;
        return value;
    }
    int skip(char c) {
        int n = 0;
        while (p != end && *p == c) {
            ++p;
            ++n;
        }
        return n;
    }
    QByteArrayView word() {
        const char *from = p;
        while (p != end && *p != ' ')
            ++p;
        return QByteArrayView(from, p - from);
    }
};

QByteArrayView trimmed(QByteArrayView v) {
    qsizetype from = 0;
    qsizetype to = v.size();
    while (from < to && (v[from] == ' ' || v[from] == '\t'))
        ++from;
    while (to > from && (v[to - 1] == ' ' || v[to - 1] == '\t'))
        --to;
    return v.sliced(from, to - from);
}

// The statuses the command line writes in a text log instead of the values.
bool isStatusWord(QByteArrayView w) {
    static const char *const kWords[] = {"timeout", "crc",    "station",  "function",
                                         "length",  "missed", "exception"};
    for (const char *k : kWords) {
        if (w == QByteArrayView(k))
            return true;
    }
    return false;
}

QList<QByteArrayView> cells(QByteArrayView line) {
    QList<QByteArrayView> out;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ',') {
            out.append(trimmed(line.sliced(from, i - from)));
            from = i + 1;
        }
    }
    return out;
}

// "2024-03-05T09:07:05.123+01:00", "...Z", without offset (local time), 'T' or a blank.
std::optional<qint64> parseIsoTime(QByteArrayView text, LocalTimeCache &local) {
    Cursor c(text);
    const auto y = c.number(4, 4);
    if (!y || !c.take('-'))
        return std::nullopt;
    const auto mo = c.number(1, 2);
    if (!mo || !c.take('-'))
        return std::nullopt;
    const auto d = c.number(1, 2);
    if (!d || !(c.take('T') || c.take(' ')))
        return std::nullopt;
    const auto h = c.number(1, 2);
    if (!h || !c.take(':'))
        return std::nullopt;
    const auto mi = c.number(2, 2);
    if (!mi || !c.take(':'))
        return std::nullopt;
    const auto s = c.number(2, 2);
    if (!s)
        return std::nullopt;
    int ms = 0;
    if (c.take('.') || c.take(',')) {
        const char *from = c.p;
        const auto fraction = c.number(1, 3);
        if (!fraction)
            return std::nullopt;
        const auto digits = c.p - from;
        ms = *fraction * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
        // Finer digits than milliseconds are dropped.
        while (!c.atEnd() && *c.p >= '0' && *c.p <= '9')
            ++c.p;
    }
    if (c.atEnd())
        return local.fromLocal(*y, *mo, *d, *h, *mi, *s, ms);
    int offsetMinutes = 0;
    if (!c.take('Z')) {
        const bool west = c.take('-');
        if (!west && !c.take('+'))
            return std::nullopt;
        const auto oh = c.number(2, 2);
        c.take(':');
        const auto om = c.number(2, 2);
        if (!oh || !om || *oh > 23 || *om > 59)
            return std::nullopt;
        offsetMinutes = (west ? -1 : 1) * (*oh * 60 + *om);
    }
    if (!c.atEnd() || !QDate::isValid(*y, *mo, *d) || *h > 23 || *mi > 59 || *s > 59)
        return std::nullopt;
    return daysFromCivil(*y, *mo, *d) * 86400000 + qint64(*h) * 3600000 + qint64(*mi) * 60000 +
           qint64(*s) * 1000 + ms - qint64(offsetMinutes) * 60000;
}

} // namespace

std::optional<int> parseTenths(QByteArrayView text) {
    Cursor c(text);
    const bool negative = c.take('-');
    if (!negative)
        c.take('+');
    const auto whole = c.number(1, 6);
    if (!whole)
        return std::nullopt;
    int hundredths = 0;
    if (c.take('.')) {
        const char *from = c.p;
        const auto fraction = c.number(1, 2);
        if (!fraction)
            return std::nullopt;
        hundredths = *fraction * (c.p - from == 1 ? 10 : 1);
    }
    if (!c.atEnd())
        return std::nullopt;
    const int magnitude = *whole * 10 + (hundredths + 5) / 10;
    return negative ? -magnitude : magnitude;
}

SampleLineParser::Line SampleLineParser::parse(QByteArrayView line) {
    if (line.endsWith('\r'))
        line.chop(1);
    const QByteArrayView text = trimmed(line);
    if (text.isEmpty())
        return {};
    if (text.startsWith('"')) {
        if (text.size() < 2 || !text.endsWith('"'))
            return {Line::Kind::Malformed, 0, {}};
        return dataRecord(text.sliced(1, text.size() - 2));
    }
    if (timeColumn_ >= 0) {
        Line row = csvRow(text);
        // A header again (another log appended): it sets the columns from here on.
        if (row.kind == Line::Kind::Malformed && csvHeader(text))
            return {};
        return row;
    }
    if (csvHeader(text))
        return {};
    return {Line::Kind::Malformed, 0, {}};
}

SampleLineParser::Line SampleLineParser::dataRecord(QByteArrayView inner) {
    const Line bad{Line::Kind::Malformed, 0, {}};
    // A cleared file is the one record "" .
    if (inner.isEmpty())
        return {};
    Cursor c(inner);
    const auto y = c.number(1, 4);
    if (!y || !c.take('-'))
        return bad;
    const auto mo = c.number(1, 2);
    if (!mo || !c.take('-'))
        return bad;
    const auto d = c.number(1, 2);
    if (!d || !c.take(' '))
        return bad;
    const auto h = c.number(1, 2);
    if (!h || !c.take(':'))
        return bad;
    const auto mi = c.number(2, 2);
    if (!mi || !c.take(':'))
        return bad;
    const auto s = c.number(2, 2);
    if (!s || (!c.atEnd() && *c.p != ' '))
        return bad;
    const std::optional<qint64> ms = local_.fromLocal(*y, *mo, *d, *h, *mi, *s, 0);
    if (!ms)
        return bad;

    Line out{Line::Kind::Sample, *ms, {}};
    c.skip(' ');
    if (c.atEnd())
        return out; // nothing read yet, or every sensor open
    const QByteArrayView first = c.word();
    if (isStatusWord(first)) {
        // A failed request of the command line ("timeout", "exception 4"): no values.
        c.skip(' ');
        if (first == QByteArrayView("exception") && !c.atEnd() && !c.number(1, 3))
            return bad;
        c.skip(' ');
        return c.atEnd() ? out : bad;
    }
    c = Cursor(inner.sliced(first.data() - inner.data()));
    while (!c.atEnd()) {
        const auto channel = c.number(1, 2);
        if (!channel || *channel < 1 || *channel > kChannels || !c.take('#') || !c.take(':'))
            return bad;
        const std::optional<int> tenths = parseTenths(c.word());
        if (!tenths || !codeOf(*tenths))
            return bad;
        out.values[std::size_t(*channel - 1)] = *tenths;
        c.skip(' ');
    }
    return out;
}

bool SampleLineParser::csvHeader(QByteArrayView line) {
    const QList<QByteArrayView> names = cells(line);
    int time = -1;
    int status = -1;
    std::array<int, kChannels> channels;
    channels.fill(-1);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QByteArray name = names[i].toByteArray().toLower();
        if (name == "time")
            time = int(i);
        else if (name == "status")
            status = int(i);
        else if (name.startsWith("ch")) {
            bool ok = false;
            const int n = name.mid(2).toInt(&ok);
            if (ok && n >= 1 && n <= kChannels)
                channels[std::size_t(n - 1)] = int(i);
        }
    }
    if (time < 0)
        return false;
    timeColumn_ = time;
    statusColumn_ = status;
    channelColumns_ = channels;
    columns_ = int(names.size());
    return true;
}

SampleLineParser::Line SampleLineParser::csvRow(QByteArrayView line) {
    const Line bad{Line::Kind::Malformed, 0, {}};
    const QList<QByteArrayView> row = cells(line);
    if (row.size() != columns_)
        return bad;
    const std::optional<qint64> ms = parseIsoTime(row[timeColumn_], local_);
    if (!ms)
        return bad;
    Line out{Line::Kind::Sample, *ms, {}};
    if (statusColumn_ >= 0 && row[statusColumn_] != QByteArrayView("ok")) {
        if (row[statusColumn_].isEmpty())
            return bad;
        return out;
    }
    for (std::size_t c = 0; c < std::size_t(kChannels); ++c) {
        if (channelColumns_[c] < 0 || row[channelColumns_[c]].isEmpty())
            continue;
        const std::optional<int> tenths = parseTenths(row[channelColumns_[c]]);
        if (!tenths || !codeOf(*tenths))
            return bad;
        out.values[c] = tenths;
    }
    return out;
}

} // namespace tr
