#include "monitor/decimator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tr {

void ChannelSpan::addValues(int lo, int hi) {
    (gap ? tail : head).add(lo, hi);
}

void ChannelSpan::addGap() {
    if (gap) {
        mid.add(tail);
        tail = {};
    }
    gap = true;
}

void ChannelSpan::add(const ChannelSpan &later) {
    if (!later.gap) {
        (gap ? tail : head).add(later.head);
        return;
    }
    if (!gap) {
        head.add(later.head);
        mid = later.mid;
    } else {
        mid.add(tail);
        mid.add(later.head);
        mid.add(later.mid);
    }
    tail = later.tail;
    gap = true;
}

qsizetype ChannelTrace::points() const {
    qsizetype n = 0;
    for (const TraceSegment &s : segments)
        n += qsizetype(s.size());
    return n;
}

qint64 columnWidthFor(qint64 spanMs, int pixels) {
    const double raw = double(std::max<qint64>(spanMs, 1)) / double(std::max(pixels, 1));
    if (raw <= 1.0)
        return 1;
    const double step = std::ceil(4.0 * std::log2(raw) - 1e-9);
    return std::max<qint64>(1, qint64(std::ceil(std::exp2(step / 4.0))));
}

namespace {

qint64 floorDiv(qint64 a, qint64 b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Builds one channel's segments column by column.
class Emitter {
public:
    explicit Emitter(ChannelTrace &out) : out_(out) {}

    void span(qint64 ms, const ChannelSpan &s, bool inside) {
        put(ms, s.head, inside);
        if (!s.gap)
            return;
        close();
        if (!s.mid.isEmpty()) {
            put(ms, s.mid, inside);
            close();
        }
        put(ms, s.tail, inside);
    }

    void close() {
        if (!current_.empty())
            out_.segments.push_back(std::move(current_));
        current_.clear();
    }

private:
    void put(qint64 ms, const ValueRange &r, bool inside) {
        if (r.isEmpty())
            return;
        if (inside)
            out_.range.add(r);
        if (r.lo == r.hi) {
            current_.push_back({ms, r.lo});
            return;
        }
        // The nearer extreme first, so the line does not cross the column twice.
        const bool highFirst = !current_.empty() && std::abs(current_.back().tenths - r.hi) <
                                                        std::abs(current_.back().tenths - r.lo);
        current_.push_back({ms, highFirst ? r.hi : r.lo});
        current_.push_back({ms, highFirst ? r.lo : r.hi});
    }

    ChannelTrace &out_;
    TraceSegment current_;
};

ChannelSpan spanOf(const SampleRow &row, int channel) {
    ChannelSpan s;
    if (row.hasValue(channel))
        s.addValues(tenthsOf(row.lo[std::size_t(channel)]), tenthsOf(row.hi[std::size_t(channel)]));
    else
        s.addGap();
    return s;
}

} // namespace

void Decimator::reset(const SampleStore &store, qint64 firstColumn, qint64 columnMs) {
    store_ = &store;
    generation_ = store.generation();
    columnMs_ = columnMs;
    firstColumn_ = firstColumn;
    columns_.clear();
    fedEnd_ = store.indexAt(firstColumn * columnMs);
}

void Decimator::feed(const SampleStore &store, qint64 endMs) {
    const qint64 startMs = firstColumn_ * columnMs_;
    // The last row fed may have had readings merged into it since: feeding it again only widens
    // its column, as a merged row keeps the channels it had.
    qint64 i = std::max(fedEnd_ - 1, store.firstIndex());
    for (; i < store.endIndex(); ++i) {
        const SampleRow &row = store.row(i);
        if (row.ms >= endMs)
            break;
        if (row.ms < startMs)
            continue;
        const auto k = std::size_t(floorDiv(row.ms, columnMs_) - firstColumn_);
        if (k >= columns_.size())
            columns_.resize(k + 1);
        ChannelSpan *spans = columns_[k].data();
        const Code *lo = row.lo.data();
        const Code *hi = row.hi.data();
        for (int c = 0; c < kChannels; ++c) {
            if (lo[c] != kNoValue)
                spans[c].addValues(tenthsOf(lo[c]), tenthsOf(hi[c]));
            else
                spans[c].addGap();
        }
        ++rowsFed_;
    }
    fedEnd_ = std::max(fedEnd_, i);
}

std::array<ChannelTrace, kChannels> Decimator::trace(const SampleStore &store, qint64 fromMs,
                                                     qint64 toMs, qint64 columnMs) {
    std::array<ChannelTrace, kChannels> out;
    rowsFed_ = 0;
    if (toMs <= fromMs || columnMs <= 0)
        return out;
    const qint64 c0 = floorDiv(fromMs, columnMs);
    const qint64 c1 = floorDiv(toMs - 1, columnMs);

    if (store_ != &store || generation_ != store.generation() || columnMs_ != columnMs ||
        c0 < firstColumn_)
        reset(store, c0, columnMs);
    if (c0 - firstColumn_ >= qint64(columns_.size())) {
        columns_.clear();
        firstColumn_ = c0;
    } else {
        columns_.erase(columns_.begin(), columns_.begin() + (c0 - firstColumn_));
        firstColumn_ = c0;
    }
    feed(store, (c1 + 1) * columnMs);

    std::vector<Emitter> emitters;
    emitters.reserve(std::size_t(kChannels));
    for (ChannelTrace &t : out)
        emitters.emplace_back(t);

    // The rows just outside the range, so that lines run on to the edges.
    const qint64 before = store.indexAt(c0 * columnMs) - 1;
    if (before >= store.firstIndex()) {
        const SampleRow &row = store.row(before);
        for (int c = 0; c < kChannels; ++c)
            emitters[std::size_t(c)].span(row.ms, spanOf(row, c), false);
    }
    const qint64 columns = std::min<qint64>(c1 - c0 + 1, qint64(columns_.size()));
    for (qint64 k = 0; k < columns; ++k) {
        const Column &column = columns_[std::size_t(k)];
        const qint64 middle = (c0 + k) * columnMs + columnMs / 2;
        for (int c = 0; c < kChannels; ++c)
            emitters[std::size_t(c)].span(middle, column[std::size_t(c)], true);
    }
    const qint64 after = store.indexAt((c1 + 1) * columnMs);
    if (after < store.endIndex()) {
        const SampleRow &row = store.row(after);
        for (int c = 0; c < kChannels; ++c)
            emitters[std::size_t(c)].span(row.ms, spanOf(row, c), false);
    }
    for (Emitter &e : emitters)
        e.close();
    return out;
}

} // namespace tr
