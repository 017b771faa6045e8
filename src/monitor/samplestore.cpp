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

SampleStore::SampleStore(Limits limits) : limits_(limits) {
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
    clearBlocks();
    ++generation_;
    if (limits_.keepMs == 0)
        intervalMs_ = 0;
}

qint64 SampleStore::indexAt(qint64 ms) const {
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), ms,
                                     [](const SampleRow &r, qint64 t) { return r.ms < t; });
    return first_ + qint64(at - rows_.begin());
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
        while (!rows_.empty() && rows_.front().ms < oldest) {
            rows_.pop_front();
            ++first_;
        }
    }
    if (qsizetype(rows_.size()) > limits_.maxRows && limits_.keepMs == 0)
        coarsen(1);
    // Still too many (channels coming and going at every reading): the oldest give way.
    while (qsizetype(rows_.size()) > limits_.maxRows) {
        rows_.pop_front();
        ++first_;
    }
    dropFront();
}

void SampleStore::summarise(qint64 index) {
    const qint64 b = index / kBlockRows;
    if (blockCount() == 0) {
        clearBlocks();
        firstBlock_ = b;
    }
    while (firstBlock_ + qint64(blockCount()) <= b)
        blocks_.emplace_back();
    BlockSummary &block = blocks_[blockHead_ + std::size_t(b - firstBlock_)];
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

void SampleStore::clearBlocks() {
    blocks_.clear();
    blockHead_ = 0;
}

void SampleStore::dropFront() {
    while (blockCount() > 0 && (firstBlock_ + 1) * kBlockRows <= first_) {
        ++blockHead_;
        ++firstBlock_;
    }
    // The dropped ones are let go once they are an eighth of the array.
    if (blockHead_ > 0 && blockHead_ * 8 >= blocks_.size()) {
        blocks_.erase(blocks_.begin(), blocks_.begin() + std::ptrdiff_t(blockHead_));
        blockHead_ = 0;
    }
}

const BlockSummary *SampleStore::block(qint64 b) const {
    if (b < firstBlock_ || b * kBlockRows < first_ || (b + 1) * kBlockRows >= endIndex())
        return nullptr;
    return &blocks_[blockHead_ + std::size_t(b - firstBlock_)];
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
    rows_.resize(kept);
    ++generation_;
    clearBlocks();
    for (qint64 i = first_; i < endIndex(); ++i)
        summarise(i);
}

} // namespace tr
