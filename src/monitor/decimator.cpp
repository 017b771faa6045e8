#include "monitor/decimator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tr {

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
    lastColumn_ = -1;
    markColumn_ = -1;
}

ChannelSpan *Decimator::column(qint64 k) {
    if (k >= qint64(columns_.size()))
        columns_.resize(std::size_t(k + 1));
    lastColumn_ = k;
    return columns_[std::size_t(k)].data();
}

void Decimator::feed(const SampleStore &store, qint64 endMs) {
    const qint64 startMs = firstColumn_ * columnMs_;
    // The last row fed may have had readings merged into it since: feeding it again only widens
    // its column, as a merged row keeps the channels it had.
    qint64 i = std::max(fedEnd_ - 1, store.firstIndex());
    const qint64 end = store.endIndex();
    while (i < end) {
        // A whole block inside one column: its summary instead of its rows, placed by the times
        // it keeps, so that drawing a day does not visit a row of every block.
        if (i % SampleStore::kBlockRows == 0) {
            if (const BlockSummary *b = store.block(i / SampleStore::kBlockRows)) {
                if (b->firstMs >= endMs)
                    break;
                const qint64 k = floorDiv(b->firstMs, columnMs_) - firstColumn_;
                if (b->firstMs >= startMs && b->lastMs < endMs &&
                    floorDiv(b->lastMs, columnMs_) - firstColumn_ == k) {
                    ChannelSpan *spans = column(k);
                    for (std::size_t c = 0; c < std::size_t(kChannels); ++c)
                        spans[c].add(b->spans[c]);
                    i += SampleStore::kBlockRows;
                    continue;
                }
            }
        }
        const SampleRow &row = store.row(i);
        if (row.ms >= endMs)
            break;
        if (row.ms < startMs) {
            ++i;
            continue;
        }
        ChannelSpan *spans = column(floorDiv(row.ms, columnMs_) - firstColumn_);
        const Code *lo = row.lo.data();
        const Code *hi = row.hi.data();
        for (int c = 0; c < kChannels; ++c) {
            if (lo[c] != kNoValue)
                spans[c].addValues(tenthsOf(lo[c]), tenthsOf(hi[c]));
            else
                spans[c].addGap();
        }
        ++i;
    }
    fedEnd_ = std::max(fedEnd_, i);
}

void Decimator::put(std::size_t c, qint64 ms, const ValueRange &r, bool inside) {
    if (r.isEmpty())
        return;
    ChannelTrace &t = out_[c];
    if (inside)
        t.range.add(r);
    if (!open_[c]) {
        t.segments.emplace_back();
        open_[c] = true;
    }
    TraceSegment &s = t.segments.back();
    if (r.lo == r.hi) {
        s.push_back({ms, r.lo});
        return;
    }
    // The nearer extreme first, so the line does not cross the column twice.
    const bool highFirst =
        !s.empty() && std::abs(s.back().tenths - r.hi) < std::abs(s.back().tenths - r.lo);
    s.push_back({ms, highFirst ? r.hi : r.lo});
    s.push_back({ms, highFirst ? r.lo : r.hi});
}

void Decimator::span(std::size_t c, qint64 ms, const ChannelSpan &s, bool inside) {
    put(c, ms, s.head, inside);
    if (!s.gap)
        return;
    open_[c] = false;
    if (!s.mid.isEmpty()) {
        put(c, ms, s.mid, inside);
        open_[c] = false;
    }
    put(c, ms, s.tail, inside);
}

void Decimator::emitFrom(const SampleStore &store, qint64 column, qint64 columns, qint64 c0,
                         qint64 before, qint64 after) {
    if (column == 0) {
        for (std::size_t c = 0; c < out_.size(); ++c) {
            out_[c].segments.clear();
            out_[c].range = {};
            open_[c] = false;
        }
        // The rows just outside the range, so that lines run on to the edges.
        if (before >= 0) {
            const SampleRow &row = store.row(before);
            for (int c = 0; c < kChannels; ++c)
                span(std::size_t(c), row.ms, spanOf(row, c), false);
        }
    } else {
        for (std::size_t c = 0; c < out_.size(); ++c) {
            const Mark &m = marks_[c];
            out_[c].segments.resize(m.segments);
            open_[c] = m.open;
            if (m.open)
                out_[c].segments.back().resize(m.points);
            out_[c].range = m.range;
        }
    }
    // New rows can only land in the column of the last row fed or after it: the drawing is
    // marked there, to be taken up again from that column next time.
    markColumn_ = std::max<qint64>(lastColumn_, column);
    for (qint64 k = column; k <= std::max(columns - 1, markColumn_); ++k) {
        if (k == markColumn_) {
            for (std::size_t c = 0; c < out_.size(); ++c) {
                const ChannelTrace &t = out_[c];
                marks_[c] = {t.segments.size(), open_[c], open_[c] ? t.segments.back().size() : 0,
                             t.range};
            }
        }
        if (k >= columns)
            break;
        const Column &col = columns_[std::size_t(k)];
        const qint64 middle = (c0 + k) * columnMs_ + columnMs_ / 2;
        for (std::size_t c = 0; c < std::size_t(kChannels); ++c)
            span(c, middle, col[c], true);
    }
    if (after >= 0) {
        const SampleRow &row = store.row(after);
        for (int c = 0; c < kChannels; ++c)
            span(std::size_t(c), row.ms, spanOf(row, c), false);
    }
}

const Traces &Decimator::trace(const SampleStore &store, qint64 fromMs, qint64 toMs,
                               qint64 columnMs) {
    changedFrom_.reset();
    if (toMs <= fromMs || columnMs <= 0) {
        store_ = nullptr;
        for (ChannelTrace &t : out_)
            t = {};
        drawnC1_ = -1;
        return out_;
    }
    const qint64 c0 = floorDiv(fromMs, columnMs);
    const qint64 c1 = floorDiv(toMs - 1, columnMs);

    bool same = true;
    if (store_ != &store || generation_ != store.generation() || columnMs_ != columnMs ||
        c0 < firstColumn_) {
        reset(store, c0, columnMs);
        same = false;
    }
    if (c0 != firstColumn_) {
        const qint64 drop = std::min<qint64>(c0 - firstColumn_, qint64(columns_.size()));
        columns_.erase(columns_.begin(), columns_.begin() + drop);
        lastColumn_ = std::max<qint64>(-1, lastColumn_ - (c0 - firstColumn_));
        firstColumn_ = c0;
    }
    const qint64 markedColumn = markColumn_;
    feed(store, (c1 + 1) * columnMs);

    // The rows just outside the range, -1 when there is none.
    qint64 before = store.indexAt(c0 * columnMs) - 1;
    if (before < store.firstIndex())
        before = -1;
    qint64 after = store.indexAt((c1 + 1) * columnMs);
    if (after >= store.endIndex())
        after = -1;
    const qint64 columns = std::min<qint64>(c1 - c0 + 1, qint64(columns_.size()));
    same = same && c0 == drawnC0_ && c1 == drawnC1_ && before == drawnBefore_ &&
           after == drawnAfter_ && markedColumn >= 0;
    if (same) {
        emitFrom(store, markedColumn, columns, c0, before, after);
        changedFrom_ = (c0 + markedColumn) * columnMs;
    } else {
        emitFrom(store, 0, columns, c0, before, after);
    }
    drawnC0_ = c0;
    drawnC1_ = c1;
    drawnBefore_ = before;
    drawnAfter_ = after;
    return out_;
}

} // namespace tr
