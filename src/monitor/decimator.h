#pragma once

#include "monitor/samplestore.h"

#include <climits>
#include <deque>
#include <optional>
#include <vector>

namespace tr {

// The smallest and largest of some values, in tenths.
struct ValueRange {
    int lo = INT_MAX;
    int hi = INT_MIN;
    bool isEmpty() const { return lo > hi; }
    void add(int low, int high) {
        lo = low < lo ? low : lo;
        hi = high > hi ? high : hi;
    }
    void add(const ValueRange &r) {
        if (!r.isEmpty())
            add(r.lo, r.hi);
    }
};

// One channel over a stretch of rows, kept so that stretches can be joined: the values before
// the first gap, between the first and the last gap, and after the last gap. Drawing it keeps
// every extreme and every gap whatever the number of rows behind it.
struct ChannelSpan {
    ValueRange head, mid, tail;
    bool gap = false;

    void addValues(int lo, int hi);
    void addGap();
    void add(const ChannelSpan &later);
    bool isEmpty() const { return !gap && head.isEmpty(); }
};

struct TracePoint {
    qint64 ms;
    int tenths;
};
using TraceSegment = std::vector<TracePoint>;

// What to draw of one channel: unbroken lines, each ending where the channel had a gap. A
// segment of one point is a value alone between gaps.
struct ChannelTrace {
    std::vector<TraceSegment> segments;
    ValueRange range; // of the points inside the requested time range
    qsizetype points() const;
};

// Min/max decimation per pixel column: the rows of a time range are summarised in columns
// `columnMs` wide (aligned to multiples of columnMs), each drawn with at most its extremes, so
// the points drawn depend on the columns, not on the rows. Columns are kept between calls and
// only new rows are added to them, so following the newest samples costs the same for a day
// as for ten minutes.
class Decimator {
public:
    // A new store, a rewritten store or another column width starts again.
    std::array<ChannelTrace, kChannels> trace(const SampleStore &store, qint64 fromMs, qint64 toMs,
                                              qint64 columnMs);

    // Rows summarised into columns in the last call (for the bench and the tests).
    qint64 rowsFed() const { return rowsFed_; }

private:
    using Column = std::array<ChannelSpan, kChannels>;

    void reset(const SampleStore &store, qint64 firstColumn, qint64 columnMs);
    void feed(const SampleStore &store, qint64 endMs);

    const SampleStore *store_ = nullptr;
    quint64 generation_ = 0;
    qint64 columnMs_ = 0;
    qint64 firstColumn_ = 0;
    std::deque<Column> columns_;
    qint64 fedEnd_ = 0; // rows before this index are in the columns
    qint64 rowsFed_ = 0;
};

// A column width for `spanMs` over `pixels`: the pixel width rounded up to a step of 2^(1/4),
// so that small changes of the span or the width keep the columns.
qint64 columnWidthFor(qint64 spanMs, int pixels);

} // namespace tr
