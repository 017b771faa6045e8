#include "monitor/samplestore.h"

#include <algorithm>

namespace tr {

namespace {

bool sameChannels(const SampleRow &a, const SampleRow &b) {
    for (int c = 0; c < kChannels; ++c) {
        if (a.hasValue(c) != b.hasValue(c))
            return false;
    }
    return true;
}

void widen(SampleRow &into, const SampleRow &from) {
    for (std::size_t c = 0; c < std::size_t(kChannels); ++c) {
        if (into.lo[c] == kNoValue)
            continue;
        if (tenthsOf(from.lo[c]) < tenthsOf(into.lo[c]))
            into.lo[c] = from.lo[c];
        if (tenthsOf(from.hi[c]) > tenthsOf(into.hi[c]))
            into.hi[c] = from.hi[c];
    }
}

qint64 bucketOf(qint64 ms, qint64 interval) {
    // Floor division, so that times before the epoch bucket the same way.
    return ms >= 0 ? ms / interval : -((-ms + interval - 1) / interval);
}

} // namespace

std::optional<Code> codeOf(int tenths) {
    if (tenths >= 0 && tenths <= 40000)
        return Code(tenths);
    if (tenths >= -25535 && tenths <= -2)
        return Code(tenths + 65536);
    return std::nullopt;
}

ChannelValues valuesOf(const std::vector<Reading> &readings) {
    ChannelValues values;
    for (const Reading &r : readings) {
        if (r.box < 0 || r.box >= kChannels)
            continue;
        auto &slot = values[std::size_t(r.box)];
        if (r.open)
            slot.reset();
        else
            slot = r.tenths;
    }
    return values;
}

SampleStore::SampleStore(Limits limits)
    : limits_(limits), rows_(std::size_t(limits.maxRows) + 1),
      blocks_(std::size_t(limits.maxRows / kBlockRows) + 4) {
    if (limits_.keepMs > 0 && limits_.maxRows > 0)
        intervalMs_ = std::max<qint64>(1, limits_.keepMs / limits_.maxRows);
}

void SampleStore::add(qint64 ms, const ChannelValues &values) {
    SampleRow row;
    row.ms = ms;
    for (std::size_t c = 0; c < std::size_t(kChannels); ++c) {
        const std::optional<Code> code = values[c] ? codeOf(*values[c]) : std::nullopt;
        row.lo[c] = row.hi[c] = code.value_or(kNoValue);
    }
    append(row);
}

void SampleStore::addGap(qint64 ms) {
    SampleRow row;
    row.ms = ms;
    row.lo.fill(kNoValue);
    row.hi.fill(kNoValue);
    append(row);
}

void SampleStore::clear() {
    first_ += qint64(rows_.size());
    rows_.clear();
    blocks_.clear();
    ++generation_;
    if (limits_.keepMs == 0)
        intervalMs_ = 0;
}

qint64 SampleStore::indexAt(qint64 ms) const {
    std::size_t lo = 0, hi = rows_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (rows_[mid].ms < ms)
            lo = mid + 1;
        else
            hi = mid;
    }
    return first_ + qint64(lo);
}

void SampleStore::append(const SampleRow &incoming) {
    SampleRow row = incoming;
    if (!rows_.empty()) {
        SampleRow &last = rows_.back();
        row.ms = std::max(row.ms, last.ms);
        if (intervalMs_ > 0 && bucketOf(row.ms, intervalMs_) == bucketOf(last.ms, intervalMs_) &&
            sameChannels(last, row)) {
            widen(last, row);
            summarise(endIndex() - 1);
            return;
        }
    }
    rows_.push_back(row);
    summarise(endIndex() - 1);

    if (limits_.keepMs > 0) {
        const qint64 oldest = rows_.back().ms - limits_.keepMs;
        std::size_t old = 0;
        while (old < rows_.size() && rows_[old].ms < oldest)
            ++old;
        rows_.pop_front(old);
        first_ += qint64(old);
    }
    if (qsizetype(rows_.size()) > limits_.maxRows && limits_.keepMs == 0)
        coarsen(1);
    // Still too many (channels coming and going at every reading): the oldest give way.
    if (qsizetype(rows_.size()) > limits_.maxRows) {
        const std::size_t over = rows_.size() - std::size_t(limits_.maxRows);
        rows_.pop_front(over);
        first_ += qint64(over);
    }
    dropFront();
}

void SampleStore::summarise(qint64 index) {
    const qint64 b = index / kBlockRows;
    if (blocks_.empty())
        firstBlock_ = b;
    while (firstBlock_ + qint64(blocks_.size()) <= b)
        blocks_.push_back(BlockSummary{});
    BlockSummary &block = blocks_[std::size_t(b - firstBlock_)];
    ChannelSpan *spans = block.spans.data();
    const SampleRow &r = row(index);
    // A row's time is that of its first reading, which a merge does not change.
    if (index % kBlockRows == 0)
        block.firstMs = r.ms;
    block.lastMs = r.ms;
    for (std::size_t c = 0; c < std::size_t(kChannels); ++c) {
        if (r.lo[c] != kNoValue)
            spans[c].addValues(tenthsOf(r.lo[c]), tenthsOf(r.hi[c]));
        else
            spans[c].addGap();
    }
}

void SampleStore::dropFront() {
    // Blocks whose rows are all gone.
    const qint64 gone = std::min(qint64(blocks_.size()), first_ / kBlockRows - firstBlock_);
    if (gone > 0) {
        blocks_.pop_front(std::size_t(gone));
        firstBlock_ += gone;
    }
}

const BlockSummary *SampleStore::block(qint64 b) const {
    if (b < firstBlock_ || b * kBlockRows < first_ || (b + 1) * kBlockRows >= endIndex())
        return nullptr;
    return &blocks_[std::size_t(b - firstBlock_)];
}

void SampleStore::expect(qint64 rows, qint64 spanMs) {
    if (limits_.keepMs > 0 || rows <= limits_.maxRows / 2)
        return;
    // Merged as they come in, the rows stay within half the limit, and the store need not be
    // merged again (a pass over a million rows) when it fills up.
    const qint64 interval = 2 * spanMs / limits_.maxRows + 1;
    if (interval > intervalMs_)
        coarsen(interval);
}

void SampleStore::coarsen(qint64 atLeastMs) {
    if (rows_.empty()) {
        intervalMs_ = std::max(intervalMs_, atLeastMs);
        return;
    }
    const qint64 span = rows_.back().ms - rows_.front().ms;
    // Half full afterwards, so that the next pass is as far away as this one.
    intervalMs_ = std::max({atLeastMs, intervalMs_ * 2, 2 * span / limits_.maxRows + 1});
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (kept > 0) {
            SampleRow &last = rows_[kept - 1];
            if (bucketOf(rows_[i].ms, intervalMs_) == bucketOf(last.ms, intervalMs_) &&
                sameChannels(last, rows_[i])) {
                widen(last, rows_[i]);
                continue;
            }
        }
        rows_[kept++] = rows_[i];
    }
    rows_.truncate(kept);
    ++generation_;
    blocks_.clear();
    for (qint64 i = first_; i < endIndex(); ++i)
        summarise(i);
}

} // namespace tr
