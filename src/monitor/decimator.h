#pragma once

#include "monitor/channelspan.h"
#include "monitor/samplestore.h"

#include <optional>
#include <vector>

namespace tr {

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
using Traces = std::array<ChannelTrace, kChannels>;

// Min/max decimation per pixel column: the rows of a time range are summarised in columns
// `columnMs` wide (aligned to multiples of columnMs), each drawn with at most its extremes, so
// the points drawn depend on the columns, not on the rows. Columns are kept between calls and
// only new rows are added to them, and only the columns those rows fell into are drawn again,
// so following the newest samples costs the same for a day as for ten minutes.
class Decimator {
public:
    // A new store, a rewritten store or another column width starts again.
    const Traces &trace(const SampleStore &store, qint64 fromMs, qint64 toMs, qint64 columnMs);

    // Where the last trace may differ from the one before: from this time on (the start of the
    // first column drawn again); nothing when anything may differ.
    std::optional<qint64> changedFromMs() const { return changedFrom_; }

private:
    using Column = std::array<ChannelSpan, kChannels>;
    // A channel's drawing up to some column: segments so far, whether the last is still open and
    // how many points it had, and the range.
    struct Mark {
        std::size_t segments = 0;
        bool open = false;
        std::size_t points = 0;
        ValueRange range;
    };

    void reset(const SampleStore &store, qint64 firstColumn, qint64 columnMs);
    void feed(const SampleStore &store, qint64 endMs);
    // Column k's spans (relative to firstColumn_), added when new; it becomes the last fed.
    ChannelSpan *column(qint64 k);
    // Draws the columns from `column` (0: the first, after the row before them) to the end, and
    // the row after them.
    void emitFrom(const SampleStore &store, qint64 column, qint64 columns, qint64 c0, qint64 before,
                  qint64 after);
    void span(std::size_t channel, qint64 ms, const ChannelSpan &s, bool inside);
    void put(std::size_t channel, qint64 ms, const ValueRange &r, bool inside);

    const SampleStore *store_ = nullptr;
    quint64 generation_ = 0;
    qint64 columnMs_ = 0;
    qint64 firstColumn_ = 0;
    std::vector<Column> columns_;
    qint64 fedEnd_ = 0;      // rows before this index are in the columns
    qint64 lastColumn_ = -1; // column of the last row fed (relative to firstColumn_)

    Traces out_;
    std::array<bool, kChannels> open_{};
    // What was drawn last: its columns, the row before them, and the marks before lastColumn_.
    qint64 drawnC0_ = 0, drawnC1_ = -1, drawnBefore_ = -1, drawnAfter_ = -1;
    qint64 markColumn_ = -1;
    std::array<Mark, kChannels> marks_;
    std::optional<qint64> changedFrom_;
};

// A column width for `spanMs` over `pixels`: the pixel width rounded up to a step of 2^(1/4),
// so that small changes of the span or the width keep the columns.
qint64 columnWidthFor(qint64 spanMs, int pixels);

} // namespace tr
